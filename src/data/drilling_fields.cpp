#include "data/drilling_fields.h"

namespace vdn {

namespace {
QStringList textsWhere(const BallDrilling& d, bool DrillingFieldInfo::*flag) {
    QStringList texts;
    for (const DrillingFieldInfo& f : DrillingFields)
        if (f.*flag)
            texts << d.*(f.member);
    return texts;
}
} // namespace

QStringList drillingColumnNames() {
    QStringList names;
    for (const DrillingFieldInfo& f : DrillingFields)
        names << QLatin1String(f.column);
    return names;
}

QStringList drillingColumnsSince(int since) {
    QStringList names;
    for (const DrillingFieldInfo& f : DrillingFields)
        if (f.since == since)
            names << QLatin1String(f.column);
    return names;
}

QStringList drillingContent(const BallDrilling& d) {
    return textsWhere(d, &DrillingFieldInfo::content);
}

QStringList drillingTypedEntry(const BallDrilling& d) {
    return textsWhere(d, &DrillingFieldInfo::typedEntry);
}

} // namespace vdn
