// The customer export's line writer: whatever the fields hold, the line reads
// back (quote-aware, as a spreadsheet reads it) as exactly as many fields as
// were written, each equal to its own Windows-1252 encoding, with one CR LF at
// its end and no line break outside quotes. No character outside ASCII may
// turn into a comma, a quote or a line break.
//
// Input: a first byte choosing how the rest is read (even: UTF-8, odd: raw
// UTF-16 so lone surrogates come in too), then the fields separated by 0xFF
// (UTF-8) or U+FFFF (UTF-16).
#include "printing/csv_line.h"
#include "support/csv_reader.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <optional>

namespace {

qsizetype countOf(const QByteArray& bytes, char c) {
    return bytes.count(c);
}
qsizetype countOf(const QString& text, char c) {
    return text.count(QLatin1Char(c));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0 || size > 65536)
        return 0;
    const bool utf16 = data[0] & 1;
    ++data;
    --size;
    QStringList fields;
    if (utf16) {
        QList<char16_t> units(qsizetype(size / 2));
        if (!units.isEmpty())
            std::memcpy(units.data(), data, size_t(units.size()) * 2);
        const QString all(reinterpret_cast<const QChar*>(units.constData()), units.size());
        fields = all.split(QChar(0xFFFF));
    } else {
        const QByteArray all(reinterpret_cast<const char*>(data), qsizetype(size));
        for (const QByteArray& part : all.split('\xFF'))
            fields << QString::fromUtf8(part);
    }

    for (const QString& f : fields) {
        const QByteArray encoded = vdn::toWindows1252(f);
        // One byte per character.
        if (encoded.size() != f.toUcs4().size())
            std::abort();
        for (const char c : {',', '"', '\r', '\n', '\0'})
            if (countOf(encoded, c) != countOf(f, c))
                std::abort();
    }

    const QByteArray line = vdn::csvLine(fields);
    const std::optional<QList<QByteArray>> back = vdn::test::parseCsvLine(line);
    if (!back || back->size() != fields.size())
        std::abort();
    for (qsizetype i = 0; i < fields.size(); ++i)
        if ((*back)[i] != vdn::toWindows1252(fields[i]))
            std::abort();
    return 0;
}
