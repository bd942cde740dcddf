// Texts of the list printouts keep to their room, pages shrink to fit the
// paper, and jobs carry their titles: checked on the recorded pages.
#include "printing/ball_list_printout.h"
#include "printing/customer_list_printout.h"
#include "report_data.h"
#include "support/fixture.h"

#include <QFontMetricsF>
#include <QTest>

#include <algorithm>

using namespace vdn;
using namespace vdn::test;

namespace {

// Width of a recorded text in the font it was drawn in, in twips.
double widthOf(const Op& op) {
    QFont f(op.fontName);
    f.setPixelSize(int(std::lround(op.fontSize * 20)));
    f.setBold(op.bold);
    return QFontMetricsF(f).horizontalAdvance(op.text);
}

// Values that cannot fit: wide capitals at each box's limit, a character
// beyond the Basic Multilingual Plane where a cut would fall, a very long text.
QString wide(int n) {
    return QString(n, QLatin1Char('W'));
}
const QString Emoji = QString::fromUtf8("\xF0\x9F\x8E\xB3"); // bowling, two UTF-16 units

// A Letter page in landscape with quarter-inch margins: 10.5 x 8 inches.
const QSizeF LetterPrintable(10.5 * 1440, 8 * 1440);
// A4 in landscape with the 2.5 mm margins the printouts ask for.
const QSizeF A4Printable((297 - 5) / 25.4 * 1440, (210 - 5) / 25.4 * 1440);

// Checks that each recorded text below the header ends before `right(op)`,
// is the start of `full(op)` and ends on a whole character.
template <class Right, class Full>
void checkTexts(const RecordingPageWriter& out, Right right, Full full, int& cut) {
    for (const Op& op : out.ofKind(Kind::Text)) {
        const QString where = describe(op);
        QVERIFY2(op.x + widthOf(op) <= right(op) + 0.01, qPrintable(where));
        const QString whole = full(op);
        QVERIFY2(whole.startsWith(op.text), qPrintable(where));
        QVERIFY2(op.text.isEmpty() || !op.text.back().isHighSurrogate(), qPrintable(where));
        if (op.text != whole) {
            ++cut;
            // As much as fits: one more character would not.
            Op longer = op;
            longer.text = whole.left(op.text.size() + 1);
            if (longer.text.back().isHighSurrogate())
                longer.text = whole.left(op.text.size() + 2);
            QVERIFY2(op.x + widthOf(longer) > right(op), qPrintable(where));
        }
    }
}

} // namespace

class TestTextRoom : public QObject {
    Q_OBJECT
private slots:
    void init() { QVERIFY(fresh_.start()); }
    void cleanup() { fresh_.stop(); }
    void customer_list_texts_stop_before_the_next_item();
    void ball_list_texts_stop_before_their_rule();
    void pages_shrink_only_when_they_do_not_fit();
    void a_cut_text_follows_the_font_and_covers_what_is_printed();
    void dialog_shows_with_the_name_of_its_own_job();

private:
    test::FreshFolder fresh_;
};

void TestTextRoom::customer_list_texts_stop_before_the_next_item() {
    auto [folder, c] = fresh_.get();
    const Fields full{{"clt_ad1", wide(48)},
                      {"clt_ad2", wide(49)},
                      {"clt_ad3", "Ré" + wide(47)},
                      {"clt_cp", "WWWWWWWWWW"},
                      {"clt_vil", wide(30) + Emoji},
                      {"clt_tel", wide(20)},
                      {"clt_fax", QString(10000, 'x')},
                      {"clt_mail", wide(200) + "@exemple.fr"}};
    QVERIFY(insertCustomer(*c, "000043", wide(5) + Emoji + wide(60), full));
    QVERIFY(insertCustomer(*c, "000044", "ZOE", {{"clt_ad1", "1 rue"}, {"clt_tel", "04"}}));
    folder.printDialog.expectAccept({});
    RecordingPageWriter out;
    QSqlQuery rows = customerQuery(*c);
    QCOMPARE(printCustomerList(rows, out, folder.services(), nullptr), PrintOutcome::Done);
    VDN_CHECK_BOXES(folder);

    // Where each item starts and the next one on its line.
    const QMap<std::pair<int, int>, double> nextX{
        {{300, 0}, 4000},    {{4000, 0}, 7000},   {{7000, 0}, 10000},
        {{10000, 0}, 12000}, {{12000, 0}, 16000}, {{4000, 1}, 7000},
        {{7000, 1}, 7500},   {{7500, 1}, 10000},  {{10000, 1}, 16000}};
    QHash<QString, QString> byStart; // texts as the rows hold them, by their cut start
    const auto right = [&](const Op& op) {
        if (op.y <= 500) // header line: up to the next header item
            return op.x < 6000 ? 5900.0 : op.x < 11000 ? 10900.0 : op.x < 14000 ? 13900.0 : 16000.0;
        const int line = int(op.y) % 700 == 200 ? 1 : 0;
        return nextX.value({int(op.x), line}, 0) - 100;
    };
    const auto fullText = [&](const Op& op) -> QString {
        if (op.y <= 500)
            return op.text;
        const int line = int(op.y) % 700 == 200 ? 1 : 0;
        const bool first = op.y < 1000;
        if (!first)
            return op.text; // the short customer prints whole
        if (op.x == 300)
            return "000043 " + wide(5) + Emoji + wide(60);
        static const QMap<std::pair<int, int>, QString> items{
            {{4000, 0}, "clt_ad1"},   {{7000, 0}, "clt_ad2"}, {{10000, 0}, "clt_tel"},
            {{12000, 0}, "clt_mail"}, {{4000, 1}, "clt_ad3"}, {{7000, 1}, "clt_cp"},
            {{7500, 1}, "clt_vil"},   {{10000, 1}, "clt_fax"}};
        const QString field = items.value({int(op.x), line});
        const QString label = field == "clt_tel"    ? "Tel  "
                              : field == "clt_fax"  ? "Fax  "
                              : field == "clt_mail" ? "Mail  "
                                                    : "";
        return label + full.value(field);
    };
    int cut = 0;
    checkTexts(out, right, fullText, cut);
    if (QTest::currentTestFailed())
        return;
    QCOMPARE(cut, 9); // every item of the first customer
    // The short customer's texts are whole.
    QVERIFY(out.texts().contains("000044 ZOE"));
    QVERIFY(out.texts().contains("Tel  04"));
    // The title of the job.
    QCOMPARE(out.ofKind(Kind::EndDocument).last().text,
             QStringLiteral("VORDAN - Liste des clients"));
}

void TestTextRoom::ball_list_texts_stop_before_their_rule() {
    auto [folder, c] = fresh_.get();
    const QStringList fields{"mat_marque", "mat_boule", "mat_serie",  "mat_layout", "mat_rg",
                             "mat_diff",   "mat_noyau", "mat_length", "mat_hook",   "mat_surface1"};
    const QList<double> xs{200, 1500, 3500, 5500, 7500, 8500, 9500, 11500, 12300, 13100};
    const QList<double> rules{1400, 3400, 5400, 7400, 8400, 9400, 11400, 12200, 13000, 16500};
    Fields full;
    for (const QString& f : fields)
        full.insert(f, wide(3) + Emoji + wide(120));
    QVERIFY(insertCustomer(*c, "000043", "DUPONT"));
    QVERIFY(insertBall(*c, "000043", 1, "1", full));
    QVERIFY(insertBall(*c, "000043", 2, "2", {{"mat_marque", "STORM"}, {"mat_rg", "2.5"}}));
    folder.printDialog.expectAccept({});
    RecordingPageWriter out;
    QSqlQuery balls = ballQuery(*c, "000043");
    const QString name = "M. " + wide(100);
    QCOMPARE(printBallList(balls, name, out, folder.services(), nullptr), PrintOutcome::Done);
    VDN_CHECK_BOXES(folder);

    const auto right = [&](const Op& op) {
        if (op.y <= 500)
            return op.x < 11000 ? 10900.0 : op.x < 14000 ? 13900.0 : 16500.0;
        const double rule = rules[xs.indexOf(op.x)];
        // Values stop 100 twips before the rule; the band's fixed titles at it.
        return op.y == 900 ? rule : rule - 100;
    };
    const auto fullText = [&](const Op& op) -> QString {
        if (op.y == 200 && op.x == 200)
            return "LISTE DES BOULES DE " + name;
        if (op.y == 1300) // the first ball's row
            return full.value(fields[xs.indexOf(op.x)]);
        return op.text;
    };
    int cut = 0;
    checkTexts(out, right, fullText, cut);
    if (QTest::currentTestFailed())
        return;
    QCOMPARE(cut, 11); // the title and the ten values of the first ball
    QVERIFY(out.texts().contains("STORM"));
    QVERIFY(out.texts().contains("Différentiel"));
    QCOMPARE(out.ofKind(Kind::EndDocument).last().text, "VORDAN - Matériel de " + name);
}

void TestTextRoom::pages_shrink_only_when_they_do_not_fit() {
    auto [folder, c] = fresh_.get();
    QVERIFY(insertCustomer(*c, "000043", "DUPONT"));
    for (int i = 1; i <= 30; ++i)
        QVERIFY(insertBall(*c, "000043", i, QString::number(i), {{"mat_marque", "STORM"}}));

    const auto print = [&](RecordingPageWriter& out) {
        folder.printDialog.expectAccept({});
        QSqlQuery balls = ballQuery(*c, "000043");
        return printBallList(balls, "DUPONT", out, folder.services(), nullptr);
    };
    // On A4 the 16500-wide table fits as it is.
    RecordingPageWriter a4;
    a4.setPrintableSize(A4Printable);
    QCOMPARE(print(a4), PrintOutcome::Done);
    const QList<Op> a4Pages = a4.ofKind(Kind::NewPage) + a4.ofKind(Kind::EndDocument).mid(0, 1);
    QCOMPARE(a4Pages.size(), 2); // page 1 ends, then the document with page 2
    for (const Op& p : a4Pages) {
        QCOMPARE(p.extent.right(), 16500 + PageWriter::PenWidth / 2);
        QCOMPARE(p.scale, 1.0);
    }
    // On Letter the whole page shrinks by one factor, so that its right
    // edge meets the printable area's and its bottom stays inside.
    RecordingPageWriter letter;
    letter.setPrintableSize(LetterPrintable);
    QCOMPARE(print(letter), PrintOutcome::Done);
    for (const Op& p : letter.ofKind(Kind::NewPage) + letter.ofKind(Kind::EndDocument).mid(0, 1)) {
        QCOMPARE(p.scale, LetterPrintable.width() / p.extent.right());
        QVERIFY(p.extent.bottom() * p.scale <= LetterPrintable.height());
    }
    // A paper lower than the drawing: the height decides.
    RecordingPageWriter low;
    low.setPrintableSize(QSizeF(20000, 5000));
    QCOMPARE(print(low), PrintOutcome::Done);
    const Op first = low.ofKind(Kind::NewPage).first();
    QCOMPARE(first.scale, 5000 / first.extent.bottom());
    VDN_CHECK_BOXES(folder);

    // The factor itself.
    QCOMPARE(PageWriter::fitScale(QRectF(0, 0, 100, 100), QSizeF(100, 100)), 1.0);
    QCOMPARE(PageWriter::fitScale(QRectF(50, 50, 150, 50), QSizeF(100, 400)), 0.5);
    QCOMPARE(PageWriter::fitScale(QRectF(0, 0, 1000, 1000), QSizeF()), 1.0);
}

void TestTextRoom::a_cut_text_follows_the_font_and_covers_what_is_printed() {
    RecordingPageWriter out;
    out.setFontSize(10);
    out.printUpToAt(1000, 0, wide(400), 5000);
    // A larger bold font after a first text: the cut follows the new font.
    out.setFontSize(20);
    out.setBold(true);
    out.printUpToAt(1000, 1000, wide(400), 5000);
    out.newPage();
    const QList<Op> texts = out.ofKind(Kind::Text);
    QCOMPARE(texts.size(), 2);
    for (const Op& text : texts) {
        QVERIFY(1000 + widthOf(text) <= 5000);
        Op longer = text;
        longer.text += QLatin1Char('W');
        QVERIFY(1000 + widthOf(longer) > 5000);
    }
    QVERIFY(texts[1].text.size() < texts[0].text.size());
    // The page covers the cut texts, not the whole values.
    const Op page = out.ofKind(Kind::NewPage).first();
    QCOMPARE(page.extent.right(), 1000 + std::max(widthOf(texts[0]), widthOf(texts[1])));
}

void TestTextRoom::dialog_shows_with_the_name_of_its_own_job() {
    // Qt's dialog names the PDF file it offers after the job: the name must
    // be this document's when the dialog shows, not the previous one's.
    auto [folder, c] = fresh_.get();
    QVERIFY(insertCustomer(*c, "000001", "DUPONT JEAN"));
    QVERIFY(insertBall(*c, "000001", 1, "1", {{"mat_marque", "STORM"}}));
    RecordingPageWriter out;
    folder.printDialog.expectAccept({});
    QSqlQuery balls = ballQuery(*c, "000001");
    QCOMPARE(printBallList(balls, "M. DUPONT JEAN", out, folder.services(), nullptr),
             PrintOutcome::Done);
    folder.printDialog.expectCancel();
    QSqlQuery rows = customerQuery(*c);
    QCOMPARE(printCustomerList(rows, out, folder.services(), nullptr), PrintOutcome::Cancelled);
    VDN_CHECK_BOXES(folder);
    QCOMPARE(folder.printDialog.shown().size(), 2);
    QCOMPARE(folder.printDialog.shown().at(0).docName,
             QStringLiteral("VORDAN - Matériel de M. DUPONT JEAN"));
    QCOMPARE(folder.printDialog.shown().at(1).docName, CustomerListTitle);
}

QTEST_MAIN(TestTextRoom)
#include "tst_text_room.moc"
