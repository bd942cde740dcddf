#include "session/error_box.h"

#include "platform/message_boxes.h"
#include "platform/pointer.h"
#include "platform/services.h"

namespace vdn {

namespace {
const QString CrLf = QStringLiteral("\r\n");
}

void erreur_donnees(const DataError& error, const Services& services, QWidget* parent,
                    const QString& operation) {
    if (services.pointer)
        services.pointer->setDefault();
    QString text = errorReportText(error, operation);
    services.boxes->beep();
    if (error.engineErrors.isEmpty() || error.engineErrors.first().code != error.number) {
        services.boxes->message(parent, text);
        return;
    }
    text += CrLf + CrLf + QStringLiteral("Afficher la liste des erreurs d'accès aux données?");
    if (services.boxes->question(parent, text))
        services.boxes->message(parent, engineErrorListText(error));
}

} // namespace vdn
