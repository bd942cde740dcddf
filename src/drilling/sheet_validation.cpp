#include "drilling/sheet_validation.h"

#include "drilling/sheet_form.h"
#include "drilling/sheet_history.h"
#include "drilling/sheet_store.h"
#include "platform/clock.h"
#include "platform/message_boxes.h"
#include "reference/catalogue.h"
#include "reference/pick_lists.h"
#include "session/error_box.h"

namespace vdn {

QString SheetValidation::deletedCustomerMessage() {
    return QStringLiteral("Ce client est supprimé--Impossible de créer une fiche de percage");
}

SheetValidation::Outcome SheetValidation::run(SheetForm& form, const CurrentCustomer& customer,
                                              const QString& driller,
                                              std::optional<qint64> revision, QWidget* parent) {
    if (customer.deleted()) {
        services_.boxes->message(parent, deletedCustomerMessage());
        return Outcome::Refused;
    }

    // Each thumb insert field comes right after the finger insert field whose
    // list it shares, so a value typed in both is asked about once.
    QList<CheckedPickList> lists;
    for (int n : sheetCheckOrder()) {
        const SheetField* field = sheetFieldOf(n);
        lists.append({form.combo(n), field->listCode, field->promptLabel, SheetRegisteredLength});
    }
    DataError error;
    switch (checkReferenceValues(params_, lists, services_, parent, &error)) {
    case CheckOutcome::Declined:
        return Outcome::Declined;
    case CheckOutcome::Failed:
        erreur_donnees(error, services_, parent);
        return Outcome::Failed;
    case CheckOutcome::Completed:
        break;
    }

    SheetRecord sheet = form.read(customer.code);
    sheet.revision = revision;
    qint64 version = 0;
    if (Status s = sheets_.save(sheet, {services_.clock->now(), driller}, SheetStore::Overwrite::No,
                                &version);
        !s) {
        if (s.error().isChangedElsewhere())
            return Outcome::ChangedElsewhere;
        erreur_donnees(s.error(), services_, parent,
                       QStringLiteral("Enregistrement de la fiche de perçage"));
        return Outcome::Failed;
    }
    written_ = sheet;
    written_.revision = version;
    return Outcome::Saved;
}

} // namespace vdn
