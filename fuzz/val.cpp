// val() must read any byte sequence without crashing, agree between its UTF-8
// and UTF-16 entry points on valid text, and never return NaN.
#include "data/val.h"

#include <QString>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const double a = vdn::val(bytes);
    if (std::isnan(a))
        std::abort();
    const QString text = QString::fromUtf8(bytes.data(), qsizetype(bytes.size()));
    if (text.toUtf8() == QByteArray(bytes.data(), qsizetype(bytes.size()))) {
        const double b = vdn::val(QStringView(text));
        if (!(a == b || (std::isinf(a) && std::isinf(b))))
            std::abort();
    }
    return 0;
}
