// The reader of imported customer files: whatever the bytes, reading ends
// with either a French message and no rows, or rows that all have as many
// cells as there are columns, each with the file line it starts on, lines
// rising. Guessed options read again as chosen options give the same table.
#include "import/import_text.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 65536)
        return 0;
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const vdn::TextTable t = vdn::readTextTable(bytes, vdn::TextOptions());
    if (!t.error.isEmpty()) {
        if (!t.rows.isEmpty())
            std::abort();
        return 0;
    }
    if (t.lines.size() != t.rows.size())
        std::abort();
    int previous = 0;
    for (qsizetype i = 0; i < t.rows.size(); ++i) {
        if (t.rows[i].size() != t.columns.size() || t.lines[i] <= previous)
            std::abort();
        previous = t.lines[i];
    }
    vdn::TextOptions chosen;
    chosen.encoding = t.encoding;
    chosen.separator = t.separator;
    chosen.header = t.header;
    const vdn::TextTable again = vdn::readTextTable(bytes, chosen);
    if (again.rows != t.rows || again.columns != t.columns || !again.error.isEmpty())
        std::abort();
    return 0;
}
