// Long tasks show a progress window after half a second; "Annuler" there
// stops the export and the printouts with nothing left behind.

#include "platform/terminal_progress.h"
#include "printing/ball_list_printout.h"
#include "printing/customer_export.h"
#include "printing/customer_list_printout.h"
#include "report_data.h"
#include "support/fixture.h"
#include "widgets/progress_dialog.h"

#include <QApplication>
#include <QFile>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <cstdio>

using namespace vdn;
using namespace vdn::test;

namespace {

const QDateTime Start(QDate(2026, 12, 8), QTime(14, 30, 0));

// A clock that moves on by `stepMs` each time it is read.
class TickingClock : public Clock {
public:
    explicit TickingClock(qint64 stepMs) : stepMs_(stepMs) {}
    QDateTime now() const override {
        const QDateTime t = next_;
        next_ = next_.addMSecs(stepMs_);
        return t;
    }

private:
    qint64 stepMs_;
    mutable QDateTime next_ = Start;
};

QProgressDialog* shownProgress() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* d = qobject_cast<QProgressDialog*>(w); d && d->isVisible())
            return d;
    return nullptr;
}

// Clicks "Annuler" of the progress window as soon as it shows.
class CancelWhenShown {
public:
    CancelWhenShown() {
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            QProgressDialog* d = shownProgress();
            if (!d)
                return;
            for (QPushButton* b : d->findChildren<QPushButton*>())
                if (b->text() == QStringLiteral("Annuler")) {
                    QTest::mouseClick(b, Qt::LeftButton);
                    clicked = true;
                    timer_.stop();
                }
        });
        timer_.start(0);
    }
    bool clicked = false;

private:
    QTimer timer_;
};

enum class Task { Export, CustomerList, BallList };

} // namespace

class TestProgress : public QObject {
    Q_OBJECT
private slots:
    void init() { QVERIFY(fresh_.start()); }
    void cleanup() { fresh_.stop(); }
    void window_shows_after_half_a_second_data();
    void window_shows_after_half_a_second();
    void time_left_data();
    void time_left();
    void cancel_leaves_no_file_data();
    void cancel_leaves_no_file();
    void terminal_prints_once_a_second_and_only_on_a_terminal();

private:
    FreshFolder fresh_;
};

void TestProgress::window_shows_after_half_a_second_data() {
    QTest::addColumn<qint64>("laterMs");
    QTest::addColumn<bool>("shown");
    QTest::newRow("at once") << qint64(0) << false;
    QTest::newRow("just short") << qint64(499) << false;
    QTest::newRow("half a second") << qint64(500) << true;
    QTest::newRow("later") << qint64(3000) << true;
}

void TestProgress::window_shows_after_half_a_second() {
    QFETCH(qint64, laterMs);
    QFETCH(bool, shown);
    FixedClock clock(Start);
    ProgressDialog progress(clock, nullptr, QStringLiteral("Exportation"));
    QVERIFY(progress.step(10, 1000));
    QVERIFY(!progress.window());
    clock.set(Start.addMSecs(laterMs));
    QVERIFY(progress.step(250, 1000));
    QCOMPARE(progress.window() != nullptr, shown);
    QCOMPARE(shownProgress() != nullptr, shown);
    if (shown) {
        QVERIFY(progress.window()->labelText().startsWith(QStringLiteral("Exportation")));
        // A quarter of the way.
        QCOMPARE(progress.window()->value() * 4, progress.window()->maximum());
        progress.window()->cancel();
        QVERIFY(!progress.step(260, 1000));
        QVERIFY(progress.cancelled());
    }
}

void TestProgress::time_left_data() {
    QTest::addColumn<qint64>("elapsedMs");
    QTest::addColumn<qint64>("done");
    QTest::addColumn<qint64>("total");
    QTest::addColumn<QString>("text");
    // 4 s for a quarter: 12 s for the rest.
    QTest::newRow("seconds") << qint64(4000) << qint64(250) << qint64(1000)
                             << "Temps restant : environ 12 s";
    // 60 s for a tenth: 540 s, 9 minutes.
    QTest::newRow("minutes") << qint64(60000) << qint64(10) << qint64(100)
                             << "Temps restant : environ 9 min";
    QTest::newRow("too early") << qint64(1000) << qint64(500) << qint64(1000) << "";
    QTest::newRow("too little done") << qint64(9000) << qint64(5) << qint64(1000) << "";
    QTest::newRow("size unknown") << qint64(9000) << qint64(5) << qint64(-1) << "";
}

void TestProgress::time_left() {
    QFETCH(qint64, elapsedMs);
    QFETCH(qint64, done);
    QFETCH(qint64, total);
    QFETCH(QString, text);
    QCOMPARE(ProgressDialog::timeLeftText(elapsedMs, done, total), text);
}

void TestProgress::cancel_leaves_no_file_data() {
    QTest::addColumn<Task>("task");
    QTest::addColumn<bool>("cancel");
    for (bool cancel : {false, true}) {
        const char* how = cancel ? "cancelled" : "to the end";
        QTest::addRow("export %s", how) << Task::Export << cancel;
        QTest::addRow("customer list %s", how) << Task::CustomerList << cancel;
        QTest::addRow("ball list %s", how) << Task::BallList << cancel;
    }
}

void TestProgress::cancel_leaves_no_file() {
    QFETCH(Task, task);
    QFETCH(bool, cancel);
    auto [folder, c] = fresh_.get();
    c->db().transaction();
    QVERIFY(insertCustomers(*c, 2000));
    for (int line = 1; line <= 600; ++line)
        QVERIFY(insertBall(*c, QStringLiteral("000001"), line, QStringLiteral("1")));
    QVERIFY(c->db().commit());
    TickingClock clock(100);
    Services services = folder.services();
    services.clock = &clock;
    std::optional<CancelWhenShown> canceller;
    if (cancel)
        canceller.emplace();

    QString file;
    bool stopped = false;
    if (task == Task::Export) {
        file = customerExportPath(folder.folder(), Start.date());
        if (!cancel)
            folder.boxes.expectMessage(QStringLiteral("FICHIER ") + file +
                                       QStringLiteral("TERMINE"));
        QSqlQuery rows = customerQuery(*c);
        const ExportOutcome outcome = exportCustomerList(rows, services, nullptr);
        stopped = outcome == ExportOutcome::Cancelled;
        QCOMPARE(outcome, cancel ? ExportOutcome::Cancelled : ExportOutcome::Opened);
        QCOMPARE(folder.spreadsheet.opened(), cancel ? QStringList() : QStringList{file});
    } else {
        file = folder.folder() + QStringLiteral("liste.pdf");
        folder.printDialog.expectAccept({file});
        PrintOutcome outcome;
        if (task == Task::CustomerList) {
            QSqlQuery rows = customerQuery(*c);
            outcome = printCustomerList(rows, services, nullptr);
        } else {
            QSqlQuery balls = ballQuery(*c, QStringLiteral("000001"));
            outcome = printBallList(balls, QStringLiteral("CLIENT 001"), services, nullptr);
        }
        stopped = outcome == PrintOutcome::Cancelled;
        QCOMPARE(outcome, cancel ? PrintOutcome::Cancelled : PrintOutcome::Done);
    }
    VDN_CHECK_BOXES(folder);
    QCOMPARE(stopped, cancel);
    if (cancel)
        QVERIFY(canceller->clicked);
    // Run to the end, the file is there; stopped, nothing is left.
    QCOMPARE(QFile::exists(file), !cancel);
    QVERIFY(!shownProgress());
}

void TestProgress::terminal_prints_once_a_second_and_only_on_a_terminal() {
    struct Step {
        qint64 atMs, done, total;
    };
    // The steps of a task, each at its time; what a terminal receives.
    const Step steps[] = {{0, 1, 8}, {400, 2, 8}, {1000, 3, 8}, {1500, 7, 8}, {1600, 8, 8}};
    const QByteArray onTerminal = "\rCopie : 12 %\rCopie : 37 %\rCopie : 100 %\n";
    for (bool terminal : {false, true}) {
        std::FILE* out = std::tmpfile();
        QVERIFY(out);
        {
            FixedClock clock(Start);
            TerminalProgress progress(QStringLiteral("Copie"), clock, out);
            if (terminal)
                progress.forceOutput();
            for (const Step& s : steps) {
                clock.set(Start.addMSecs(s.atMs));
                QVERIFY(progress.step(s.done, s.total));
            }
        }
        std::rewind(out);
        QByteArray written(256, '\0');
        written.resize(qsizetype(std::fread(written.data(), 1, written.size(), out)));
        std::fclose(out);
        // A file is no terminal: nothing is written to it unless forced.
        QCOMPARE(written, terminal ? onTerminal : QByteArray());
    }
}

QTEST_MAIN(TestProgress)
#include "tst_progress.moc"
