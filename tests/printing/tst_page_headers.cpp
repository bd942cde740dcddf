#include "data/globals.h"
#include "printing/customer_list_printout.h"
#include "printing/page_headers.h"
#include "printing/recording_page_writer.h"
#include "report_data.h"
#include "support/fixture.h"

#include <QTest>

using namespace vdn;
using namespace vdn::test;

namespace {

// A clock that moves on one minute each time it is read.
class TickingClock : public Clock {
public:
    explicit TickingClock(QDateTime start) : next_(std::move(start)) {}
    QDateTime now() const override {
        const QDateTime t = next_;
        next_ = next_.addSecs(60);
        return t;
    }

private:
    mutable QDateTime next_;
};

} // namespace

class TestPageHeaders : public QObject {
    Q_OBJECT
private slots:
    void init() { QVERIFY(fresh_.start()); }
    void cleanup() { fresh_.stop(); }
    void customer_list_header_items();
    void ball_list_header_items();
    void each_page_header_reads_the_clock_when_drawn();
    void page_numbers_restart_with_each_document();

private:
    test::FreshFolder fresh_;
};

void TestPageHeaders::customer_list_header_items() {
    RecordingPageWriter out;
    const FixedClock clock(QDateTime(QDate(2026, 12, 8), QTime(9, 5, 0)));
    QCOMPARE(drawCustomerListHeader(out, QStringLiteral("LE STRIKE"), clock), 500.0);
    QCOMPARE(describe(out.ops()),
             (QStringList{
                 "p1 box 100,100 16000,500",
                 "p1 text 200,200 [LE STRIKE] Times New Roman 13 bold",
                 "p1 text 6000,200 [LISTE DES CLIENTS] Times New Roman 13 bold",
                 "p1 text 11000,200 [Edition du : 08/12/2026 à 09:05] Times New Roman 10 bold",
                 "p1 text 14000,200 [Page : ] Times New Roman 10 bold",
                 "p1 text 15000,200 [1] Times New Roman 10 bold",
             }));
    // The rows that follow are printed in the plain 10-point font.
    QVERIFY(!out.bold());
    QCOMPARE(out.fontSize(), 10.0);
    QCOMPARE(out.fontName(), QStringLiteral("Times New Roman"));
}

void TestPageHeaders::ball_list_header_items() {
    RecordingPageWriter out;
    const FixedClock clock(QDateTime(QDate(2027, 1, 31), QTime(18, 45, 0)));
    QCOMPARE(drawBallListHeader(out, QStringLiteral("M. DURAND Éric"), clock), 500.0);
    QCOMPARE(describe(out.ops()),
             (QStringList{
                 "p1 box 100,100 16500,500",
                 "p1 text 200,200 [LISTE DES BOULES DE M. DURAND Éric] Times New Roman 13 bold",
                 "p1 text 11000,200 [Edition du : 31/01/2027] Times New Roman 10 bold",
                 "p1 text 14000,200 [Page : ] Times New Roman 10 bold",
                 "p1 text 15000,200 [1] Times New Roman 10 bold",
             }));
    QVERIFY(!out.bold());
    QCOMPARE(out.fontSize(), 10.0);
}

void TestPageHeaders::each_page_header_reads_the_clock_when_drawn() {
    auto [folder, c] = fresh_.get();
    QVERIFY(insertCustomers(*c, 31));
    // A document printed across midnight: the later pages carry the new day.
    TickingClock clock(QDateTime(QDate(2026, 12, 31), QTime(23, 59, 0)));
    Services services = folder.services();
    services.clock = &clock;
    folder.printDialog.expectAccept({});
    RecordingPageWriter out;
    QSqlQuery rows = customerQuery(*c);
    QCOMPARE(printCustomerList(rows, out, services, nullptr), PrintOutcome::Done);
    VDN_CHECK_BOXES(folder);
    QStringList dates;
    for (const Op& op : out.ofKind(Kind::Text))
        if (op.text.startsWith(QStringLiteral("Edition du : ")))
            dates << QStringLiteral("p%1 %2").arg(op.page).arg(op.text);
    QCOMPARE(dates, (QStringList{"p1 Edition du : 31/12/2026 à 23:59",
                                 "p2 Edition du : 01/01/2027 à 00:00",
                                 "p3 Edition du : 01/01/2027 à 00:01"}));
}

void TestPageHeaders::page_numbers_restart_with_each_document() {
    auto [folder, c] = fresh_.get();
    QVERIFY(insertCustomers(*c, 16));
    RecordingPageWriter out;
    for (int job = 0; job < 2; ++job) {
        folder.printDialog.expectAccept({});
        QSqlQuery rows = customerQuery(*c);
        QCOMPARE(printCustomerList(rows, out, folder.services(), nullptr), PrintOutcome::Done);
    }
    VDN_CHECK_BOXES(folder);
    QStringList numbers;
    for (const Op& op : out.ofKind(Kind::Text))
        if (op.x == 15000)
            numbers << QStringLiteral("p%1 %2").arg(op.page).arg(op.text);
    QCOMPARE(numbers, (QStringList{"p1 1", "p2 2", "p1 1", "p2 2"}));
    QCOMPARE(out.documentsSent(), 2);
}

QTEST_MAIN(TestPageHeaders)
#include "tst_page_headers.moc"
