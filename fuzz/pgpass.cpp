// The password file writer takes any existing file: it never crashes, keeps
// every line that is not the login's own byte for byte and in order, and
// the first line libpq would read for the login is the new entry with its
// password. Writing the same entry again changes nothing.
#include "data/server_login.h"

#include <cstdint>
#include <cstdlib>

namespace {

const vdn::ServerLogin Logins[] = {
    {"srv", 5432, "vordan", "vendeur"},
    {"/run/postgresql", 5433, "ba:se", "r\\o"},
    {"::1", 1, "*x", "é"},
};

// The first four fields of a line as libpq matches them, wildcards aside:
// true when the line names this login exactly.
bool namesLogin(const QStringList& fields, const QStringList& wanted) {
    return fields.size() == 5 && fields.mid(0, 4) == wanted;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    const vdn::ServerLogin& login = Logins[data[0] % 3];
    const QByteArray input(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    // The last line of the input is the password, the rest the file.
    const qsizetype cut = input.lastIndexOf('\n');
    const QByteArray existing = cut < 0 ? QByteArray() : input.left(cut + 1);
    const QString password = QString::fromUtf8(input.mid(cut + 1));
    // A password the file cannot hold is refused before it is written.
    if (!vdn::passwordFileCanHold(password))
        return 0;
    const QByteArray out = vdn::passwordFileWithEntry(existing, login, password);
    if (!out.endsWith('\n'))
        std::abort();
    const QStringList wanted{login.host.startsWith('/') ? QStringLiteral("localhost") : login.host,
                             QString::number(login.port), login.database, login.role};
    QList<QByteArray> outLines = out.split('\n');
    outLines.removeLast();
    // Exactly one line names the login, with the password.
    qsizetype entry = -1;
    for (qsizetype i = 0; i < outLines.size(); ++i) {
        const QStringList f = vdn::passwordFileFields(QString::fromUtf8(outLines[i]));
        if (namesLogin(f, wanted)) {
            if (entry >= 0 || f[4] != password)
                std::abort();
            entry = i;
        }
    }
    if (entry < 0)
        std::abort();
    // The other lines: those of the file that did not name the login.
    QList<QByteArray> kept;
    QList<QByteArray> inLines = existing.split('\n');
    inLines.removeLast();
    for (const QByteArray& line : inLines)
        if (!namesLogin(vdn::passwordFileFields(QString::fromUtf8(line)), wanted))
            kept.append(line);
    outLines.removeAt(entry);
    if (outLines != kept)
        std::abort();
    if (vdn::passwordFileWithEntry(out, login, password) != out)
        std::abort();
    return 0;
}
