#include "printing/csv_line.h"

namespace vdn {

namespace {

// Code points of the bytes 0x80 to 0x9F; 0 where the code page has none.
constexpr char16_t Specials[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, //
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,      //
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, //
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

char encode(char32_t c) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return char(c);
    for (int i = 0; i < 32; ++i)
        if (Specials[i] != 0 && Specials[i] == c)
            return char(0x80 + i);
    return '?';
}

} // namespace

void appendWindows1252(QStringView text, QByteArray& out) {
    // Walks the UTF-16 units in place: a pair of surrogates is one character,
    // which the code page lacks.
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t u = text[i].unicode();
        if (QChar::isHighSurrogate(u) && i + 1 < n &&
            QChar::isLowSurrogate(text[i + 1].unicode())) {
            ++i;
            out.append('?');
        } else {
            out.append(encode(u));
        }
    }
}

QByteArray toWindows1252(QStringView text) {
    QByteArray out;
    out.reserve(text.size());
    appendWindows1252(text, out);
    return out;
}

bool appendCsvFieldUtf8(const char* text, qsizetype size, QByteArray& out) {
    const auto* s = reinterpret_cast<const unsigned char*>(text);
    bool quoted = false;
    for (qsizetype i = 0; i < size && !quoted; ++i)
        quoted = s[i] == ',' || s[i] == '"' || s[i] == '\r' || s[i] == '\n';
    // Room for the worst case, every byte a doubled quote, then written in
    // place and cut to what was written.
    const qsizetype start = out.size();
    out.resize(start + 2 * size + 2);
    char* p = out.data() + start;
    const auto fail = [&]() {
        out.truncate(start);
        return false;
    };
    if (quoted)
        *p++ = '"';
    for (qsizetype i = 0; i < size;) {
        const unsigned char lead = s[i];
        if (lead < 0x80) {
            if (lead == '"')
                *p++ = '"';
            *p++ = char(lead);
            ++i;
            continue;
        }
        int length = 0;
        char32_t c = 0;
        if ((lead & 0xE0) == 0xC0) {
            length = 2;
            c = lead & 0x1F;
        } else if ((lead & 0xF0) == 0xE0) {
            length = 3;
            c = lead & 0x0F;
        } else if ((lead & 0xF8) == 0xF0) {
            length = 4;
            c = lead & 0x07;
        } else {
            return fail();
        }
        if (size - i < length)
            return fail();
        for (int k = 1; k < length; ++k) {
            const unsigned char next = s[i + k];
            if ((next & 0xC0) != 0x80)
                return fail();
            c = (c << 6) | (next & 0x3F);
        }
        // Overlong forms, surrogates and values beyond Unicode are not
        // well-formed.
        if ((length == 2 && c < 0x80) ||
            (length == 3 && (c < 0x800 || (c >= 0xD800 && c <= 0xDFFF))) ||
            (length == 4 && (c < 0x10000 || c > 0x10FFFF)))
            return fail();
        // Beyond the Basic Multilingual Plane: one mark, as for a surrogate pair.
        *p++ = length == 4 ? '?' : encode(c);
        i += length;
    }
    if (quoted)
        *p++ = '"';
    out.truncate(p - out.data());
    return true;
}

QString csvField(const QString& value) {
    if (!value.contains(QLatin1Char(',')) && !value.contains(QLatin1Char('"')) &&
        !value.contains(QLatin1Char('\r')) && !value.contains(QLatin1Char('\n')))
        return value;
    QString quoted = value;
    quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

QByteArray csvLine(const QStringList& fields) {
    QStringList quoted;
    quoted.reserve(fields.size());
    for (const QString& f : fields)
        quoted << csvField(f);
    return toWindows1252(quoted.join(QLatin1Char(',')) + QStringLiteral("\r\n"));
}

} // namespace vdn
