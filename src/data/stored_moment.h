#pragma once

#include <QDateTime>
#include <QString>

namespace vdn {

// A moment (a drilling, a sheet version, a base's creation) is stored as a
// text "yyyy-MM-dd HH:mm:ss": it sorts as it reads, and other SQLite tools
// show it as it is.
inline QString storedMomentFormat() {
    return QStringLiteral("yyyy-MM-dd HH:mm:ss");
}

inline QString storedMoment(const QDateTime& when) {
    return when.toString(storedMomentFormat());
}

// The moment a stored text names; invalid when it is not one.
inline QDateTime readStoredMoment(const QString& stored) {
    return QDateTime::fromString(stored, storedMomentFormat());
}

} // namespace vdn
