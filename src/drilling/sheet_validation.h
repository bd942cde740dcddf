#pragma once

#include "drilling/sheet_row.h"
#include "platform/services.h"
#include "session/current_customer.h"

#include <QString>

#include <optional>

class QWidget;

namespace vdn {

class ParamStore;
class SheetForm;
class SheetStore;

// The validation of a drilling sheet: the customer's state, then every
// numbered field against its reference list (unknown values offered for
// registration, cut to ten characters), then the sheet written in one piece
// with its dated version.
class SheetValidation {
public:
    enum class Outcome {
        Refused,  // deleted customer: nothing checked, registered or written
        Declined, // the user refused to register a value: focus on that field, nothing written
        Saved,    // every field known, the sheet row written
        Failed,   // the database failed; the error report was shown, the row left as it was
        ChangedElsewhere, // the row changed since `revision`: nothing written, nothing shown
    };

    SheetValidation(const Services& services, ParamStore& params, SheetStore& sheets)
        : services_(services), params_(params), sheets_(sheets) {}

    // Shows its own messages (refusal, questions, error report) over parent.
    // The sheet's new version is stamped with the clock's time and the
    // driller's name. `revision` is the row version the sheet was read at,
    // none for a sheet the customer did not have.
    Outcome run(SheetForm& form, const CurrentCustomer& customer, const QString& driller,
                std::optional<qint64> revision, QWidget* parent);

    // The refusal shown for a deleted customer, on creating and on saving.
    static QString deletedCustomerMessage();

    // After Saved: the sheet as written, with the row version it now holds.
    const SheetRecord& written() const { return written_; }

private:
    SheetRecord written_;
    Services services_;
    ParamStore& params_;
    SheetStore& sheets_;
};

} // namespace vdn
