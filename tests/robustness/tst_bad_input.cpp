// ctest-engines: postgresql
// Every text box and pick list fed the texts that break programs: each is
// stored as typed (cut to the box's limit), read back identical, found by the
// search or the reference check exactly, exported and printed without
// shifting a line or a column.
#include "../customers/client_fixture.h"
#include "bad_inputs.h"
#include "data/text.h"
#include "drilling/drilling_sheet_panel.h"
#include "printing/customer_export.h"
#include "printing/customer_list_printout.h"
#include "printing/recording_page_writer.h"
#include "reference/catalogue.h"
#include "reference/vdn_param.h"
#include "support/csv_reader.h"
#include "support/query_reports.h"
#include "support/soundness.h"
#include "support/widget_lookup.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QSqlQuery>
#include <QTableView>
#include <QToolButton>

using namespace vdn;
using test::ClientFixture;

namespace {

// The text boxes of the customer record, their stored field and limit.
struct RecordBox {
    const char* box;
    const char* field;
    int limit;
};
const RecordBox RecordBoxes[] = {
    {"txtint", "clt_int", 5},  {"Txtnom", "clt_nom", 30}, {"txttel", "clt_tel", 15},
    {"txtgsm", "clt_gsm", 15}, {"txtfax", "clt_fax", 15}, {"txtmail", "clt_mail", 50},
    {"txtad1", "clt_ad1", 50}, {"txtad2", "clt_ad2", 50}, {"txtad3", "clt_ad3", 50},
    {"txtcp", "clt_cp", 5},    {"txtvil", "clt_vil", 50}, {"txtpays", "clt_pays", 50},
    {"txtnic", "clt_nic", 20},
};

// Puts a text into a box as a paste does: select all, then insert.
void paste(QLineEdit* e, const QString& text) {
    QTest::mouseClick(e, Qt::LeftButton);
    e->selectAll();
    e->insert(text);
}

QString field(Connection& c, const QString& code, const char* name) {
    return test::scalar(c,
                        QStringLiteral("SELECT %1 FROM strclient WHERE clt_cod = ?")
                            .arg(QLatin1String(name)),
                        {code})
        .toString();
}

// What a box of `limit` UTF-16 units keeps of a pasted text: the text cut
// at the limit, less a character that would not fit whole.
QString cut(const QString& text, int limit) {
    QString kept = text.left(limit);
    if (!kept.isEmpty() && kept.back().isHighSurrogate())
        kept.chop(1);
    return kept;
}

// A multi-line box keeps line breaks, each as one LF.
QString asLines(QString text) {
    return text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"))
        .replace(QLatin1Char('\r'), QLatin1Char('\n'));
}

// The name a text gives: the search and the record need one.
QString nameFrom(const QString& text) {
    return QStringLiteral("Z") + text;
}

// The bytes a field has in the export.
QByteArray exported(const QString& text) {
    return toWindows1252(text);
}

void addRows() {
    QTest::addColumn<QString>("text");
    for (const test::BadInput& input : test::badInputs())
        QTest::newRow(input.name) << input.text;
}

} // namespace

namespace {
// One reference value compared exactly: byte by byte on either engine
// (a server's text columns compare so already).
QString exactValue() {
    return QStringLiteral("SELECT count(*) FROM strparam WHERE par_table = ? AND par_lib = ?") +
           (test::onServerEngine() ? QString() : QStringLiteral(" COLLATE BINARY"));
}
} // namespace

class TestBadInput : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { test::useFrenchLocale(); }
    void customer_record_keeps_it_data() { addRows(); }
    void customer_record_keeps_it();
    void sheet_pick_lists_keep_it_data() { addRows(); }
    void sheet_pick_lists_keep_it();
    void reference_values_keep_it_data() { addRows(); }
    void reference_values_keep_it();
};

void TestBadInput::customer_record_keeps_it() {
    QFETCH(QString, text);
    ClientFixture f;
    QVERIFY(f.ready());
    QVERIFY(test::addCustomer(*f.db, "000001", "ADAM"));
    const QString name = nameFrom(text);
    const QString storedName = cut(name, 30).toUpper();
    // A customer whose name the typed one would match if '%', '_' or a quote
    // were read as anything but themselves.
    QString decoy = storedName;
    decoy.replace(QLatin1Char('%'), QLatin1Char('X'))
        .replace(QLatin1Char('_'), QLatin1Char('Y'))
        .replace(QLatin1Char('\''), QLatin1Char('Q'));
    const bool withDecoy = decoy != storedName;
    if (withDecoy)
        QVERIFY(test::addCustomer(*f.db, "000003", decoy));
    QVERIFY(f.open());

    f.click("cmdajout");
    const QString code = f.box("Txtcod")->text();
    QCOMPARE(code, withDecoy ? QStringLiteral("000004") : QStringLiteral("000002"));
    f.choose("Option1_1"); // business customer: the VAT number is kept
    for (const RecordBox& b : RecordBoxes)
        paste(f.box(b.box), QLatin1String(b.box) == QLatin1String("Txtnom") ? name : text);
    auto* memo = f.find<QPlainTextEdit>("txtmemo");
    memo->setFocus();
    memo->insertPlainText(text);
    // The weight box takes numbers only: any of these texts is refused once
    // the box is left, and the weight goes back to 0.
    paste(f.box("txtlbs"), text);
    f.folder.boxes.expectMessage(QStringLiteral("poids non conforme"));
    f.click("cmdvalide");
    VDN_CHECK_BOXES(f.folder);
    QVERIFY(f.find("Frame200")->isVisible());

    // Stored as typed, cut to each box's limit without splitting a character.
    for (const RecordBox& b : RecordBoxes) {
        const bool isName = QLatin1String(b.box) == QLatin1String("Txtnom");
        const QString expected = isName ? storedName : cut(text, b.limit);
        QCOMPARE(field(*f.db, code, b.field), expected);
    }
    QCOMPARE(field(*f.db, code, "clt_memo"), asLines(text));
    QCOMPARE(field(*f.db, code, "clt_lbs"), QStringLiteral("0"));
    QCOMPARE(test::scalar(*f.db, "SELECT count(*) FROM strclient").toInt(), withDecoy ? 3 : 2);
    QVERIFY(test::databaseSound(*f.db));

    // Read back identical.
    f.clickRowOf(code);
    QTest::mouseClick(f.find("Image2"), Qt::LeftButton);
    QVERIFY(f.find("Frame100")->isVisible());
    for (const RecordBox& b : RecordBoxes)
        QCOMPARE(f.box(b.box)->text(), field(*f.db, code, b.field));
    QCOMPARE(memo->toPlainText(), asLines(text));
    // Saved again unchanged, nothing moves.
    f.click("cmdvalide");
    VDN_CHECK_BOXES(f.folder);
    for (const RecordBox& b : RecordBoxes)
        QCOMPARE(field(*f.db, code, b.field),
                 QLatin1String(b.box) == QLatin1String("Txtnom") ? storedName : cut(text, b.limit));
    QCOMPARE(field(*f.db, code, "clt_memo"), asLines(text));

    // Found by the search exactly: the name as typed in the search box (30
    // characters at most) lists this customer and not the decoy.
    f.retype("selnom", QString());
    paste(f.box("selnom"), name);
    QCOMPARE(f.gridCodes(), QStringList{code});

    // Exported: one line per customer, eleven columns each, the fields as
    // stored (in Windows-1252).
    const QString path = f.folder.folder() + QStringLiteral("export.csv");
    {
        QSqlQuery rows(f.db->db());
        QVERIFY(rows.exec("SELECT * FROM strclient ORDER BY clt_cod"));
        QVERIFY(writeCustomerExport(rows, path).ok());
    }
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const auto lines = test::parseCsv(file.readAll());
    QVERIFY(lines.has_value());
    QCOMPARE(lines->size(), withDecoy ? 4 : 3);
    for (const QList<QByteArray>& l : *lines)
        QCOMPARE(l.size(), 11);
    QList<QByteArray> mine;
    for (const QList<QByteArray>& l : *lines)
        if (l.at(0) == code.toLatin1())
            mine = l;
    QCOMPARE(mine.size(), 11);
    QCOMPARE(mine.at(1), exported(storedName));
    QCOMPARE(mine.at(2), exported(cut(text, 50)));
    QCOMPARE(mine.at(5), exported(cut(text, 5)));
    QCOMPARE(mine.at(8), exported(cut(text, 15)));
    QCOMPARE(mine.at(10), exported(cut(text, 20)));

    // Printed: the customer's block has the texts at the places a plain
    // customer's has them, and no text carries a line break or a tab.
    auto layout = [&f](const QString& where) {
        f.folder.printDialog.expectAccept({});
        RecordingPageWriter out;
        QSqlQuery rows(f.db->db());
        rows.exec(QStringLiteral("SELECT * FROM strclient WHERE ") + where);
        [&] {
            QCOMPARE(printCustomerList(rows, out, f.folder.services(), nullptr),
                     PrintOutcome::Done);
        }();
        QList<std::pair<double, double>> places;
        QStringList texts;
        for (const RecordingPageWriter::Op& op : out.ofKind(RecordingPageWriter::Kind::Text)) {
            places << std::pair{op.x, op.y};
            texts << op.text;
        }
        return std::pair{places, texts};
    };
    QVERIFY(test::addCustomer(*f.db, "000099", "PLAIN", "VILLE",
                              {{"clt_ad1", "A"},
                               {"clt_ad2", "A"},
                               {"clt_ad3", "A"},
                               {"clt_cp", "A"},
                               {"clt_tel", "A"},
                               {"clt_fax", "A"},
                               {"clt_mail", "A"},
                               {"clt_gsm", "A"},
                               {"clt_pays", "A"}}));
    const auto plain = layout(QStringLiteral("clt_cod = '000099'"));
    const auto bad = layout(QStringLiteral("clt_cod = '") + code + QStringLiteral("'"));
    VDN_CHECK_BOXES(f.folder);
    if (!text.isEmpty()) // an empty field prints no label, so fewer texts
        QCOMPARE(bad.first, plain.first);
    for (const QString& t : bad.second)
        QVERIFY2(!t.contains(QLatin1Char('\n')) && !t.contains(QLatin1Char('\r')) &&
                     !t.contains(QLatin1Char('\t')),
                 qPrintable(t.left(60)));
}

void TestBadInput::sheet_pick_lists_keep_it() {
    QFETCH(QString, text);
    test::DataFolder f;
    QVERIFY(f.ok());
    auto c = f.connect();
    // The pick lists of the fields fed; the empty text is a known value of
    // none of them at first.
    const QList<int> fields{8, 12, 19, 30, 36};
    for (int n : fields)
        QVERIFY(c->execute(QStringLiteral("DELETE FROM strparam WHERE par_table = '%1' AND "
                                          "par_lib = ''")
                               .arg(n))
                    .ok());
    const QString cut = leftChars(text, 10);
    // A value the typed one would match if '%', '_' or case were read loosely.
    QString decoy = cut;
    decoy.replace(QLatin1Char('%'), QLatin1Char('X')).replace(QLatin1Char('_'), QLatin1Char('Y'));
    const bool withDecoy = decoy != cut;
    if (withDecoy)
        QVERIFY(test::scalar(*c, "INSERT INTO strparam VALUES ('8', ?)", {decoy}).isNull());

    DrillingSheetPanel panel(f.services(), c->db());
    QVERIFY(panel.startCreate({"000021", "A", ""}));
    for (int n : fields) {
        auto* combo = panel.findChild<QComboBox*>(QStringLiteral("Combo%1").arg(n));
        QVERIFY(combo);
        combo->setEditText(text);
    }
    auto* comment = panel.findChild<QPlainTextEdit*>("txtcomm_doigt");
    comment->setPlainText(text);
    // Each list asks once whether to register the value, cut to ten
    // characters.
    for (int n : fields) {
        const QString label =
            n < 10 ? QStringLiteral(" %1  : ").arg(n) : QStringLiteral("%1 : ").arg(n);
        f.boxes.expectQuestion(label + cut +
                                   QStringLiteral(" est inconnu, voulez-vous "
                                                  "l'enregistrer ? "),
                               true);
    }
    panel.validate();
    VDN_CHECK_BOXES(f);

    QSqlQuery row(c->db());
    QVERIFY(row.prepare("SELECT * FROM strpercage WHERE per_code = ?"));
    row.addBindValue(QStringLiteral("000021"));
    QVERIFY(row.exec() && row.next());
    for (int n : fields) {
        QCOMPARE(row.value(QStringLiteral("PER_%1").arg(n, 2, 10, QLatin1Char('0'))).toString(),
                 cut);
        QCOMPARE(test::scalar(*c, exactValue(), {QString::number(n), cut}).toInt(), 1);
    }
    QCOMPARE(row.value("PER_COM_D").toString(), asLines(text));
    if (withDecoy)
        QCOMPARE(
            test::scalar(*c, "SELECT count(*) FROM strparam WHERE par_lib = ?", {decoy}).toInt(),
            1);

    // Opened again: the same values show and are now known, so validating
    // asks nothing.
    DrillingSheetPanel again(f.services(), c->db());
    QVERIFY(again.startModify({"000021", "A", ""}));
    for (int n : fields)
        QCOMPARE(again.findChild<QComboBox*>(QStringLiteral("Combo%1").arg(n))->currentText(), cut);
    QCOMPARE(again.findChild<QPlainTextEdit*>("txtcomm_doigt")->toPlainText(), asLines(text));
    again.validate();
    VDN_CHECK_BOXES(f);
    QVERIFY(test::databaseSound(*c));
}

void TestBadInput::reference_values_keep_it() {
    QFETCH(QString, text);
    test::DataFolder f;
    QVERIFY(f.ok());
    auto c = f.connect();
    // The lists that take free text: brands (Txt0, 30), cores (txt1, 15) and
    // distances (Txt6, 5).
    const struct {
        int code;
        const char* box;
        int limit;
        bool capitals;
    } lists[] = {{0, "Txt0", 30, true}, {1, "txt1", 15, false}, {6, "Txt6", 5, false}};
    for (const auto& list : lists) {
        VdnParam w(f.services());
        w.setAttribute(Qt::WA_DeleteOnClose, false);
        w.load();
        w.show();
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        QVERIFY(test::pickItem(w.findChild<QComboBox*>("Combo1"), 2));
        QVERIFY(test::pickItem(w.findChild<QComboBox*>("Combo3"), list.code + 1));
        const QString table = QString::number(list.code);
        QTest::mouseClick(w.findChild<QToolButton*>("cmdajout3"), Qt::LeftButton);
        QLineEdit* entry = w.findChild<QLineEdit*>(QLatin1String(list.box));
        QVERIFY(entry && entry->isVisible());
        paste(entry, text);
        const QString typed = cut(text, list.limit);
        QCOMPARE(entry->text(), typed);
        const QString stored = list.capitals ? typed.toUpper() : typed;
        const QStringList values =
            test::column(*c, "SELECT par_lib FROM strparam WHERE par_table = ?", {table});
        const int before = int(values.size());
        // Duplicates are found whatever the case.
        bool alreadyThere = false;
        for (const QString& v : values)
            alreadyThere = alreadyThere || v.toUpper() == typed.toUpper();
        if (alreadyThere)
            f.boxes.expectMessage(QStringLiteral("Cette valeur existe déjà"));
        QTest::mouseClick(w.findChild<QToolButton*>("cmdvalide3"), Qt::LeftButton);
        VDN_CHECK_BOXES(f);
        if (alreadyThere) {
            QTest::mouseClick(w.findChild<QToolButton*>("cmdannule3"), Qt::LeftButton);
            continue;
        }
        QCOMPARE(
            test::scalar(*c, "SELECT count(*) FROM strparam WHERE par_table = ?", {table}).toInt(),
            before + 1);
        QCOMPARE(test::scalar(*c, exactValue(), {table, stored}).toInt(), 1);
        // Typed again, the same value is refused as a duplicate: found exactly.
        QTest::mouseClick(w.findChild<QToolButton*>("cmdajout3"), Qt::LeftButton);
        paste(entry, text);
        f.boxes.expectMessage(QStringLiteral("Cette valeur existe déjà"));
        QTest::mouseClick(w.findChild<QToolButton*>("cmdvalide3"), Qt::LeftButton);
        VDN_CHECK_BOXES(f);
        QTest::mouseClick(w.findChild<QToolButton*>("cmdannule3"), Qt::LeftButton);
        QCOMPARE(
            test::scalar(*c, "SELECT count(*) FROM strparam WHERE par_table = ?", {table}).toInt(),
            before + 1);
    }
}

QTEST_MAIN(TestBadInput)
#include "tst_bad_input.moc"
