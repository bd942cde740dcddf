#include "data/text.h"

namespace vdn {

QString leftChars(const QString& text, int n) {
    if (n <= 0)
        return QString(QLatin1String(""));
    qsizetype units = 0;
    int chars = 0;
    while (units < text.size() && chars < n) {
        units += (text.at(units).isHighSurrogate() && units + 1 < text.size() &&
                  text.at(units + 1).isLowSurrogate())
                     ? 2
                     : 1;
        ++chars;
    }
    return text.left(units);
}

bool isServerText(std::string_view bytes) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const auto* end = p + bytes.size();
    while (p < end) {
        const unsigned char c = *p;
        if (c == 0)
            return false;
        if (c < 0x80) {
            ++p;
            continue;
        }
        // The bytes that follow, the bits of the first byte, and the least
        // code point that needs that many bytes.
        int more = 3;
        char32_t code = c & 0x07, least = 0x10000;
        if ((c & 0xE0) == 0xC0) {
            more = 1;
            code = c & 0x1F;
            least = 0x80;
        } else if ((c & 0xF0) == 0xE0) {
            more = 2;
            code = c & 0x0F;
            least = 0x800;
        } else if ((c & 0xF8) != 0xF0) {
            return false; // a continuation byte first, or 0xF8 and above
        }
        if (end - p <= more)
            return false;
        for (int i = 1; i <= more; ++i) {
            if ((p[i] & 0xC0) != 0x80)
                return false;
            code = (code << 6) | (p[i] & 0x3F);
        }
        if (code < least || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
            return false;
        p += more + 1;
    }
    return true;
}

} // namespace vdn
