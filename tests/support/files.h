#pragma once

// Writing whole files in a test's temporary folders.

#include <QByteArray>
#include <QString>

namespace vdn::test {

// Writes the bytes as the whole file; false when it could not.
bool writeFile(const QString& path, const QByteArray& bytes);

} // namespace vdn::test
