#include "platform/network_folder.h"

#include <QList>
#include <QString>

namespace vdn {

namespace {

// "\040" in a mounts table stands for a blank, and so on.
QString unescapeMountPath(const QByteArray& field) {
    QByteArray out;
    for (qsizetype i = 0; i < field.size(); ++i) {
        if (field.at(i) == '\\' && i + 3 < field.size()) {
            bool ok = false;
            const int code = field.mid(i + 1, 3).toInt(&ok, 8);
            if (ok) {
                out.append(char(code));
                i += 3;
                continue;
            }
        }
        out.append(field.at(i));
    }
    return QString::fromUtf8(out);
}

bool isNetworkType(const QByteArray& type) {
    static const QList<QByteArray> types{"nfs",        "nfs4", "cifs",  "smb3", "smbfs",
                                         "fuse.sshfs", "afs",  "ncpfs", "9p"};
    return types.contains(type);
}

} // namespace

bool onNetworkMount(const QString& path, const QByteArray& mountsTable) {
    qsizetype longest = -1;
    bool network = false;
    for (const QByteArray& line : mountsTable.split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() < 3)
            continue;
        QString point = unescapeMountPath(fields.at(1));
        if (!point.endsWith(QLatin1Char('/')))
            point += QLatin1Char('/');
        QString inside = path;
        if (!inside.endsWith(QLatin1Char('/')))
            inside += QLatin1Char('/');
        if (!inside.startsWith(point) || point.size() <= longest)
            continue;
        longest = point.size();
        network = isNetworkType(fields.at(2));
    }
    return network;
}

} // namespace vdn
