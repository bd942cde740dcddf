#include "customers/customer_record_controller.h"

#include "customers/customer_record_panel.h"
#include "platform/message_boxes.h"
#include "platform/pointer.h"
#include "session/error_box.h"
#include "session/record_mode.h"
#include "widgets/changed_elsewhere.h"

namespace vdn {

namespace {

const QString SavingCustomer = QStringLiteral("Enregistrement du client");

} // namespace

QStringList changedCustomerFields(const CustomerRecord& before, const CustomerRecord& now) {
    QStringList names;
    for (int i = 0; i < CustomerFieldCount; ++i) {
        const auto f = static_cast<CustomerField>(i);
        if (before.text(f) != now.text(f))
            names << fieldCaption(f);
    }
    return names;
}

QList<FieldReadings> customerReadings(const CustomerRecord& shown, const CustomerRecord& typed,
                                      const CustomerRecord& stored) {
    QList<FieldReadings> fields;
    for (int i = 0; i < CustomerFieldCount; ++i) {
        const auto f = static_cast<CustomerField>(i);
        fields.append({fieldCaption(f), shown.text(f), typed.text(f), stored.text(f)});
    }
    return fields;
}

QString movedCodeMessage(const QString& proposed, const QString& used) {
    return QStringLiteral("Le code %1 a été pris sur un autre poste entre-temps : le client est "
                          "enregistré sous le code %2.")
        .arg(proposed, used);
}

CustomerRecordController::CustomerRecordController(const Services& services,
                                                   CustomerStore& customers,
                                                   const SheetStore& sheets,
                                                   CustomerRecordPanel& panel,
                                                   const RecordMode& mode, QObject* parent)
    : QObject(parent), services_(services), customers_(customers), sheets_(sheets), panel_(panel),
      mode_(mode) {
    connect(&panel, &CustomerRecordPanel::validateClicked, this,
            &CustomerRecordController::validate);
    connect(&panel, &CustomerRecordPanel::codeLeft, this, &CustomerRecordController::codeCheck);
}

void CustomerRecordController::refuse(const QString& message, FocusCall focus) {
    services_.pointer->setDefault();
    services_.boxes->message(panel_.window(), message);
    if (focus)
        (panel_.*focus)();
}

void CustomerRecordController::codeCheck() {
    if (!mode_.entering())
        return;
    panel_.setCode(formatCustomerCode(panel_.code()));
    // Only a new customer can run into an existing code; the proposed one,
    // if another workstation took it meanwhile, moves when it is saved.
    if (!mode_.en_ajout || panel_.code().trimmed().isEmpty() || panel_.code() == proposedCode_)
        return;
    Result<std::optional<CustomerRecord>> existing = customers_.byCode(panel_.code());
    if (!existing) {
        erreur_donnees(existing.error(), services_, panel_.window());
        return;
    }
    if (existing->has_value())
        refuse(QStringLiteral("Ce code existe déjà"), &CustomerRecordPanel::focusCode);
}

void CustomerRecordController::validate() {
    BusyPointer busy(*services_.pointer);
    if (customer_.deleted()) {
        refuse(QStringLiteral("Cette fiche est supprimée et non modifiable"), nullptr);
        emit entryEnded();
        return;
    }
    if (panel_.code().trimmed().isEmpty()) {
        refuse(QStringLiteral(" N° client obligatoire"), &CustomerRecordPanel::focusCode);
        return;
    }
    // A new number must stay a number: the next customer's is counted from
    // the highest one.
    if (mode_.en_ajout && !isCustomerNumber(panel_.code())) {
        refuse(QStringLiteral(" N° client non numérique"), &CustomerRecordPanel::focusCode);
        return;
    }
    if (panel_.name().trimmed().isEmpty()) {
        refuse(QStringLiteral(" Nom obligatoire"), &CustomerRecordPanel::focusName);
        return;
    }
    panel_.setCode(formatCustomerCode(panel_.code()));
    // From here on the customer written is the one Txtcod shows.
    const QString code = panel_.code();
    Result<std::optional<CustomerRecord>> existing = customers_.byCode(code);
    if (!existing) {
        erreur_donnees(existing.error(), services_, panel_.window(), SavingCustomer);
        return;
    }
    if (existing->has_value() && mode_.en_ajout && code != proposedCode_) {
        // The entry stays as typed: only the code needs changing.
        refuse(QStringLiteral("Ce code existe déjà"), &CustomerRecordPanel::focusCode);
        return;
    }
    if (!existing->has_value() && mode_.en_modif) {
        if (keepAsNewCustomer(panel_.ecrit_client()))
            emit entryEnded();
        return;
    }
    const CustomerRecord row = panel_.ecrit_client();
    if (mode_.en_ajout ? insertNew(row) : updateChecked(row))
        emit entryEnded();
}

bool CustomerRecordController::insertNew(const CustomerRecord& row) {
    const QString code = row.text(CustomerField::Cod);
    if (code != proposedCode_) {
        const Status written = customers_.insert(row);
        if (written)
            return true;
        if (written.error().isDuplicateKey())
            // Typed, and taken meanwhile by another workstation.
            refuse(QStringLiteral("Ce code existe déjà"), &CustomerRecordPanel::focusCode);
        else
            erreur_donnees(written.error(), services_, panel_.window(), SavingCustomer);
        return false;
    }
    Result<QString> used = customers_.insertUnderFreeCode(row, sheets_);
    if (!used) {
        erreur_donnees(used.error(), services_, panel_.window(), SavingCustomer);
        return false;
    }
    if (used->isEmpty()) {
        refuse(QStringLiteral("Plus aucun numéro de client libre"),
               &CustomerRecordPanel::focusCode);
        return false;
    }
    if (*used != code) {
        // Txtcod shows the code the customer now has.
        panel_.setCode(*used);
        proposedCode_ = *used;
        services_.pointer->setDefault();
        services_.boxes->message(panel_.window(), movedCodeMessage(code, *used));
    }
    return true;
}

bool CustomerRecordController::keepAsNewCustomer(CustomerRecord row) {
    services_.pointer->setDefault();
    const QString code = row.text(CustomerField::Cod);
    if (!services_.boxes->question(
            panel_.window(),
            QStringLiteral("Le client %1 a été supprimé sur un autre poste pendant sa "
                           "modification.\nEnregistrer ce que vous avez saisi comme un nouveau "
                           "client ?")
                .arg(code)))
        return true;
    // A new number, as for any new customer: the old one may still name
    // sheets and drillings of the customer deleted.
    Result<QString> next = customers_.nextCode(sheets_);
    if (!next) {
        erreur_donnees(next.error(), services_, panel_.window(), SavingCustomer);
        return false;
    }
    row.set(CustomerField::Cod, *next);
    row.revision = 0;
    Result<QString> used = customers_.insertUnderFreeCode(row, sheets_);
    if (!used) {
        erreur_donnees(used.error(), services_, panel_.window(), SavingCustomer);
        return false;
    }
    if (used->isEmpty()) {
        refuse(QStringLiteral("Plus aucun numéro de client libre"), nullptr);
        return false;
    }
    panel_.setCode(*used);
    services_.boxes->message(panel_.window(),
                             QStringLiteral("Client enregistré sous le code %1").arg(*used));
    return true;
}

bool CustomerRecordController::updateChecked(CustomerRecord row) {
    Status written = customers_.update(row);
    QStringList keptFromOther;
    // What the entry began from: the fields it changed are those differing.
    CustomerRecord shown = panel_.loaded();
    if (!written && written.error().number == errnum::NoCurrentRecord) {
        // Deleted for good elsewhere since it was shown.
        return keepAsNewCustomer(row);
    }
    while (!written && written.error().isChangedElsewhere()) {
        Result<std::optional<CustomerRecord>> now = customers_.byCode(row.text(CustomerField::Cod));
        if (!now) {
            erreur_donnees(now.error(), services_, panel_.window(), SavingCustomer);
            return false;
        }
        if (!now->has_value()) {
            // Deleted for good elsewhere: as when the code is gone before.
            return keepAsNewCustomer(row);
        }
        services_.pointer->setDefault();
        const QString headline =
            QStringLiteral("Le client %1 a été modifié sur un autre poste depuis son affichage.")
                .arg(row.text(CustomerField::Cod));
        const CustomerRecord& stored = **now;
        const std::optional<MergeDecision> merge = mergeChangedElsewhere(
            *services_.boxes, panel_.window(), headline, customerReadings(shown, row, stored));
        if (!merge)
            return false; // the entry stays on screen, nothing written
        for (int i = 0; i < CustomerFieldCount; ++i)
            if (merge->takeStored[i])
                row.set(static_cast<CustomerField>(i), stored.text(static_cast<CustomerField>(i)));
        keptFromOther = merge->keptFromOther;
        shown = stored;
        // Over the version just read: a change made meanwhile is merged again.
        row.revision = stored.revision;
        written = customers_.update(row);
    }
    if (!written) {
        erreur_donnees(written.error(), services_, panel_.window(), SavingCustomer);
        return false;
    }
    if (!keptFromOther.isEmpty())
        services_.boxes->message(panel_.window(), keptFromOtherNotice(keptFromOther));
    return true;
}

} // namespace vdn
