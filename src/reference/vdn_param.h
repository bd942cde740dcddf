#pragma once

#include "data/data_error.h"
#include "platform/services.h"
#include "reference/catalogue.h"

#include <QWidget>

#include <memory>

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QTableView;
class QToolButton;

namespace vdn {

class Connection;
class ParamStore;
class ParamValuesModel;

// The reference value maintenance window "Gestion des paramètres": the user
// chooses the ball description group, then one of its tables (codes 0 to 7),
// and lists, adds and deletes that table's values. The choice of table is
// fixed for the life of the window.
class VdnParam : public QWidget {
    Q_OBJECT
public:
    explicit VdnParam(const Services& services, QWidget* parent = nullptr);
    ~VdnParam() override;

    // Runs the window's load: opens its own connection and offers the groups.
    void load();

    // Before the window goes (quit, restore): a value typed in the entry
    // and not yet added asks "Enregistrer la valeur saisie ... ?" (Oui /
    // Non / Annuler). False when the user goes back to it (Annuler, or an
    // addition refused).
    bool settleEntry();

    // The chosen table code, "0" to "7"; empty until a table is chosen.
    const QString& tableCode() const { return txtpar_table; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();
    QLineEdit* entryBox(EntryBox box) const;
    const BallCode* currentCode() const;

    // Handlers.
    void groupChosen(int index); // Combo1
    void tableChosen(int index); // Combo3
    void openEntry();            // cmdajout3
    void closeEntry();           // cmdannule3
    bool checkNumericEntry();    // txt2 left; false when refused
    void storeValue();           // cmdvalide3
    void deleteValue();          // cmdsup3

    // Lists the chosen table's values in the grid, making `select` (or else
    // the row at `row`, or the nearest one) the current row.
    Status refreshList(const QString& select = {}, int row = 0);
    void refreshOrReport(const QString& select = {}, int row = 0);
    void showGrid(bool visible);

    Services services_;
    std::unique_ptr<Connection> connection_;
    std::unique_ptr<ParamStore> store_;
    QString txtpar_table;
    ParamValuesModel* model_ = nullptr;

    QComboBox* Combo1 = nullptr;
    QComboBox* Combo3 = nullptr;
    QComboBox* Combo2 = nullptr;
    QGroupBox* Frame3 = nullptr;
    QLineEdit* Txt0 = nullptr;
    QLineEdit* txt1 = nullptr;
    QLineEdit* Txt6 = nullptr;
    QLineEdit* txt2 = nullptr;
    QToolButton* cmdvalide3 = nullptr;
    QToolButton* cmdannule3 = nullptr;
    QLabel* gridCaption = nullptr;
    QTableView* DBGrid1 = nullptr;
    QGroupBox* Frame31 = nullptr;
    QToolButton* cmdajout3 = nullptr;
    QToolButton* cmdsup3 = nullptr;
};

} // namespace vdn
