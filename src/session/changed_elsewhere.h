#pragma once

#include <QString>
#include <QStringList>

class QWidget;

namespace vdn {

class MessageBoxes;

// What the user chose for an entry whose row another workstation (or another
// program on the same file) changed since it was shown.
enum class ChangedElsewhereChoice {
    Reload,    // the stored values are shown again; the entry is dropped
    Overwrite, // the entry is written over them (confirmed twice)
    KeepEntry, // nothing is written; the entry stays on screen
};

// The question shown first: `headline` says what changed ("Le client 000012
// a été modifié sur un autre poste depuis son affichage."), then the names of
// the fields changed elsewhere, then the choice.
QString changedElsewhereQuestion(const QString& headline, const QStringList& fields);
// The second confirmation before writing over the other workstation's changes.
QString overwriteQuestion();

// Asks what to do: Yes reloads; No asks again before writing over, and a
// second No keeps the entry on screen. With no field changed elsewhere
// (the same values saved again) nothing can be lost: Overwrite, unasked.
ChangedElsewhereChoice askChangedElsewhere(MessageBoxes& boxes, QWidget* parent,
                                           const QString& headline, const QStringList& fields);

} // namespace vdn
