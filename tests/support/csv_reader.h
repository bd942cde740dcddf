#pragma once

// One reader of comma-separated files for the tests and the fuzz targets:
// it reads the program's exports as a spreadsheet does and says when a line
// would not read back. Header-only, so that a fuzz target can use it without
// the test libraries.

#include <QByteArray>
#include <QList>

#include <optional>

namespace vdn::test {

// Reads a comma-separated file as a spreadsheet does (fields between double
// quotes may hold commas, quotes doubled and line breaks; every line ends in
// CR LF); nullopt when a quote is left open, stray text follows a closing
// quote, or a line lacks its CR LF.
inline std::optional<QList<QList<QByteArray>>> parseCsv(const QByteArray& bytes) {
    QList<QList<QByteArray>> lines;
    QList<QByteArray> fields;
    QByteArray field;
    qsizetype i = 0;
    const qsizetype n = bytes.size();
    while (i < n) {
        field.clear();
        if (bytes[i] == '"') {
            ++i;
            for (;;) {
                if (i >= n)
                    return std::nullopt;
                if (bytes[i] == '"') {
                    if (i + 1 < n && bytes[i + 1] == '"') {
                        field.append('"');
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                field.append(bytes[i++]);
            }
        } else {
            while (i < n && bytes[i] != ',' && bytes[i] != '\r' && bytes[i] != '\n') {
                if (bytes[i] == '"')
                    return std::nullopt;
                field.append(bytes[i++]);
            }
        }
        fields << field;
        if (i < n && bytes[i] == ',') {
            ++i;
            continue;
        }
        if (i + 1 < n && bytes[i] == '\r' && bytes[i + 1] == '\n') {
            i += 2;
            lines << fields;
            fields.clear();
            continue;
        }
        return std::nullopt; // a bare CR or LF, or text after a closing quote
    }
    if (!fields.isEmpty())
        return std::nullopt; // last line without its CR LF
    return lines;
}

// The fields of a file that holds exactly one line; nullopt otherwise.
inline std::optional<QList<QByteArray>> parseCsvLine(const QByteArray& bytes) {
    std::optional<QList<QList<QByteArray>>> lines = parseCsv(bytes);
    if (!lines || lines->size() != 1)
        return std::nullopt;
    return lines->first();
}

} // namespace vdn::test
