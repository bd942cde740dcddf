// The reader of layout numbers (pick-list texts, sheet fields, typed
// entries): any text gives a value or a refusal, never a crash; a value read
// is finite, and the program's own writings of it read back as the same
// value. The stored measures' reader (a number, or the text the window once
// showed) gives a number whose shown text converts back to it.
#include "driller/layout_numbers.h"
#include "data/drilling_fields.h"

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
        // At most six whole digits are read: a value that rounds up to a
        // seventh (999999,99…) is written as no reader takes it.
        if (magnitude >= 999999)
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
        // A typed value is written exactly, and read back as itself.
        const std::optional<double> typedBack =
            readQuantity(typedInchesText(magnitude), Quantity::Distance);
        if (!typedBack || std::fabs(*typedBack - magnitude) > 1e-6 * (1 + magnitude))
            std::abort();
    }
    if (const std::optional<QString> stored = vdn::inchesFromShown(typed);
        stored && !stored->isEmpty()) {
        bool number = false;
        const double inches = stored->toDouble(&number);
        if (!number || !std::isfinite(inches))
            std::abort();
        if (std::fabs(inches) < 999999 && vdn::inchesFromShown(inchesText(inches)) != *stored)
            std::abort();
    }
    return 0;
}
