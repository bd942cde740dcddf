#include "printing/pdf_check.h"

#include <QFile>

#include <optional>

namespace vdn {

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\r' || c == '\n' || c == '\t' || c == '\f' || c == '\0';
}

// Reads the whole number at `pos` (blanks before it skipped), moving past it.
std::optional<qint64> numberAt(const QByteArray& bytes, qsizetype& pos) {
    while (pos < bytes.size() && isBlank(bytes.at(pos)))
        ++pos;
    const qsizetype start = pos;
    qint64 n = 0;
    while (pos < bytes.size() && bytes.at(pos) >= '0' && bytes.at(pos) <= '9' && pos - start < 18)
        n = n * 10 + (bytes.at(pos++) - '0');
    if (pos == start)
        return std::nullopt;
    return n;
}

// Whether object `number` starts at `offset`: "number generation obj".
bool objectAt(const QByteArray& bytes, qint64 offset, qint64 number) {
    if (offset < 0 || offset >= bytes.size())
        return false;
    qsizetype pos = qsizetype(offset);
    const std::optional<qint64> n = numberAt(bytes, pos);
    if (!n || *n != number || pos >= bytes.size() || !isBlank(bytes.at(pos)))
        return false;
    if (!numberAt(bytes, pos))
        return false;
    while (pos < bytes.size() && isBlank(bytes.at(pos)))
        ++pos;
    return bytes.mid(pos, 3) == "obj";
}

} // namespace

bool isWholePdf(const QByteArray& bytes) {
    if (!bytes.startsWith("%PDF-"))
        return false;
    qsizetype end = bytes.size();
    while (end > 0 && isBlank(bytes.at(end - 1)))
        --end;
    if (end < 5 || bytes.mid(end - 5, 5) != "%%EOF")
        return false;
    const qsizetype start = bytes.lastIndexOf("startxref", end - 5);
    if (start < 0)
        return false;
    qsizetype pos = start + 9;
    const std::optional<qint64> table = numberAt(bytes, pos);
    if (!table || *table >= start)
        return false;
    pos = qsizetype(*table);
    if (bytes.mid(pos, 4) != "xref")
        return false;
    pos += 4;
    // Sections of "first count" then `count` entries "offset generation n|f".
    for (;;) {
        while (pos < bytes.size() && isBlank(bytes.at(pos)))
            ++pos;
        if (bytes.mid(pos, 7) == "trailer")
            return true;
        const std::optional<qint64> first = numberAt(bytes, pos);
        const std::optional<qint64> count = numberAt(bytes, pos);
        // Each entry takes 20 bytes: a count beyond the file is no table.
        if (!first || !count || *count > (start - pos) / 18 + 1)
            return false;
        for (qint64 i = 0; i < *count; ++i) {
            const std::optional<qint64> offset = numberAt(bytes, pos);
            if (!offset || !numberAt(bytes, pos))
                return false;
            while (pos < bytes.size() && isBlank(bytes.at(pos)))
                ++pos;
            if (pos >= start)
                return false;
            const char kind = bytes.at(pos++);
            if (kind == 'n' && !objectAt(bytes, *offset, *first + i))
                return false;
            if (kind != 'n' && kind != 'f')
                return false;
        }
    }
}

Status checkWrittenPdf(const QString& path) {
    QFile f(path);
    QByteArray bytes;
    // No more than the file holds: a device (/dev/full) reads on for ever.
    if (f.open(QIODevice::ReadOnly) && !f.isSequential())
        bytes = f.read(f.size());
    if (f.error() == QFileDevice::NoError && isWholePdf(bytes))
        return {};
    return DataError::other(errnum::PrintFailure,
                            QStringLiteral("Le fichier %1 n'a pas pu être écrit en entier (disque "
                                           "plein ?) : le document n'est pas imprimé.")
                                .arg(path));
}

} // namespace vdn
