#pragma once

#include <QDialog>

class QCheckBox;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;

namespace vdn {

class MessageBoxes;

// Whether start-up offers the first-start window: no CHEMIN.QZ in the
// program's folder nor in the configuration folder, and a display to show it
// on. The offscreen platform (tests, scripts) keeps the plain message unless
// VORDAN_PREMIER_DEMARRAGE=1.
bool firstStartWanted(const QString& programFolder, const QString& configFolder);

// The user's data folder for VORDAN (see places::userDataFolder): where a new database goes
// unless the user chooses another folder.
QString defaultDataFolder();

// The first-start window: creates a new database or takes an existing one,
// then writes configFolder/CHEMIN.QZ naming its folder. Nothing is written
// anywhere else, and an existing database is never replaced.
class FirstStartDialog : public QDialog {
    Q_OBJECT
public:
    FirstStartDialog(MessageBoxes& boxes, const QString& configFolder, QWidget* parent = nullptr);

    // The database folder written into CHEMIN.QZ (with its final '/'), or the
    // server's address, once accepted.
    QString chosenBase() const { return chosenBase_; }

    QRadioButton* optCreer = nullptr;
    QRadioButton* optOuvrir = nullptr;
    QGroupBox* fraCreer = nullptr;
    QLineEdit* txtDossierNouveau = nullptr;
    QPushButton* cmdParcourirNouveau = nullptr;
    QLineEdit* txtMagasin = nullptr;
    QLineEdit* txtLicence = nullptr;
    QLineEdit* txtPerceur = nullptr;
    QCheckBox* chkDemo = nullptr;
    QGroupBox* fraOuvrir = nullptr;
    QLineEdit* txtDossierExistant = nullptr;
    QPushButton* cmdParcourirExistant = nullptr;
    // Joining the shop's server: the connection is tried, then CHEMIN.QZ names
    // the server's address (never a password) and a typed password goes to
    // the user's password file.
    QRadioButton* optServeur = nullptr;
    QGroupBox* fraServeur = nullptr;
    QLineEdit* txtServeur = nullptr;
    QSpinBox* txtPort = nullptr;
    QLineEdit* txtBaseServeur = nullptr;
    QLineEdit* txtRole = nullptr;
    QLineEdit* txtMotDePasse = nullptr;
    QPushButton* cmdContinuer = nullptr;
    QPushButton* cmdQuitter = nullptr;

private:
    void updateMode();
    void browse(QLineEdit* into);
    void proceed();
    bool create(const QString& folder);
    bool openExisting(const QString& folder);
    bool joinServer();
    bool writePathFile(const QString& folder);
    bool writePathLine(const QString& line);

    MessageBoxes& boxes_;
    QString configFolder_;
    QString chosenBase_;
};

// Shows the window; true when CHEMIN.QZ has been written.
bool runFirstStart(MessageBoxes& boxes, const QString& configFolder);

} // namespace vdn
