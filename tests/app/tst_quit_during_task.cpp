// "&Quitter" asked while a long task shows its progress window: the task
// runs to its end with its windows in place, then the program closes.

#include "../printing/report_data.h"
#include "app/backup.h"
#include "app/restore.h"
#include "app/vdn_menu.h"
#include "data/database_lock.h"
#include "data/globals.h"
#include "platform/removable_drives.h"
#include "printing/customer_export.h"
#include "support/fixture.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QPointer>
#include <QProgressDialog>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>

using namespace vdn;
using namespace vdn::test;

namespace {

const QDateTime Start(QDate(2026, 12, 8), QTime(14, 30, 0));

// A clock that moves on by a second each time it is read: a progress window
// shows at a task's second report.
class TickingClock : public Clock {
public:
    QDateTime now() const override {
        const QDateTime t = next_;
        next_ = next_.addSecs(1);
        return t;
    }

private:
    mutable QDateTime next_ = Start;
};

QProgressDialog* shownProgress() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* d = qobject_cast<QProgressDialog*>(w); d && d->isVisible())
            return d;
    return nullptr;
}

enum class Task { OpenCustomers, PrintCustomers, Export, PrintBalls, Restore };

} // namespace

class TestQuitDuringTask : public QObject {
    Q_OBJECT
private slots:
    void init() { useFrenchLocale(); }
    void quit_waits_for_the_task_data();
    void quit_waits_for_the_task();
};

void TestQuitDuringTask::quit_waits_for_the_task_data() {
    QTest::addColumn<Task>("task");
    QTest::addRow("customer window's keys") << Task::OpenCustomers;
    QTest::addRow("customer list printout") << Task::PrintCustomers;
    QTest::addRow("export") << Task::Export;
    QTest::addRow("ball list printout") << Task::PrintBalls;
    QTest::addRow("restore") << Task::Restore;
}

void TestQuitDuringTask::quit_waits_for_the_task() {
    QFETCH(Task, task);
    DataFolder folder;
    QVERIFY(folder.ok());
    QTemporaryDir drive, out;
    {
        std::unique_ptr<Connection> c = folder.connect();
        QVERIFY(c);
        // Customers written by another program: the window computes their
        // keys as it opens, a batch at a time (three batches here).
        QVERIFY(c->db().transaction());
        QVERIFY(insertCustomers(*c, task == Task::OpenCustomers ? 4500 : 1500));
        for (int line = 1; line <= 600; ++line)
            QVERIFY(insertBall(*c, QStringLiteral("000001"), line, QString::number(line)));
        QVERIFY(c->db().commit());
    }
    if (task == Task::Restore)
        QVERIFY(backUp(folder.folder(), drive.path()).complete());

    TickingClock clock;
    ScriptedRemovableDrives drives;
    drives.set(QLatin1Char('E'), drive.path());
    Services services = folder.services();
    services.clock = &clock;
    services.drives = &drives;
    DatabaseLock lock(folder.folder());
    QVERIFY(lock.acquire());
    VdnMenu menu(services, folder.startupInfo());
    menu.setOwnLockFile(lock.fileName());
    menu.show();
    QPointer<VdnClient> client;
    if (task != Task::OpenCustomers && task != Task::Restore) {
        client = menu.openClient();
        QVERIFY(client);
        QVERIFY(!shownProgress());
    }

    // "&Quitter" is chosen as soon as a progress window shows; at that
    // moment every window is still there.
    bool asked = false;
    bool menuStayed = false, clientStayed = false;
    QTimer quitter;
    QObject::connect(&quitter, &QTimer::timeout, [&] {
        if (asked || !shownProgress())
            return;
        asked = true;
        if (task == Task::OpenCustomers)
            client = menu.client();
        menu.findChild<QAction*>(QStringLiteral("mnu_abd"))->trigger();
        menuStayed = menu.isVisible();
        clientStayed = !client.isNull();
    });
    quitter.start(0);

    QString file;
    switch (task) {
    case Task::OpenCustomers:
        menu.findChild<QAction*>(QStringLiteral("mnu_fic_clt"))->trigger();
        break;
    case Task::PrintCustomers:
    case Task::PrintBalls: {
        file = out.filePath(QStringLiteral("liste.pdf"));
        ScriptedPrintDialog::Choice choice;
        choice.pdfFile = file;
        folder.printDialog.expectAccept(choice);
        if (task == Task::PrintBalls) {
            auto* grid = client->findChild<QTableView*>(QStringLiteral("DBGrid1"));
            QTest::mouseClick(grid->viewport(), Qt::LeftButton, {},
                              grid->visualRect(grid->model()->index(0, 1)).center());
            QVERIFY(client->findChild<QWidget*>(QStringLiteral("Frame300"))->isVisible());
        }
        QTest::mouseClick(
            client->findChild<QWidget*>(task == Task::PrintBalls ? "cmdimp_mat" : "cmdimp"),
            Qt::LeftButton);
        break;
    }
    case Task::Export:
        file = customerExportPath(folder.folder(), Start.date());
        folder.boxes.expectMessage(QStringLiteral("FICHIER ") + file + QStringLiteral("TERMINE"));
        QTest::mouseClick(client->findChild<QWidget*>("cmdexcel"), Qt::LeftButton);
        break;
    case Task::Restore: {
        menu.findChild<QAction*>(QStringLiteral("mnu_fic_rest"))->trigger();
        auto* txtdisk = menu.findChild<QLineEdit*>(QStringLiteral("txtdisk"));
        txtdisk->setText(QStringLiteral("E"));
        folder.boxes.expectQuestion(
            restoreQuestion(QStringLiteral("E"), summarizeBackup(drive.path())), true);
        QTest::mouseClick(menu.findChild<QToolButton*>(QStringLiteral("cmdok")), Qt::LeftButton);
        break;
    }
    }
    QVERIFY2(asked, "no progress window showed");
    QVERIFY(menuStayed);
    if (task != Task::Restore)
        QVERIFY(clientStayed);
    // The task ran to its end, with its end message.
    if (task == Task::Restore) {
        QCOMPARE(folder.boxes.shown().size(), 2);
        QVERIFY(
            folder.boxes.shown().last().text.startsWith(QStringLiteral("Restauration terminée")));
        folder.boxes.clear();
    }
    VDN_CHECK_BOXES(folder);
    if (!file.isEmpty())
        QVERIFY(QFile(file).size() > 0);
    if (task == Task::OpenCustomers) {
        std::unique_ptr<Connection> c = folder.connect();
        QCOMPARE(scalar(*c, QStringLiteral("SELECT COUNT(*) FROM strclient WHERE clt_nom_k2 IS "
                                           "NULL"))
                     .toInt(),
                 0);
    }
    // Then the program ends, as asked: its event loop returns, no window
    // left to keep it.
    QTimer stuck;
    stuck.setSingleShot(true);
    QObject::connect(&stuck, &QTimer::timeout, [] { QCoreApplication::exit(1); });
    stuck.start(10000);
    QCOMPARE(QCoreApplication::exec(), 0);
    stuck.stop();
    QVERIFY(!menu.isVisible());
    QTRY_VERIFY(client.isNull());
    QVERIFY(!shownProgress());
}

QTEST_MAIN(TestQuitDuringTask)
#include "tst_quit_during_task.moc"
