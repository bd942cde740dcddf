#include "session/changed_elsewhere.h"

#include "platform/message_boxes.h"

namespace vdn {

QString changedElsewhereQuestion(const QString& headline, const QStringList& fields) {
    return QStringLiteral("%1\nChamps modifiés sur l'autre poste : %2.\n\n"
                          "Reprendre les valeurs enregistrées sur l'autre poste ?\n"
                          "Oui : votre saisie est abandonnée, ces valeurs sont affichées.\n"
                          "Non : votre saisie reste à l'écran et peut être enregistrée "
                          "par-dessus.")
        .arg(headline, fields.join(QStringLiteral(", ")));
}

QString overwriteQuestion() {
    return QStringLiteral("Enregistrer votre saisie par-dessus les modifications faites sur "
                          "l'autre poste ? Elles seront perdues.");
}

ChangedElsewhereChoice askChangedElsewhere(MessageBoxes& boxes, QWidget* parent,
                                           const QString& headline, const QStringList& fields) {
    if (fields.isEmpty())
        return ChangedElsewhereChoice::Overwrite;
    if (boxes.question(parent, changedElsewhereQuestion(headline, fields)))
        return ChangedElsewhereChoice::Reload;
    if (boxes.question(parent, overwriteQuestion()))
        return ChangedElsewhereChoice::Overwrite;
    return ChangedElsewhereChoice::KeepEntry;
}

} // namespace vdn
