#pragma once

#include "app/driller_dialog.h"
#include "app/startup.h"
#include "customers/vdn_client.h"
#include "platform/services.h"
#include "reference/vdn_param.h"

#include <QMainWindow>
#include <QPointer>

#include <optional>

class QAction;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QToolButton;

namespace vdn {

class ClickableLabel;

// The main window: start-up hub with its captions, pictures, menu and the
// backup panel.
class VdnMenu : public QMainWindow {
    Q_OBJECT
public:
    VdnMenu(const Services& services, const StartupInfo& info, QWidget* parent = nullptr);
    ~VdnMenu() override;

    // Each opens its window once and shows it again when already open.
    VdnClient* openClient();
    VdnParam* openParam();
    VdnClient* client() const { return client_; }
    VdnParam* param() const { return param_; }
    // "P&erceur…": the dialog naming the shop's driller, modal over every
    // window; null when the database cannot be read (reported).
    DrillerDialog* openDriller();

    // Ends the program: an entry being typed is first saved or dropped as the
    // user chooses (or the user goes back to it), then every other window
    // goes at once.
    void quit();

    // The lock file this program holds beside the database; a restore from
    // the menu does not count it as another program at work.
    void setOwnLockFile(const QString& fileName) { ownLockFile_ = fileName; }

    // The text of "À &propos de VORDAN": the program's version and the
    // shop's licence number.
    static QString aboutText(const QString& licence);
    // "VORDAN version X.Y", as "À propos de VORDAN" and `vordan --version` say it.
    static QString versionText();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Asks about an entry differing from what is stored in the customer
    // window; false when the user goes back to it (nothing is to close).
    bool settleEntries();

    void buildMenu();
    void buildBody();
    void showBackupPanel();
    void showDriveLetters();
    // cmdok: backs the data up to the drive typed in txtdisk, or restores
    // the backup found there when Frame5 was shown for a restore.
    void startBackup();
    void showRestorePanel();
    void startRestore();
    // The drive folder of the letter typed in txtdisk; says why when none.
    std::optional<QString> chosenDriveFolder();
    void closeOtherWindows();

    Services services_;
    StartupInfo info_;
    QPointer<VdnClient> client_;
    QPointer<VdnParam> param_;
    QPointer<DrillerDialog> driller_;
    QString ownLockFile_;
    bool restoring_ = false; // Frame5 was shown by "&Restaurer une sauvegarde"

    QGroupBox* Frame5 = nullptr;
    QLineEdit* txtdisk = nullptr;
    QToolButton* cmdok = nullptr;
    QLabel* driveLetters = nullptr; // which letter stands for which folder
    ClickableLabel* cmdclt = nullptr;
    ClickableLabel* cmdmat = nullptr;
    ClickableLabel* cmdfac = nullptr;
    ClickableLabel* Image1 = nullptr;
    ClickableLabel* Image2 = nullptr;
    ClickableLabel* Image3 = nullptr;
    ClickableLabel* Image4 = nullptr;
    ClickableLabel* Image5 = nullptr;
    ClickableLabel* Image6 = nullptr;
};

} // namespace vdn
