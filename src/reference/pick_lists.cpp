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

namespace {
Status fillWith(const QStringList& values, int code, const QList<QComboBox*>& combos) {
    if (values.isEmpty())
        return DataError::other(errnum::NoCurrentRecord,
                                QStringLiteral("Aucun enregistrement en cours : la liste de "
                                               "valeurs %1 est vide")
                                    .arg(code));
    for (QComboBox* combo : combos) {
        combo->clear();
        combo->addItems(values);
        combo->setCurrentIndex(0);
        combo->setEditText(values.first());
    }
    return {};
}
} // namespace

Status fillPickLists(const ParamStore& store, int code, ListOrder order,
                     const QList<QComboBox*>& combos) {
    Result<QStringList> values = store.values(code, order);
    if (!values)
        return values.error();
    return fillWith(*values, code, combos);
}

Status fillTextPickLists(const ParamStore& store, const QList<PickListFill>& fills) {
    QList<int> codes;
    for (const PickListFill& f : fills)
        codes << f.code;
    Result<QHash<int, QStringList>> lists = store.textValues(codes);
    if (!lists)
        return lists.error();
    for (const PickListFill& f : fills)
        if (Status s = fillWith(lists->value(f.code), f.code, f.combos); !s)
            return s;
    return {};
}

Status fillPickLists(const ParamStore& store, const QList<PickListFill>& fills) {
    QList<std::pair<int, ListOrder>> lists;
    for (const PickListFill& f : fills)
        lists.append({f.code, f.order});
    Result<QHash<int, QStringList>> values = store.listValues(lists);
    if (!values)
        return values.error();
    for (const PickListFill& f : fills)
        if (Status s = fillWith(values->value(f.code), f.code, f.combos); !s)
            return s;
    return {};
}

CheckOutcome checkReferenceValues(ParamStore& store, const QList<CheckedPickList>& lists,
                                  const Services& services, QWidget* parent, DataError* error) {
    QList<int> codes;
    for (const CheckedPickList& list : lists)
        if (!codes.contains(list.code))
            codes << list.code;
    Result<QHash<int, QSet<QString>>> known = store.knownValues(codes);
    if (!known) {
        if (error)
            *error = known.error();
        return CheckOutcome::Failed;
    }
    for (const CheckedPickList& list : lists) {
        const QString text = list.combo->currentText();
        QSet<QString>& values = (*known)[list.code];
        if (values.contains(ParamStore::knownForm(text)))
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
        // A later list of the same code finds the value registered.
        values.insert(ParamStore::knownForm(cut));
        if (cut != text)
            list.combo->setEditText(cut);
    }
    return CheckOutcome::Completed;
}

} // namespace vdn
