#include "app/command_line.h"
#include "app/first_start.h"
#include "app/help_window.h"
#include "app/import_command.h"
#include "app/path_file.h"
#include "app/restore.h"
#include "app/startup.h"
#include "app/vdn_menu.h"
#include "data/connection.h"
#include "data/dialect.h"
#include "data/error_report.h"
#include "data/globals.h"
#include "data/server_address.h"
#include "data/server_call.h"
#include "data/server_watch.h"
#include "data/transfer.h"
#include "platform/clock.h"
#include "platform/console.h"
#include "platform/message_boxes.h"
#include "platform/pointer.h"
#include "platform/print_dialog.h"
#include "platform/removable_drives.h"
#include "platform/server_wait.h"
#include "platform/spreadsheet.h"
#include "platform/terminal_progress.h"
#include "widgets/progress_dialog.h"
#include "widgets/server_notice.h"

#include <QApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QLocale>
#include <QTimer>
#include <QTranslator>

#include <cstdio>
#include <optional>

namespace {

void printErr(const QString& text) {
    vdn::console::write(stderr, text + QLatin1Char('\n'));
}

void printOut(const QString& text) {
    vdn::console::write(stdout, text + QLatin1Char('\n'));
}

int runCreate(const vdn::CreateOptions& options) {
    const vdn::Status s = vdn::createDatabase(options);
    if (!s) {
        printErr(QStringLiteral("Erreur : %1 (numéro d'erreur %2)")
                     .arg(s.error().text)
                     .arg(s.error().number));
        // The engine's own words, as the transfer gives them.
        for (const vdn::EngineError& e : s.error().engineErrors)
            printErr(e.message);
        return 1;
    }
    const QString where = vdn::Dialect::at(options.folder).isServer()
                              ? vdn::shownAddress(options.folder)
                              : QDir(options.folder).absoluteFilePath(QStringLiteral("vordan.mdb"));
    printOut(QStringLiteral("Base créée : %1").arg(where));
    return 0;
}

int runTransfer(const QString& from, const QString& to) {
    vdn::Result<QList<vdn::TableCount>> counts = vdn::DataError();
    {
        // How far the copy is, on stderr when it is a terminal.
        const vdn::SystemClock clock;
        vdn::TerminalProgress progress(QStringLiteral("Copie de la base"), clock);
        counts = vdn::transferDatabase(from, to, &progress);
    }
    if (!counts) {
        printErr(QStringLiteral("Erreur : %1 (numéro d'erreur %2)")
                     .arg(counts.error().text)
                     .arg(counts.error().number));
        for (const vdn::EngineError& e : counts.error().engineErrors)
            printErr(e.message);
        // The destination as typed may hold a password: it is not repeated.
        printErr(QStringLiteral("Rien n'a été écrit dans la base de destination."));
        return 1;
    }
    printOut(
        QStringLiteral("Base copiée de %1 vers %2 :")
            .arg(vdn::shownAddress(vdn::databaseAt(from)), vdn::shownAddress(vdn::databaseAt(to))));
    for (const vdn::TableCount& c : *counts)
        printOut(QStringLiteral("  %1 %2 lignes").arg(c.table, -12).arg(c.rows));
    return 0;
}

// The actions of the command line that open no window, run to their end:
// their exit status. None when the program is to start as usual.
std::optional<int> runCommandLine(const vdn::CommandLine& cl, int& argc, char* argv[]) {
    switch (cl.action) {
    case vdn::CommandLine::Action::Help:
        vdn::console::write(stdout, vdn::usageText());
        return 0;
    case vdn::CommandLine::Action::Version:
        printOut(vdn::VdnMenu::versionText());
        return 0;
    case vdn::CommandLine::Action::Error:
        printErr(cl.error);
        printErr(vdn::usageText());
        return 1;
    case vdn::CommandLine::Action::Create: {
        QCoreApplication app(argc, argv);
        QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
        return runCreate(cl.create);
    }
    case vdn::CommandLine::Action::Restore: {
        QCoreApplication app(argc, argv);
        QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
        return vdn::runRestoreCommand(cl.restoreFolder);
    }
    case vdn::CommandLine::Action::Transfer: {
        QCoreApplication app(argc, argv);
        QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
        return runTransfer(cl.transferFrom, cl.transferTo);
    }
    case vdn::CommandLine::Action::Import: {
        QCoreApplication app(argc, argv);
        QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
        return vdn::runImportCommand(
            {cl.importFile, cl.mappingFile, cl.duplicates, cl.sheet, cl.dryRun});
    }
    case vdn::CommandLine::Action::Run:
        break;
    }
    return std::nullopt;
}

// The program's name, its place on the desktop and French in Qt's own
// dialogs, with `qtFrench` as their translator.
void setUpApplication(QTranslator& qtFrench) {
    QApplication::setApplicationName(QStringLiteral("VORDAN"));
    vdn::setUpDesktopIntegration();
    QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
    if (qtFrench.load(QLocale(QLocale::French), QStringLiteral("qtbase"), QStringLiteral("_"),
                      QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtFrench);
}

// How the windows show a database server's waits.
void showServerWaits() {
    // A server that is slow to accept a connection: the wait is shown.
    vdn::setServerWaitNotice(&vdn::showServerWait);
    // A server that stops answering a statement: the wait ends after a time
    // limit, with a message, instead of freezing the windows.
    vdn::startServerWatch();
    // Past a few seconds of such a wait, the window says so.
    vdn::setStatementWaitNotice(&vdn::showStatementWait);
}

// Before the database opens: the first-start window when no CHEMIN.QZ is
// found yet, then the question about a shared SQLite file. False when the
// user chose not to go on.
bool readyToOpen(vdn::MessageBoxes& boxes) {
    // No CHEMIN.QZ yet: the first-start window makes or finds a database
    // (its "Quitter" leaves the start-up to say what is missing).
    if (vdn::firstStartWanted(QCoreApplication::applicationDirPath(), vdn::userConfigFolder()))
        vdn::runFirstStart(boxes, vdn::userConfigFolder());
    // SQLite on another computer's share is safe for one workstation only.
    if (const QString risky = vdn::networkBaseQuestion(QCoreApplication::applicationDirPath(),
                                                       vdn::userConfigFolder());
        !risky.isEmpty() && !boxes.question(nullptr, risky))
        return false;
    return true;
}

// Opens the database named by CHEMIN.QZ. A database of an older version is
// brought up to date at opening: a long upgrade shows its progress, without
// "Annuler".
vdn::Result<vdn::StartupInfo> openDatabase(const vdn::Clock& clock) {
    vdn::ProgressDialog upgrading(clock, nullptr, vdn::upgradeProgressText(), false);
    return vdn::startUp(QCoreApplication::applicationDirPath(), vdn::userConfigFolder(),
                        &upgrading);
}

// For checks of a whole start-up and shutdown (memory checkers): the
// program ends by itself after VORDAN_QUIT_AFTER_MS milliseconds, when set.
void quitAfterSetDelay(QApplication& app) {
    bool quitSet = false;
    const int quitAfter = qEnvironmentVariableIntValue("VORDAN_QUIT_AFTER_MS", &quitSet);
    if (quitSet && quitAfter >= 0)
        QTimer::singleShot(quitAfter, &app, &QCoreApplication::quit);
}

} // namespace

int main(int argc, char* argv[]) {
    vdn::console::useParentConsole();
    const QStringList args = vdn::console::arguments(argc, argv);
    const vdn::CommandLine cl = vdn::parseCommandLine(args);
    if (const std::optional<int> status = runCommandLine(cl, argc, argv))
        return *status;

    QApplication app(argc, argv);
    QTranslator qtFrench;
    setUpApplication(qtFrench);
    showServerWaits();
    vdn::QtMessageBoxes boxes;
    vdn::SystemClock clock;
    vdn::QtPointer pointer;
    vdn::QtPrintDialog printDialog;
    vdn::ProcessSpreadsheet spreadsheet;
    vdn::SystemRemovableDrives drives;
    vdn::Services services{&boxes, &clock, &pointer, &printDialog, &spreadsheet};
    services.drives = &drives;

    if (!readyToOpen(boxes))
        return 0;
    vdn::Result<vdn::StartupInfo> info = openDatabase(clock);
    if (!info) {
        const QString text = vdn::errorReportText(info.error());
        printErr(text);
        boxes.message(nullptr, text);
        return 1;
    }
    vdn::chemin_base = info->chemin_base;
    vdn::chemin_fichiers = info->chemin_fichiers;
    vdn::shop_name = info->shopName;

    // Taken by the start-up and held for the program's whole run: a restore
    // meanwhile refuses.
    vdn::VdnMenu menu(services, *info);
    menu.setOwnLockFile(info->lock->fileName());
    menu.show();
    if (!info->upgradeNotice.isEmpty()) {
        printErr(info->upgradeNotice);
        boxes.message(&menu, info->upgradeNotice);
    }
    quitAfterSetDelay(app);
    return app.exec();
}
