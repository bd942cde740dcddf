#pragma once

#include "data/connection.h"
#include "import/import_rows.h"
#include "import/import_source.h"
#include "import/import_writer.h"
#include "platform/services.h"

#include <QHash>
#include <QWidget>

#include <functional>
#include <memory>

class QCheckBox;
class QComboBox;
class QLabel;
class QLayout;
class QLineEdit;
class QPlainTextEdit;
class QProgressDialog;
class QPushButton;
class QSpinBox;
class QTableWidgetItem;
class QTableWidget;
class QVBoxLayout;

namespace vdn {

// Takes what keeps a restore from running while an import writes, held as
// long as the returned object lives; null while a restore is under way.
using ImportLockTaker = std::function<std::shared_ptr<void>()>;

// The window "Importer des clients" (VDN_import): a file chosen, read as
// guessed or as the user says, its columns matched to customer fields, every
// row checked and shown as it will be stored, then a dry run or the import.
class ImportWindow : public QWidget {
    Q_OBJECT
public:
    // `configFolder` keeps the mappings; `takeLock` is called before writing.
    ImportWindow(const Services& services, QString configFolder, ImportLockTaker takeLock,
                 QWidget* parent = nullptr);
    ~ImportWindow() override;

    // Opens the database of chemin_base; false when it cannot (reported).
    bool load();
    // Reads the file (the "Parcourir…" button's work once a file is chosen).
    void openFile(const QString& path);
    // "Essai": the report without writing. "Importer": the import.
    void dryRun();
    void runImport();
    // "Historique…": the imports made, one of them undone on demand.
    void showHistory();
    void forgetCustomersRead();
    // Writes the rows not imported, with their reason, to a CSV file.
    bool saveReport(const QString& path);

    const ImportCheck& check() const { return check_; }
    QString reportShown() const;

signals:
    // Customers were written, the first of them (in the file's order) under
    // this code: lists showing customers read them again.
    void imported(const QString& firstCode);
    // An import was undone: lists showing customers read them again.
    void removed();

private:
    void build();
    // The window's parts, top to bottom, in the order Tab visits them.
    QLayout* buildFileRow();
    QLayout* buildReadingRow();
    // The column table, with the options and buttons on its right.
    QLayout* buildMappingRow();
    QLayout* buildActionColumn();
    void buildPreview(QVBoxLayout* top);
    void connectControls();
    void browse();
    // Reads the table again with the chosen options, then the mapping.
    void reread();
    // The mapping's controls from a mapping; then the check.
    void showMapping(const ImportMapping& mapping);
    // The column other than `except` whose box gives `field`; -1 when none
    // (and for Ignored, which any number of columns may be).
    int columnOf(ImportField field, int except) const;
    ImportMapping chosenMapping() const;
    void recheck();
    void showPreview();
    void showLines();
    // A cell of the file corrected in the window's list of its lines.
    void correctCell(QTableWidgetItem* cell);
    // The counts of the check as it stands, before any writing.
    void showCounts();
    void chooseSaveReport();
    // A progress dialog shown after half a second; returns the step function.
    std::function<bool(int, int)> progressStep(QProgressDialog& dialog);

    Services services_;
    QString configFolder_;
    ImportLockTaker takeLock_;
    std::unique_ptr<Connection> connection_;
    ImportSource source_;
    TextTable table_;
    ImportCheck check_;
    // The customers the checks of this file read: a change of the columns'
    // fields reads only what it brings anew. Forgotten when the database
    // may have changed (a file opened, Essai, an import, an undo).
    std::unique_ptr<ExistingCustomers> existing_;
    // The user's choice for one duplicate, by file line.
    QHash<int, DuplicateChoice> choices_;
    bool filling_ = false;
    bool headerChosen_ = false;    // the user set the header box for this file
    bool firstLineChosen_ = false; // the user set the first data line
    bool checking_ = false;        // a check is under way
    bool recheckWanted_ = false;   // and another was asked meanwhile

    QLineEdit* txtfichier = nullptr;
    QPushButton* cmdparcourir = nullptr;
    QComboBox* cboCodage = nullptr;
    QComboBox* cboSeparateur = nullptr;
    QCheckBox* chkEntete = nullptr;
    QSpinBox* spnPremiereLigne = nullptr; // the file line the data begin on
    QComboBox* cboFeuille = nullptr;
    QLabel* lblLecture = nullptr; // the encoding and separator in force
    QTableWidget* grdColonnes = nullptr;
    QComboBox* cboDoublons = nullptr;
    QCheckBox* chkGarderCodes = nullptr;
    QLabel* lblCodage = nullptr; // a file of two encodings, said before writing
    QTableWidget* grdApercu = nullptr;
    // The file's lines as read, every column, each with what became of it.
    QTableWidget* grdLignes = nullptr;
    QPlainTextEdit* txtrapport = nullptr;
    // Puts back the zeros a spreadsheet took from phone numbers and postcodes.
    QPushButton* cmdzeros = nullptr;
    QPushButton* cmdessai = nullptr;
    QPushButton* cmdimporter = nullptr;
    QPushButton* cmdrapport = nullptr;
    QPushButton* cmdhistorique = nullptr;
    QPushButton* cmdfermer = nullptr;
};

} // namespace vdn
