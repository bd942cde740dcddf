#pragma once

#include "app/startup.h"
#include "data/connection.h"
#include "data/database_creator.h"
#include "platform/clock.h"
#include "platform/message_boxes.h"
#include "platform/pointer.h"
#include "platform/print_dialog.h"
#include "platform/services.h"
#include "platform/spreadsheet.h"

#include <QTemporaryDir>

#include <memory>

namespace vdn::test {

// A fresh temporary data folder with its own CHEMIN.QZ and a database made by
// the program's own creation code. Sets chemin_base and the shop name, resets
// the record-mode flags, and offers scripted services.
// The engine the data tests run on: SQLite, or with VORDAN_TEST_ENGINE=
// postgresql a fresh database of the test server (support/pg_cluster.h).
// CTest runs a test whose source says "// ctest-engines: postgresql" once
// more that way, under the label postgresql.
bool onServerEngine();

class DataFolder {
public:
    struct Options {
        QString shopName = QStringLiteral("LE STRIKE");
        QString licence = QStringLiteral("123");
        std::optional<DemoOptions> demo;
        bool createDatabase = true;
    };
    DataFolder();
    explicit DataFolder(const Options& options);
    ~DataFolder();

    bool ok() const { return ok_; }
    QString folder() const;       // with a trailing '/'
    QString databaseFile() const; // folder() + "vordan.mdb", or the server database's address
    bool onServer() const;

    // A new connection of its own on the database (as another window would).
    std::unique_ptr<Connection> connect() const;

    // What start-up reads for this folder and hands the main window: the
    // CHEMIN.QZ lines, the shop's name and licence and the title made of them.
    StartupInfo startupInfo() const;

    ScriptedMessageBoxes boxes;
    FixedClock clock{QDateTime(QDate(2026, 12, 8), QTime(14, 30, 0))};
    RecordingPointer pointer;
    ScriptedPrintDialog printDialog;
    ScriptedSpreadsheet spreadsheet;
    Services services() { return Services{&boxes, &clock, &pointer, &printDialog, &spreadsheet}; }

    // Fails the running test if a box was unexpected or an expected one was
    // never shown; then forgets them.
    bool checkBoxes(const char* file, int line);

private:
    QTemporaryDir dir_;
    QString base_; // chemin_base: folder() or the server database's address
    QString shopName_, licence_;
    bool ok_ = false;
};

// A fresh data folder and a connection of its own on it for each test
// function of a class: start() in init(), stop() in cleanup(). A test takes
// both with `auto [folder, c] = fresh_.get();`.
class FreshFolder {
public:
    struct Parts {
        DataFolder& folder;
        std::unique_ptr<Connection>& c;
    };
    // False when the folder or the connection could not be made.
    bool start();
    void stop();
    Parts get() { return {*folder_, db_}; }

private:
    std::unique_ptr<DataFolder> folder_;
    std::unique_ptr<Connection> db_;
};

// Runs one SQL query and returns the first column of its rows as texts.
QStringList column(Connection& c, const QString& sql, const QVariantList& values = {});
// The first column of the first row, or an empty QVariant.
QVariant scalar(Connection& c, const QString& sql, const QVariantList& values = {});

// Makes `event` ("DELETE", "INSERT", "UPDATE") on `table` fail from now on
// with an error of the engine, as a refusing engine would, on either engine;
// allowAgain() takes it away.
bool refuseOn(Connection& c, const QString& table, const QString& event);
bool allowAgain(Connection& c, const QString& table);

// Puts the French locale in force, as the program does at start-up.
void useFrenchLocale();

// Types text into a widget, sending characters beyond ASCII one by one
// (QTest::keyClicks only handles ASCII).
void typeText(QWidget* w, const QString& text);

} // namespace vdn::test

#define VDN_CHECK_BOXES(folder)                                                                    \
    do {                                                                                           \
        if (!(folder).checkBoxes(__FILE__, __LINE__))                                              \
            return;                                                                                \
    } while (false)
