#include "support/outside_program.h"

#include <QStandardPaths>

namespace vdn::test {

QString findOutsideProgram(const QStringList& names) {
    for (const QString& name : names) {
        const QString found = QStandardPaths::findExecutable(name);
        if (!found.isEmpty())
            return found;
        // Administration programs live in the sbin folders, not always on PATH.
        const QString sbin = QStandardPaths::findExecutable(
            name, {QStringLiteral("/usr/sbin"), QStringLiteral("/sbin")});
        if (!sbin.isEmpty())
            return sbin;
    }
    return {};
}

bool underCi() {
    return !qEnvironmentVariableIsEmpty("CI");
}

} // namespace vdn::test
