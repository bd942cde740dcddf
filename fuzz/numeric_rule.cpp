// The numeric entry rule of the maintenance window: any typed text gives a
// verdict; an accepted or out-of-range value is a well-formed French number
// that the rule accepts unchanged when typed again, and whose val() reading
// agrees with the parsed number.
#include "data/val.h"
#include "reference/catalogue.h"

#include <QRegularExpression>

#include <cmath>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 4096)
        return 0;
    const QString typed = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    static const QRegularExpression wellFormed(QStringLiteral("^-?\\d+(,\\d+)?$"));
    for (const vdn::BallCode& code : vdn::ballCodes()) {
        if (!code.numeric)
            continue;
        const vdn::NumericEntry e = vdn::applyNumericRule(*code.numeric, typed);
        if (e.outcome == vdn::NumericEntry::Outcome::NotNumeric) {
            if (e.message.isEmpty())
                std::abort();
            continue;
        }
        if (!wellFormed.match(e.formatted).hasMatch())
            std::abort();
        const vdn::NumericEntry again = vdn::applyNumericRule(*code.numeric, e.formatted);
        if (again.outcome != e.outcome || again.formatted != e.formatted)
            std::abort();
        const std::optional<double> parsed = vdn::parseTypedNumber(e.formatted);
        const double v = vdn::val(QStringView(e.formatted));
        if (!parsed || (std::isfinite(*parsed) && std::isfinite(v) &&
                        std::fabs(*parsed - v) > 1e-9 * std::max(1.0, std::fabs(v))))
            std::abort();
    }
    return 0;
}
