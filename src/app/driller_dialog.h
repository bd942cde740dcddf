#pragma once

#include "platform/services.h"

#include <QDialog>

class QLineEdit;
class QPushButton;

namespace vdn {

// The small window in which the shop names its driller: one name of at
// most 30 characters, printed after "Perceur : " on every drilling sheet and
// written in each new version of a sheet. It reads and writes the name in
// the database of chemin_base; an open customer window takes it at the next
// opening of a sheet.
class DrillerDialog : public QDialog {
    Q_OBJECT
public:
    explicit DrillerDialog(const Services& services, QWidget* parent = nullptr);

    // Reads the name in force into the box; false (reported) when the
    // database cannot be read, and the dialog must not be shown.
    bool load();
    // Valider: an empty name is refused with a message; otherwise the name
    // is written and the dialog closes. A failure is reported and the dialog
    // stays.
    void save();

    static QString emptyNameMessage();

private:
    Services services_;
    QLineEdit* txtperceur;
    QPushButton* cmdvalide;
    QPushButton* cmdannule;
};

} // namespace vdn
