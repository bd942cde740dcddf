// Long tasks show a progress window after half a second; "Annuler" there
// stops the export and the printouts with nothing left behind.

#include "customers/customer_store.h"
#include "platform/terminal_progress.h"
#include "printing/ball_list_printout.h"
#include "printing/customer_export.h"
#include "printing/customer_list_printout.h"
#include "report_data.h"
#include "support/files.h"
#include "support/fixture.h"
#include "widgets/progress_dialog.h"

#include <QApplication>
#include <QDir>
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

enum class Task { Export, CustomerList, BallList };

} // namespace

class TestProgress : public QObject {
    Q_OBJECT
private slots:
    void init() { QVERIFY(fresh_.start()); }
    void cleanup() { fresh_.stop(); }
    void window_shows_after_half_a_second();
    void time_left();
    void cancel_leaves_no_file_data();
    void cancel_leaves_no_file();
    void terminal_prints_once_a_second_and_only_on_a_terminal();

private:
    FreshFolder fresh_;
};

void TestProgress::window_shows_after_half_a_second() {
    // Milliseconds after the first report, whether the window shows.
    for (auto [laterMs, shown] : {std::pair(0, false), {499, false}, {500, true}, {3000, true}}) {
        FixedClock clock(Start);
        ProgressDialog progress(clock, nullptr, QStringLiteral("Exportation"));
        QVERIFY(progress.step(10, 1000));
        clock.set(Start.addMSecs(laterMs));
        QVERIFY(progress.step(250, 1000));
        QCOMPARE(shownProgress() != nullptr, shown);
        if (!shown)
            continue;
        QVERIFY(progress.window()->labelText().startsWith(QStringLiteral("Exportation")));
        // A quarter of the way.
        QCOMPARE(progress.window()->value() * 4, progress.window()->maximum());
        progress.window()->cancel();
        QVERIFY(!progress.step(260, 1000));
    }
}

void TestProgress::time_left() {
    struct Case {
        qint64 elapsedMs, done, total;
        const char* text;
    };
    const Case cases[] = {
        {4000, 250, 1000, "Temps restant : environ 12 s"}, // 4 s for a quarter
        {60000, 10, 100, "Temps restant : environ 9 min"}, // 540 s for the rest
        {1000, 500, 1000, ""},                             // too early
        {9000, 5, 1000, ""},                               // too little done
        {9000, 5, -1, ""},                                 // size unknown
    };
    for (const Case& c : cases)
        QCOMPARE(ProgressDialog::timeLeftText(c.elapsedMs, c.done, c.total),
                 QString::fromUtf8(c.text));
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
    // "Annuler" is clicked as soon as the window shows; by then the bar says
    // how far the customers' rows are (their count asked first).
    bool clicked = false;
    int shownPermille = -1;
    QTimer canceller;
    QObject::connect(&canceller, &QTimer::timeout, [&] {
        if (QProgressDialog* d = shownProgress()) {
            shownPermille = d->maximum() > 0 ? d->value() * 1000 / d->maximum() : -1;
            QTest::mouseClick(d->findChild<QPushButton*>(), Qt::LeftButton);
            clicked = true;
        }
    });
    if (cancel)
        canceller.start(0);

    QString file;
    if (task == Task::Export) {
        file = customerExportPath(folder.folder(), Start.date());
        // The day's earlier export: a cancel keeps it, a finished one replaces it.
        QVERIFY(test::writeFile(file, "export du matin"));
        if (!cancel)
            folder.boxes.expectMessage(QStringLiteral("FICHIER ") + file +
                                       QStringLiteral("TERMINE"));
        const auto rows = CustomerStore(c->db()).printoutRows(CustomerQuery{});
        QVERIFY(rows);
        const ExportOutcome outcome = exportCustomerList(**rows, services, nullptr);
        QCOMPARE(outcome, cancel ? ExportOutcome::Cancelled : ExportOutcome::Opened);
        QCOMPARE(folder.spreadsheet.opened(), cancel ? QStringList() : QStringList{file});
    } else {
        file = folder.folder() + QStringLiteral("liste.pdf");
        folder.printDialog.expectAccept({file});
        PrintOutcome outcome;
        if (task == Task::CustomerList) {
            const auto rows = CustomerStore(c->db()).printoutRows(CustomerQuery{});
            QVERIFY(rows);
            outcome = printCustomerList(**rows, services, nullptr);
        } else {
            QSqlQuery balls = ballQuery(*c, QStringLiteral("000001"));
            outcome = printBallList(balls, QStringLiteral("CLIENT 001"), services, nullptr);
        }
        QCOMPARE(outcome, cancel ? PrintOutcome::Cancelled : PrintOutcome::Done);
    }
    VDN_CHECK_BOXES(folder);
    QCOMPARE(clicked, cancel);
    if (cancel && task != Task::BallList) {
        // Shown half a second in, at 100 ms a clock reading: part of 2000 rows
        // done, not none, not all.
        QVERIFY2(shownPermille > 0 && shownPermille < 1000,
                 qPrintable(QString::number(shownPermille)));
    }
    // Run to the end, the file is there; stopped, nothing is left but what
    // was there before.
    if (task == Task::Export) {
        QFile written(file);
        QVERIFY(written.open(QIODevice::ReadOnly));
        const QByteArray bytes = written.readAll();
        QCOMPARE(bytes == "export du matin", cancel);
        // No temporary file of the export is left beside it.
        QCOMPARE(QDir(folder.folder()).entryList({"Client_*"}, QDir::Files | QDir::Hidden).size(),
                 1);
    } else {
        QCOMPARE(QFile::exists(file), !cancel);
    }
    QVERIFY(!shownProgress());
}

void TestProgress::terminal_prints_once_a_second_and_only_on_a_terminal() {
    // The steps of a task of 8, each at its time (ms); what a terminal receives.
    const std::pair<int, int> steps[] = {{0, 1}, {400, 2}, {1000, 3}, {1500, 7}, {1600, 8}};
    const QByteArray onTerminal = "\rCopie : 12 %\rCopie : 37 %\rCopie : 100 %\n";
    for (bool terminal : {false, true}) {
        std::FILE* out = std::tmpfile();
        QVERIFY(out);
        {
            FixedClock clock(Start);
            TerminalProgress progress(QStringLiteral("Copie"), clock, out);
            if (terminal)
                progress.forceOutput();
            for (auto [atMs, done] : steps) {
                clock.set(Start.addMSecs(atMs));
                QVERIFY(progress.step(done, 8));
            }
        }
        std::rewind(out);
        QFile file;
        QVERIFY(file.open(out, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle));
        const QByteArray written = file.readAll();
        // A file is no terminal: nothing is written to it unless forced.
        QCOMPARE(written, terminal ? onTerminal : QByteArray());
    }
}

QTEST_MAIN(TestProgress)
#include "tst_progress.moc"
