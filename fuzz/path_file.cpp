// The CHEMIN.QZ reader takes any content: it returns a trimmed single line or
// a refusal, never crashes, and never returns a line with a line break.
#include "app/path_file.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray content(reinterpret_cast<const char*>(data), qsizetype(size));
    const vdn::Result<QString> base = vdn::parsePathFile(content, QStringLiteral("CHEMIN.QZ"));
    if (base.ok()) {
        const QString& line = *base;
        if (line.contains(QLatin1Char('\n')) || line.contains(QLatin1Char('\r')) ||
            line != line.trimmed() || line.size() > 4096)
            std::abort();
    } else if (base.error().text.isEmpty()) {
        std::abort();
    }
    return 0;
}
