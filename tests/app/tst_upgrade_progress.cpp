// A schema upgrade and a restore tell how far they are, in windows shown
// after half a second that offer no "Annuler": neither stops once it writes.

#include "app/backup.h"
#include "app/restore.h"
#include "app/startup.h"
#include "app/vdn_menu.h"
#include "platform/removable_drives.h"
#include "support/files.h"
#include "support/fixture.h"
#include "support/older_schema.h"
#include "widgets/progress_dialog.h"

#include <QAction>
#include <QApplication>
#include <QPushButton>
#include <QTest>
#include <QTimer>

using namespace vdn;

namespace {

// Moves on by `stepMs` at each reading.
struct TickingClock : Clock {
    explicit TickingClock(qint64 stepMs) : stepMs(stepMs) {}
    QDateTime now() const override { return next = next.addMSecs(stepMs); }
    qint64 stepMs;
    mutable QDateTime next{QDate(2026, 12, 8), QTime(14, 30)};
};

// Every report, answered "stop": the tasks must go on regardless.
struct Recorder : Progress {
    QList<qint64> done, totals;
    bool step(qint64 d, qint64 total) override {
        done << d, totals << total;
        return false;
    }
    bool risesTo(qint64 total) const {
        return !done.isEmpty() && std::is_sorted(done.begin(), done.end()) &&
               totals == QList<qint64>(totals.size(), total) && done.last() == total;
    }
    bool reported(qint64 above, qint64 below) const {
        return std::any_of(done.begin(), done.end(),
                           [&](qint64 d) { return d > above && d < below; });
    }
};

// Back to version 3 with `sheets` more drilling sheets for the upgrade to date.
bool olderBase(const QString& file, int sheets) {
    Result<std::unique_ptr<Connection>> c = Connection::open(file);
    return c && test::backToVersion3(**c) &&
           (*c)->execute(QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 "
                                        "FROM n WHERE i < %1) INSERT INTO strpercage (per_code) "
                                        "SELECT printf('8%05d', i) FROM n")
                             .arg(sheets));
}

} // namespace

class TestUpgradeProgress : public QObject {
    Q_OBJECT
private slots:
    void upgrade_reports_how_far();
    void restore_reports_its_checks_and_data_files();
    void windows_without_annuler();
};

void TestUpgradeProgress::upgrade_reports_how_far() {
    // At the current version nothing to report; from version 3, 50000 sheets to date.
    for (bool older : {false, true}) {
        test::DataFolder folder;
        QVERIFY(!older || olderBase(folder.databaseFile(), 50000));
        Recorder rec;
        auto c = Connection::open(folder.databaseFile(), Connection::Mode::ExistingOnly, &rec);
        QVERIFY(c);
        QCOMPARE(test::scalar(**c, "SELECT count(*) FROM strpercage_hist").toInt(),
                 older ? 50000 : 0);
        QCOMPARE(rec.done.isEmpty(), !older);
        // Reports come during the long statements too, not only between them.
        QVERIFY(!older ||
                (rec.risesTo(rec.totals.first()) && rec.done.size() > rec.totals.first() + 1));
    }
}

void TestUpgradeProgress::restore_reports_its_checks_and_data_files() {
    test::DataFolder folder;
    QTemporaryDir drive;
    for (const char* name : {"VDN_A.MDB", "VDN_B.MDB"})
        QVERIFY(test::writeFile(folder.folder() + name, QByteArray(2000, 'x')));
    QVERIFY(backUp(folder.folder(), drive.path()).complete());
    QVERIFY(olderBase(drive.filePath("vordan.mdb"), 10));
    Recorder rec;
    auto done = restoreBackup(folder.folder(), drive.path(), folder.clock.now(), {}, &rec);
    QVERIFY2(done, done ? "" : qPrintable(done.error().text));
    QCOMPARE(done->restored, (QStringList{"vordan.mdb", "VDN_A.MDB", "VDN_B.MDB"}));
    QVERIFY(rec.risesTo(1000));
    // The checks' first 40 %: the backup's upgrade ends its copy's 90 % (72 to 90 %).
    QVERIFY(rec.reported(288, 360));
    // The data files end the writing's 60 %: one of two same-size files at 400 + 600 × 0.95.
    QVERIFY(rec.reported(969, 971));
}

void TestUpgradeProgress::windows_without_annuler() {
    test::DataFolder folder;
    QTemporaryDir drive;
    QVERIFY(backUp(folder.folder(), drive.path()).complete());
    QVERIFY(olderBase(drive.filePath("vordan.mdb"), 20000));
    QVERIFY(olderBase(folder.databaseFile(), 20000));
    // Every progress window seen, with its buttons.
    QStringList seen;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* d = qobject_cast<QProgressDialog*>(w); d && d->isVisible())
                seen << d->labelText().section('\n', 0, 0) +
                            QString(" [%1]").arg(d->findChildren<QPushButton*>().size());
        seen.removeDuplicates();
    });
    watch.start(0);
    TickingClock clock(200);
    {
        ProgressDialog upgrading(clock, nullptr, upgradeProgressText(), false);
        QVERIFY(startUp(folder.folder(), QString(), &upgrading));
    }
    ScriptedRemovableDrives drives;
    drives.set(QLatin1Char('E'), drive.path());
    Services s{&folder.boxes, &clock, &folder.pointer, &folder.printDialog, &folder.spreadsheet};
    s.drives = &drives;
    VdnMenu menu(s, folder.startupInfo());
    menu.findChild<QAction*>("mnu_fic_rest")->trigger();
    test::typeText(menu.findChild<QWidget*>("txtdisk"), "E");
    folder.boxes.setAnswerAll(true);
    QTest::mouseClick(menu.findChild<QWidget*>("cmdok"), Qt::LeftButton);
    QVERIFY(folder.boxes.shown().last().text.startsWith("Restauration terminée"));
    QCOMPARE(seen,
             (QStringList{"Mise à jour de la base de données pour cette version de VORDAN. [0]",
                          "Vérification de la sauvegarde du lecteur E: [0]",
                          "Restauration de la base. [0]"}));
}

QTEST_MAIN(TestUpgradeProgress)
#include "tst_upgrade_progress.moc"
