// ctest-engines: postgresql
// The customer field table against what it describes: the stored table, the
// record panel's controls and the import's choices.
#include "customers/customer_record_panel.h"
#include "data/connection.h"
#include "data/customer_fields.h"
#include "import/import_fields.h"
#include "support/fixture.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSqlQuery>
#include <QTest>

using namespace vdn;

namespace {

void fieldRows() {
    QTest::addColumn<int>("field");
    for (const CustomerFieldInfo& f : CustomerFields)
        QTest::addRow("%s", f.column) << int(f.field);
}

const CustomerFieldInfo& fieldOfRow() {
    QFETCH(int, field);
    return CustomerFields[field];
}

} // namespace

class TestCustomerFields : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void columnIsInTheCreatedTable_data() { fieldRows(); }
    void columnIsInTheCreatedTable();
    void controlIsOneOfThePanelsOfItsKind_data() { fieldRows(); }
    void controlIsOneOfThePanelsOfItsKind();
    void importNamesChooseTheField_data() { fieldRows(); }
    void importNamesChooseTheField();
    void letterReadingsGiveTheirLetter();

private:
    std::unique_ptr<test::DataFolder> folder_;
    std::unique_ptr<Connection> db_;
    std::unique_ptr<CustomerRecordPanel> panel_;
};

void TestCustomerFields::initTestCase() {
    folder_ = std::make_unique<test::DataFolder>();
    QVERIFY(folder_->ok());
    db_ = folder_->connect();
    QVERIFY(db_);
    panel_ = std::make_unique<CustomerRecordPanel>(folder_->services());
}

void TestCustomerFields::cleanupTestCase() {
    panel_.reset();
    db_.reset();
    folder_.reset();
}

void TestCustomerFields::columnIsInTheCreatedTable() {
    const CustomerFieldInfo& f = fieldOfRow();
    QSqlQuery q(db_->db());
    QVERIFY2(
        q.exec(QStringLiteral("SELECT %1 FROM strclient WHERE 1 = 0").arg(QLatin1String(f.column))),
        f.column);
    QCOMPARE(customerColumnNames().count(QLatin1String(f.column)), 1);
}

void TestCustomerFields::controlIsOneOfThePanelsOfItsKind() {
    const CustomerFieldInfo& f = fieldOfRow();
    const QList<QWidget*> named = panel_->findChildren<QWidget*>(QLatin1String(f.control));
    QCOMPARE(named.size(), 1);
    if (f.kind == FieldControl::Memo) {
        QVERIFY(qobject_cast<QPlainTextEdit*>(named.first()));
        return;
    }
    const auto* box = qobject_cast<QLineEdit*>(named.first());
    QVERIFY(box);
    // A hidden box has no place; a shown one has its place in the layout.
    QCOMPARE(box->geometry().isEmpty(), f.kind == FieldControl::Hidden);
    QCOMPARE(box->maxLength(), f.limit > 0 ? f.limit : QLineEdit().maxLength());
    QCOMPARE(box->text(), newCustomerValue(f.field));
}

void TestCustomerFields::importNamesChooseTheField() {
    const CustomerFieldInfo& f = fieldOfRow();
    if (f.importChoice == 0) {
        QVERIFY(!ImportField::choices().contains(ImportField(f.field)));
        return;
    }
    const ImportField chosen(f.field);
    QCOMPARE(ImportField::choices().indexOf(chosen), f.importChoice);
    QVERIFY(fieldOfKey(fieldKey(chosen)) == chosen);
    // Every header name it lists chooses it, and no other field.
    for (const QString& header : QString::fromUtf8(f.importHeaders).split(QLatin1Char('|')))
        QVERIFY2(guessField(header) == chosen, qPrintable(header));
}

void TestCustomerFields::letterReadingsGiveTheirLetter() {
    struct Case {
        CustomerField field;
        const char* text;
        const char* letter;
    };
    const Case cases[] = {
        {CustomerField::Dg, "", "D"},
        {CustomerField::Dg, "gauchère", "G"},
        {CustomerField::Dg, " right handed ", "D"},
        {CustomerField::Dg, "ambidextre", ""},
        {CustomerField::Tar, "Entreprise (HT)", "H"},
        {CustomerField::Tar, "", "T"},
        {CustomerField::Tar, "ttc", "T"},
        {CustomerField::Poig, "a", "A"},
    };
    for (const Case& c : cases)
        QCOMPARE(letterOf(c.field, QString::fromUtf8(c.text)), QString::fromLatin1(c.letter));
    QCOMPARE(letters(CustomerField::Dg), QStringList({QStringLiteral("D"), QStringLiteral("G")}));
    QCOMPARE(letters(CustomerField::Nom), QStringList());
}

QTEST_MAIN(TestCustomerFields)
#include "tst_customer_fields.moc"
