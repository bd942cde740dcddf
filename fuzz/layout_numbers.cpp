// The reader of layout numbers (pick-list texts, sheet fields, typed
// entries): any text gives a value or a refusal, never a crash; a value read
// is finite, and the program's own writings of it read back as the same
// value.
#include "driller/layout_numbers.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>

using namespace vdn::layout;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 4096)
        return 0;
    const QString typed = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    for (Quantity q : {Quantity::Angle, Quantity::Distance, Quantity::Height}) {
        const std::optional<double> v = readQuantity(typed, q);
        if (!v)
            continue;
        if (!std::isfinite(*v))
            std::abort();
        const double magnitude = std::fabs(*v);
        if (magnitude > 1e6)
            continue;
        // Three decimals, and the nearest sixteenth, read back as distances.
        const std::optional<double> decimal =
            readQuantity(plainNumber(magnitude, 3), Quantity::Distance);
        if (!decimal || std::fabs(*decimal - magnitude) > 0.0005 + 1e-9)
            std::abort();
        const std::optional<double> sixteenth =
            readQuantity(nearestSixteenth(magnitude), Quantity::Distance);
        if (!sixteenth || std::fabs(*sixteenth - magnitude) > 1.0 / 32 + 1e-9)
            std::abort();
        const std::optional<double> stored =
            readQuantity(storedDistance(magnitude), Quantity::Distance);
        if (!stored || std::fabs(*stored - magnitude) > 0.005 + 1e-9)
            std::abort();
        if (inchesText(*v).isEmpty() || storedAngle(*v).isEmpty())
            std::abort();
    }
    return 0;
}
