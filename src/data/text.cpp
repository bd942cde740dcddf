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

} // namespace vdn
