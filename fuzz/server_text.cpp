// The check of text a server can hold must agree with Qt's UTF-8 decoder,
// which gives back the same bytes, without an error, only for well-formed
// UTF-8.
#include "data/text.h"

#include <QString>
#include <QStringDecoder>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const QByteArray raw(bytes.data(), qsizetype(bytes.size()));
    // A leading byte order mark is a character like any other here.
    QStringDecoder decode(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
    const QString text = decode(raw);
    const bool wellFormed = !decode.hasError() && text.toUtf8() == raw;
    const bool withNul = std::memchr(bytes.data(), 0, bytes.size()) != nullptr;
    if (vdn::isServerText(bytes) != (wellFormed && !withNul))
        std::abort();
    return 0;
}
