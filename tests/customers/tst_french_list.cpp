// The customer window searching and sorting the way a French shop reads:
// typed text matched with accents and case aside, phone numbers and codes
// found from their digits, names and towns in French order in the list, its
// heading sorts, the printout and the export, driven through the real widgets.

#include "client_fixture.h"
#include "data/globals.h"
#include "printing/customer_export.h"

#include "support/files.h"

#include <QFile>
#include <QStringDecoder>

using namespace vdn;
using test::ClientFixture;

namespace {

// Names that a byte order puts wrong: BÉRANGER after BONNET, ÉMILE after ZOLA.
bool addCustomers(Connection& c) {
    return test::addCustomer(c, "000001", "BONNET", "Zurich") &&
           test::addCustomer(c, "000002", "BERNARD", "Évry", {{"clt_tel", "06 12 34 56 78"}}) &&
           test::addCustomer(c, "000003", "BÉRANGER", "Annecy",
                             {{"clt_gsm", "+33 6 12 99 00 11"}}) &&
           test::addCustomer(c, "000004", "GUÉRIN", "évry", {{"clt_fax", "01.61.20.00.00"}}) &&
           test::addCustomer(c, "000005", "ZOLA", "Lyon") &&
           test::addCustomer(c, "000006", "ÉMILE", "Étampes") &&
           test::addCustomer(c, "000007", "ŒUVRE", "Paris") &&
           test::addCustomer(c, "061200", "LE GALL", "Paris") &&
           test::addCustomer(c, "000009", "LEBLANC", "Ézy");
}

const QStringList ByName{"000003", "000002", "000001", "000006", "000004",
                         "061200", "000009", "000007", "000005"};

// The codes of the rows the printout and the export read.
QStringList editionCodes(ClientFixture& f) {
    QStringList codes;
    Result<std::unique_ptr<CustomerRows>> rows = f.w->customers().printoutRows(f.w->editionQuery());
    if (!rows)
        return {QStringLiteral("failed")};
    CustomerReportRow row;
    while ((*rows)->next(row))
        codes << row[CustomerField::Cod].toString();
    if (!(*rows)->status())
        codes << QStringLiteral("failed");
    return codes;
}

} // namespace

class TestFrenchList : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { test::useFrenchLocale(); }
    void search_finds_accented_names_and_numbers_data();
    void search_finds_accented_names_and_numbers();
    void heading_sorts_printout_and_export_in_french_order();
    void customer_added_by_another_program_is_found_on_reopening();
};

void TestFrenchList::search_finds_accented_names_and_numbers_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QStringList>("codes");
    QTest::newRow("guerin") << "guerin" << QStringList{"000004"};
    QTest::newRow("GUERIN") << "GUERIN" << QStringList{"000004"};
    QTest::newRow("guérin") << "guérin" << QStringList{"000004"};
    QTest::newRow("ber") << "ber" << QStringList{"000003", "000002"};
    QTest::newRow("oeuvre") << "oeuvre" << QStringList{"000007"};
    QTest::newRow("le g") << "le g" << QStringList{"061200"};
    // The phone of BERNARD, the mobile of BÉRANGER, the code 061200; the fax
    // of GUÉRIN is 0161…, not 0612…
    QTest::newRow("0612") << "0612" << QStringList{"000003", "000002", "061200"};
    QTest::newRow("06 12") << "06 12" << QStringList{"000003", "000002", "061200"};
    QTest::newRow("06.12") << "06.12" << QStringList{"000003", "000002", "061200"};
    QTest::newRow("+33 6 12") << "+33 6 12" << QStringList{"000003", "000002"};
    QTest::newRow("fax") << "01 61" << QStringList{"000004"};
    QTest::newRow("code") << "0000" << QStringList{"000003", "000002", "000001", "000006",
                                                   "000004", "000009", "000007", "000005"};
}

void TestFrenchList::search_finds_accented_names_and_numbers() {
    QFETCH(QString, typed);
    QFETCH(QStringList, codes);
    ClientFixture f;
    QVERIFY(f.openWith(addCustomers));
    QCOMPARE(f.gridCodes(), ByName);
    test::typeText(f.box("selnom"), typed);
    QCOMPARE(f.gridCodes(), codes);
    // The printout and the export list the same rows in the same order.
    QCOMPARE(editionCodes(f), codes);
    VDN_CHECK_BOXES(f.folder);
}

void TestFrenchList::heading_sorts_printout_and_export_in_french_order() {
    ClientFixture f;
    QVERIFY(f.openWith(addCustomers));
    QCOMPARE(editionCodes(f), ByName);
    // Names Z to A: ÉMILE among the E, not after ZOLA.
    f.clickHeading(CustomerColumn::Name);
    QStringList reversed(ByName.crbegin(), ByName.crend());
    QCOMPARE(f.gridCodes(), reversed);
    QCOMPARE(editionCodes(f), reversed);
    // Towns Z to A: Évry and évry (equal but for case, so by code) among
    // the E towns, after Ézy and before Étampes.
    f.clickHeading(CustomerColumn::Town);
    const QStringList byTown{"000001", "061200", "000007", "000005", "000009",
                             "000004", "000002", "000006", "000003"};
    QCOMPARE(f.gridCodes(), byTown);
    QCOMPARE(editionCodes(f), byTown);

    // The export writes the rows in that order.
    const QString path = f.folder.folder() + QStringLiteral("Client_20261208.csv");
    f.folder.boxes.expectMessage(QStringLiteral("FICHIER ") + path + QStringLiteral("TERMINE"));
    f.click("cmdexcel");
    VDN_CHECK_BOXES(f.folder);
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QString text = test::fromWindows1252(file.readAll());
    QStringList lines = text.split(QStringLiteral("\r\n"));
    QCOMPARE(lines.takeFirst(), CustomerExportHeader);
    QStringList exported;
    for (const QString& line : std::as_const(lines))
        if (!line.isEmpty())
            exported << line.section(QLatin1Char(','), 0, 0);
    QCOMPARE(exported, byTown);
}

void TestFrenchList::customer_added_by_another_program_is_found_on_reopening() {
    ClientFixture f;
    QVERIFY(f.ready());
    QVERIFY(addCustomers(*f.db));
    // Written as sqlite3 would: no keys but those the file's triggers give.
    QVERIFY(test::insertRow(
        *f.db, QStringLiteral("strclient"),
        test::customerRow(QStringLiteral("000010"), QStringLiteral("Béatrice"),
                          QStringLiteral("Évreux"),
                          {{QStringLiteral("clt_gsm"), QStringLiteral("07 00 00 00 01")}})));
    // And a customer renamed by another program.
    QVERIFY(f.db->execute(QStringLiteral("UPDATE strclient SET clt_nom = 'ÉLOÏSE' "
                                         "WHERE clt_cod = '000005'"))
                .ok());
    QVERIFY(f.open());
    QCOMPARE(f.gridCodes(), (QStringList{"000010", "000003", "000002", "000001", "000005", "000006",
                                         "000004", "061200", "000009", "000007"}));
    test::typeText(f.box("selnom"), QStringLiteral("bea"));
    QCOMPARE(f.gridCodes(), QStringList{"000010"});
    f.retype("selnom", QStringLiteral("0700"));
    QCOMPARE(f.gridCodes(), QStringList{"000010"});
    f.retype("selnom", QStringLiteral("zola"));
    QCOMPARE(f.gridCodes(), QStringList{});
    f.retype("selnom", QStringLiteral("eloise"));
    QCOMPARE(f.gridCodes(), QStringList{"000005"});
    VDN_CHECK_BOXES(f.folder);
}

QTEST_MAIN(TestFrenchList)
#include "tst_french_list.moc"
