#include "reference/pick_lists.h"

#include "data/text.h"
#include "platform/message_boxes.h"
#include "platform/services.h"
#include "reference/catalogue.h"

#include <QComboBox>
#include <QLineEdit>

namespace vdn {

void configurePickList(QComboBox* combo) {
    combo->setEditable(true);
    combo->setCompleter(nullptr);
    combo->setInsertPolicy(QComboBox::NoInsert);
    combo->setDuplicatesEnabled(true);
    combo->setMaxVisibleItems(20);
}

Status fillPickLists(const ParamStore& store, int code, ListOrder order,
                     const QList<QComboBox*>& combos) {
    Result<QStringList> values = store.values(code, order);
    if (!values)
        return values.error();
    if (values->isEmpty())
        return DataError::other(errnum::NoCurrentRecord,
                                QStringLiteral("Aucun enregistrement en cours : la liste de "
                                               "valeurs %1 est vide")
                                    .arg(code));
    for (QComboBox* combo : combos) {
        combo->clear();
        combo->addItems(*values);
        combo->setCurrentIndex(0);
        combo->setEditText(values->first());
    }
    return {};
}

CheckOutcome checkReferenceValues(ParamStore& store, const QList<CheckedPickList>& lists,
                                  const Services& services, QWidget* parent, DataError* error) {
    for (const CheckedPickList& list : lists) {
        const QString text = list.combo->currentText();
        Result<bool> known = store.contains(list.code, text);
        if (!known) {
            if (error)
                *error = known.error();
            return CheckOutcome::Failed;
        }
        if (*known)
            continue;
        const QString cut = list.cutLength > 0 ? leftChars(text, list.cutLength) : text;
        if (!services.boxes->question(parent, unknownValueQuestion(list.promptLabel, cut))) {
            list.combo->setFocus(Qt::OtherFocusReason);
            return CheckOutcome::Declined;
        }
        if (Status s = store.add(list.code, cut); !s) {
            if (error)
                *error = s.error();
            return CheckOutcome::Failed;
        }
        if (cut != text)
            list.combo->setEditText(cut);
    }
    return CheckOutcome::Completed;
}

} // namespace vdn
