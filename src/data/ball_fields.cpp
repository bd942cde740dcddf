#include "data/ball_fields.h"

namespace vdn {

QStringList ballColumnNames() {
    QStringList names;
    for (const BallFieldInfo& f : BallFields)
        names << QLatin1String(f.column);
    return names;
}

QStringList ballColumnsSince(int since) {
    QStringList names;
    for (const BallFieldInfo& f : BallFields)
        if (f.since == since)
            names << QLatin1String(f.column);
    return names;
}

BallField ballGridField(int column) {
    for (const BallFieldInfo& f : BallFields)
        if (f.gridColumn == column + 1)
            return f.field;
    return BallField::Line;
}

BallField ballReportField(int field) {
    for (const BallFieldInfo& f : BallFields)
        if (f.reported == field + 1)
            return f.field;
    return BallField::Bag;
}

QString ballText(const BallRecord& ball, BallField f) {
    if (const auto member = infoOf(f).member)
        return ball.*member;
    return ball.type.value_or(QString());
}

} // namespace vdn
