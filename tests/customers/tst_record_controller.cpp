// ctest-engines: postgresql
// The customer record's controller on its own, without the customer window:
// it writes the customer whose code the panel shows and no other, and refuses
// a deleted one without writing.

#include "customer_data.h"
#include "customers/customer_record_controller.h"
#include "customers/customer_record_panel.h"
#include "customers/record_summary.h"
#include "data/globals.h"
#include "drilling/sheet_store.h"
#include "session/record_mode.h"
#include "support/fixture.h"
#include "support/widget_lookup.h"

#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <memory>

using namespace vdn;

namespace {

const QString First = QStringLiteral("000001");
const QString Second = QStringLiteral("000002");

} // namespace

class TestRecordController : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { test::useFrenchLocale(); }
    void init();
    void cleanup();
    void writesOnlyTheCustomerShown();
    void refusesADeletedCustomerWithoutWriting();
    void leavingTheCodeRefusesATakenCode();

private:
    CustomerRecord stored(const QString& code) const;
    QString storedName(const QString& code) const { return stored(code).text(CustomerField::Nom); }

    std::unique_ptr<test::DataFolder> folder_;
    std::unique_ptr<Connection> db_;
    std::unique_ptr<CustomerStore> store_;
    std::unique_ptr<SheetStore> sheets_;
    std::unique_ptr<CustomerRecordPanel> panel_;
    std::unique_ptr<CustomerRecordController> controller_;
    std::unique_ptr<QSignalSpy> backToList_;
    RecordMode mode_;
};

void TestRecordController::init() {
    mode_ = RecordMode();
    folder_ = std::make_unique<test::DataFolder>();
    QVERIFY(folder_->ok());
    db_ = folder_->connect();
    QVERIFY(db_);
    QVERIFY(test::addCustomer(*db_, First, "DUPONT JEAN", "Annecy"));
    QVERIFY(test::addCustomer(*db_, Second, "DURAND MARIE", "Lyon", {{"clt_etat", "SUPPRIME"}}));
    store_ = std::make_unique<CustomerStore>(db_->db());
    panel_ = std::make_unique<CustomerRecordPanel>(folder_->services());
    sheets_ = std::make_unique<SheetStore>(db_->db());
    controller_ = std::make_unique<CustomerRecordController>(folder_->services(), *store_, *sheets_,
                                                             *panel_, mode_);
    backToList_ =
        std::make_unique<QSignalSpy>(controller_.get(), &CustomerRecordController::entryEnded);
}

void TestRecordController::cleanup() {
    backToList_.reset();
    controller_.reset();
    panel_.reset();
    sheets_.reset();
    store_.reset();
    db_.reset();
    folder_.reset();
}

CustomerRecord TestRecordController::stored(const QString& code) const {
    Result<std::optional<CustomerRecord>> found = store_->byCode(code);
    if (!found || !found->has_value())
        return {};
    return **found;
}

void TestRecordController::writesOnlyTheCustomerShown() {
    mode_.startModify();
    panel_->display(stored(First));
    controller_->setCustomer(currentCustomerOf(stored(First)));
    test::control<QLineEdit>(panel_.get(), "Txtnom")->setText("dupont jeanne");
    QTest::mouseClick(test::control(panel_.get(), "cmdvalide"), Qt::LeftButton);
    VDN_CHECK_BOXES(*folder_);
    QCOMPARE(storedName(First), QStringLiteral("DUPONT JEANNE"));
    QCOMPARE(storedName(Second), QStringLiteral("DURAND MARIE"));
    QCOMPARE(backToList_->count(), 1);

    // The code shown is the one written: a customer that is no longer there
    // is refused unless kept as a new one, and no other row takes the entry.
    panel_->setCode(QStringLiteral("000009"));
    folder_->boxes.expectQuestion(
        QStringLiteral("Le client 000009 a été supprimé sur un autre poste pendant sa "
                       "modification.\nEnregistrer ce que vous avez saisi comme un nouveau "
                       "client ?"),
        false);
    QTest::mouseClick(test::control(panel_.get(), "cmdvalide"), Qt::LeftButton);
    VDN_CHECK_BOXES(*folder_);
    QCOMPARE(test::column(*db_, "SELECT clt_cod FROM strclient ORDER BY clt_cod"),
             (QStringList{First, Second}));
    QCOMPARE(storedName(First), QStringLiteral("DUPONT JEANNE"));
    QCOMPARE(backToList_->count(), 2);
}

void TestRecordController::refusesADeletedCustomerWithoutWriting() {
    mode_.startModify();
    panel_->display(stored(Second));
    controller_->setCustomer(currentCustomerOf(stored(Second)));
    test::control<QLineEdit>(panel_.get(), "Txtnom")->setText("AUTRE");
    folder_->boxes.expectMessage(QStringLiteral("Cette fiche est supprimée et non modifiable"));
    QTest::mouseClick(test::control(panel_.get(), "cmdvalide"), Qt::LeftButton);
    VDN_CHECK_BOXES(*folder_);
    QCOMPARE(storedName(Second), QStringLiteral("DURAND MARIE"));
    QCOMPARE(backToList_->count(), 1);
}

void TestRecordController::leavingTheCodeRefusesATakenCode() {
    mode_.startCreate();
    panel_->efface_client();
    panel_->setCode(QStringLiteral("000003"));
    panel_->setCodeEditable(true);
    panel_->show();
    QVERIFY(QTest::qWaitForWindowActive(panel_.get()));
    auto* code = test::control<QLineEdit>(panel_.get(), "Txtcod");
    code->setFocus();
    code->selectAll();
    QTest::keyClicks(code, "1");
    folder_->boxes.expectMessage(QStringLiteral("Ce code existe déjà"));
    QTest::keyClick(code, Qt::Key_Tab);
    VDN_CHECK_BOXES(*folder_);
    QCOMPARE(code->text(), First);
    QVERIFY(test::focusIn(code));
    // Nothing is written by the check, and the entry stays open.
    QCOMPARE(test::column(*db_, "SELECT clt_cod FROM strclient ORDER BY clt_cod"),
             (QStringList{First, Second}));
    QCOMPARE(backToList_->count(), 0);
}

QTEST_MAIN(TestRecordController)
#include "tst_record_controller.moc"
