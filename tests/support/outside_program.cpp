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
#ifdef Q_OS_WIN
    // The Windows test programs run under Wine, which starts none of this
    // machine's Linux programs (pdftotext, LibreOffice, the server's): a
    // missing one is a reason to skip there, under CI too.
    return false;
#else
    return !qEnvironmentVariableIsEmpty("CI");
#endif
}

} // namespace vdn::test
