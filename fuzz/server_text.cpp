// The check of text a server can hold must agree with Qt's UTF-8 decoder,
// which gives back the same bytes only for well-formed UTF-8.
#include "data/text.h"

#include <QString>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const QByteArray raw(bytes.data(), qsizetype(bytes.size()));
    const bool wellFormed = QString::fromUtf8(raw).toUtf8() == raw;
    const bool withNul = std::memchr(bytes.data(), 0, bytes.size()) != nullptr;
    if (vdn::isServerText(bytes) != (wellFormed && !withNul))
        std::abort();
    return 0;
}
