// ctest-engines: postgresql
#include "data/schema.h"
#include "drilling/sheet_history.h"
#include "drilling/sheet_store.h"
#include "support/fixture.h"
#include "support/sheet_host.h"

#include <QTest>

using namespace vdn;

class TestSheetStore : public QObject {
    Q_OBJECT
private slots:
    void null_fields_load_as_empty_texts();
    void codes_are_compared_exactly();
    void save_writes_one_row_per_code();
};

void TestSheetStore::null_fields_load_as_empty_texts() {
    test::DataFolder f;
    QVERIFY(f.ok());
    auto c = f.connect();
    QVERIFY(test::insertSheetRow(c->db(), "000001", {{"PER_36", "5/8"}}));
    SheetStore store(c->db());
    Result<std::optional<SheetRecord>> sheet = store.load("000001");
    QVERIFY(sheet.ok());
    QVERIFY(sheet->has_value());
    const SheetRecord& s = **sheet;
    QCOMPARE(s.code, QStringLiteral("000001"));
    QCOMPARE(s.measures.size(), sheetMeasureNumbers().size());
    for (int n : sheetMeasureNumbers()) {
        QCOMPARE(s.measures.value(n), n == 36 ? QStringLiteral("5/8") : QString(""));
        QVERIFY(!s.measures.value(n).isNull());
    }
    for (const QString& text :
         {s.fingerComment, s.thumbComment, s.thumbSlug, s.insertMaterial, s.conicity})
        QVERIFY(text.isEmpty() && !text.isNull());
}

void TestSheetStore::codes_are_compared_exactly() {
    test::DataFolder f;
    QVERIFY(f.ok());
    auto c = f.connect();
    QVERIFY(test::insertSheetRow(c->db(), "000002", {}));
    SheetStore store(c->db());
    QVERIFY(*store.exists("000002"));
    for (const QString& code : {QStringLiteral("2"), QStringLiteral("000002 "), QString(),
                                QStringLiteral("000002' OR '1'='1")}) {
        QVERIFY2(!*store.exists(code), qPrintable(code));
        Result<std::optional<SheetRecord>> sheet = store.load(code);
        QVERIFY(sheet.ok());
        QVERIFY2(!sheet->has_value(), qPrintable(code));
    }
}

void TestSheetStore::save_writes_one_row_per_code() {
    test::DataFolder f;
    QVERIFY(f.ok());
    auto c = f.connect();
    SheetStore store(c->db());
    SheetRecord s;
    s.code = "000003";
    for (int n : sheetMeasureNumbers())
        s.measures[n] = QStringLiteral("v%1").arg(n);
    s.fingerComment = "doigts";
    s.thumbComment = "l'hiver";
    s.thumbSlug = "I";
    s.insertMaterial = "U";
    s.conicity = "N";
    const SheetStamp stamp{QDateTime(QDate(2026, 12, 8), QTime(9, 0)), "Ana Ruiz"};
    QVERIFY(store.save(s, stamp).ok());
    // Changed as the panel does: over the version it read.
    s.revision = (*store.load("000003"))->revision;
    s.measures[8] = "autre";
    s.fingerComment = QString();
    QVERIFY(store.save(s, stamp).ok());
    QCOMPARE(test::scalar(*c, "SELECT count(*) FROM strpercage").toInt(), 1);
    Result<std::optional<SheetRecord>> back = store.load("000003");
    QVERIFY(back.ok() && back->has_value());
    QCOMPARE((*back)->measures, s.measures);
    QCOMPARE((*back)->fingerComment, QString(""));
    QCOMPARE((*back)->thumbComment, QStringLiteral("l'hiver"));
    QCOMPARE((*back)->thumbSlug, QStringLiteral("I"));
    QCOMPARE((*back)->insertMaterial, QStringLiteral("U"));
    QCOMPARE((*back)->conicity, QStringLiteral("N"));
    QVERIFY(!test::sheetRow(c->db(), "000003").value("PER_COM_D").isNull());
}

QTEST_MAIN(TestSheetStore)
#include "tst_sheet_store.moc"
