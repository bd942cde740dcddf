#include "customers/customer_record_controller.h"

#include "customers/customer_record_panel.h"
#include "data/error_report.h"
#include "data/globals.h"
#include "platform/message_boxes.h"
#include "platform/pointer.h"

namespace vdn {

CustomerRecordController::CustomerRecordController(const Services& services,
                                                   CustomerStore& customers,
                                                   CustomerRecordPanel& panel, QObject* parent)
    : QObject(parent), services_(services), customers_(customers), panel_(panel) {
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
    if (!en_ajout && !en_modif)
        return;
    panel_.setCode(formatCustomerCode(panel_.code()));
    // Only a new customer can run into an existing code.
    if (!en_ajout || panel_.code().trimmed().isEmpty())
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
    if (panel_.current().deleted()) {
        refuse(QStringLiteral("Cette fiche est supprimée et non modifiable"), nullptr);
        emit cancelRequested();
        return;
    }
    if (panel_.code().trimmed().isEmpty()) {
        refuse(QStringLiteral(" N° client obligatoire"), &CustomerRecordPanel::focusCode);
        return;
    }
    // A new number must stay a number: the next customer's is counted from
    // the highest one.
    if (en_ajout && !isCustomerNumber(panel_.code())) {
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
        erreur_donnees(existing.error(), services_, panel_.window(),
                       QStringLiteral("Enregistrement du client"));
        return;
    }
    if (existing->has_value() && en_ajout) {
        // The entry stays as typed: only the code needs changing.
        refuse(QStringLiteral("Ce code existe déjà"), &CustomerRecordPanel::focusCode);
        return;
    }
    if (!existing->has_value() && en_modif) {
        refuse(QStringLiteral("Ce code n'existe pas"), nullptr);
        emit cancelRequested();
        return;
    }
    const CustomerRecord row = panel_.ecrit_client();
    const Status written = en_ajout ? customers_.insert(row) : customers_.update(row);
    if (!written) {
        erreur_donnees(written.error(), services_, panel_.window(),
                       QStringLiteral("Enregistrement du client"));
        return;
    }
    emit cancelRequested();
}

} // namespace vdn
