#include "widgets/changed_elsewhere.h"

#include "platform/message_boxes.h"

namespace vdn {

FieldMerge mergeField(const FieldReadings& field) {
    if (field.typed == field.stored || field.stored == field.shown)
        return FieldMerge::Typed;
    if (field.typed == field.shown)
        return FieldMerge::Stored;
    return FieldMerge::Conflict;
}

std::optional<MergeDecision> mergeChangedElsewhere(MessageBoxes& boxes, QWidget* parent,
                                                   const QString& headline,
                                                   const QList<FieldReadings>& fields) {
    MergeDecision decision;
    QList<FieldChoice> choices;
    QList<qsizetype> conflicts;
    for (qsizetype i = 0; i < fields.size(); ++i) {
        const FieldMerge merge = mergeField(fields[i]);
        decision.takeStored << (merge == FieldMerge::Stored);
        if (merge == FieldMerge::Conflict) {
            choices.append({fields[i].name, fields[i].stored, fields[i].typed});
            conflicts << i;
        }
    }
    if (!choices.isEmpty()) {
        const std::optional<QList<bool>> keepTyped = boxes.chooseValues(parent, headline, choices);
        if (!keepTyped || keepTyped->size() != choices.size())
            return std::nullopt;
        for (qsizetype c = 0; c < conflicts.size(); ++c)
            decision.takeStored[conflicts[c]] = !keepTyped->at(c);
    }
    for (qsizetype i = 0; i < fields.size(); ++i)
        if (decision.takeStored[i])
            decision.keptFromOther << fields[i].name;
    return decision;
}

QString keptFromOtherNotice(const QStringList& names) {
    return QStringLiteral("Gardé de l'autre poste : %1").arg(names.join(QStringLiteral(", ")));
}

} // namespace vdn
