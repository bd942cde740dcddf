#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

class QWidget;

namespace vdn {

class MessageBoxes;

// One field of a record as three readings give it: as shown when the entry
// began, as typed, and as stored now that another workstation (or another
// program on the same file) changed the row.
struct FieldReadings {
    QString name;
    QString shown;
    QString typed;
    QString stored;
};

// What becomes of one field when the entry is written over the stored row.
enum class FieldMerge {
    Typed,    // the entry's value: changed here only, or by nobody, or alike on both sides
    Stored,   // changed on the other workstation only: its value is kept
    Conflict, // changed on both sides to different values: the user chooses
};
FieldMerge mergeField(const FieldReadings& field);

// What to write: for every field, in the order given, whether the stored
// value replaces the typed one; and the names of the fields kept from the
// other workstation without a question.
struct MergeDecision {
    QList<bool> takeStored;
    QStringList keptFromOther;
};

// Merges the entry with the stored row field by field. Fields changed on one
// side only are taken from that side, unasked; fields both sides changed are
// shown side by side (stored value, typed value) for a choice per field. No
// decision when the user keeps the entry on screen: nothing is to be written.
std::optional<MergeDecision> mergeChangedElsewhere(MessageBoxes& boxes, QWidget* parent,
                                                   const QString& headline,
                                                   const QList<FieldReadings>& fields);

// The notice shown after a save that kept fields of the other workstation.
QString keptFromOtherNotice(const QStringList& names);

} // namespace vdn
