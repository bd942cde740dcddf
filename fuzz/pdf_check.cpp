// The check of a written PDF takes any bytes: it never crashes, and calls
// nothing whole that is not even headed as a PDF.
#include "printing/pdf_check.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    if (vdn::isWholePdf(bytes) && !bytes.startsWith("%PDF-"))
        std::abort();
    return 0;
}
