// The reader of imported customer files: whatever the bytes, reading ends
// with either a French message and no rows, or rows that all have as many
// cells as there are columns, each with the file line it starts on, lines
// rising. Guessed options read again as chosen options give the same table.
// A file that mixes encodings names lines of both kinds, each line once,
// within the file, and says so; read in one chosen encoding, it says so too.
#include "import/import_text.h"

#include <cstdint>
#include <cstdlib>

namespace {

void checkLines(const vdn::TextTable& t, int fileLines) {
    if (t.utf8Lines.isEmpty() != t.otherLines.isEmpty() ||
        t.utf8Lines.isEmpty() != t.warning.isEmpty())
        std::abort();
    for (const QList<int>* lines : {&t.utf8Lines, &t.otherLines}) {
        int previous = 0;
        for (const int line : *lines) {
            if (line <= previous || line > fileLines ||
                t.utf8Lines.contains(line) == t.otherLines.contains(line))
                std::abort();
            previous = line;
        }
    }
    for (qsizetype i = 0; i < t.rows.size(); ++i)
        if (!vdn::encodingNote(t, i).isEmpty() && t.warning.isEmpty())
            std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 65536)
        return 0;
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const int fileLines = int(bytes.count('\n') + bytes.count('\r')) + 1;
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
    checkLines(t, fileLines);
    // Lines of two encodings are read line by line, and only they are.
    if ((t.encoding == vdn::TextEncoding::PerLine) != !t.warning.isEmpty())
        std::abort();
    vdn::TextOptions chosen;
    chosen.encoding = t.encoding;
    chosen.separator = t.separator;
    chosen.header = t.header;
    const vdn::TextTable again = vdn::readTextTable(bytes, chosen);
    if (again.rows != t.rows || again.columns != t.columns || !again.error.isEmpty() ||
        again.warning != t.warning)
        std::abort();
    // The first data line found, chosen by hand, reads the same table.
    if (t.firstDataLine > 0) {
        chosen.firstDataLine = t.firstDataLine;
        const vdn::TextTable fromLine = vdn::readTextTable(bytes, chosen);
        if (fromLine.rows != t.rows || fromLine.columns != t.columns)
            std::abort();
        chosen.firstDataLine.reset();
    }
    // Read in one encoding instead, the same lines are named.
    if (t.encoding == vdn::TextEncoding::Utf16)
        return 0;
    chosen.encoding = vdn::TextEncoding::Iso885915;
    const vdn::TextTable single = vdn::readTextTable(bytes, chosen);
    if (single.error.isEmpty()) {
        checkLines(single, fileLines);
        if (single.utf8Lines != t.utf8Lines || single.otherLines != t.otherLines)
            std::abort();
    }
    return 0;
}
