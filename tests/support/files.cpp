#include "support/files.h"

#include <QFile>

namespace vdn::test {

bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

} // namespace vdn::test
