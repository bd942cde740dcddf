#include "platform/print_dialog.h"

#include <QDir>
#include <QStandardPaths>
#include <QTest>

using namespace vdn;

class TestPdfFileName : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void offered_file_is_named_after_the_document_data();
    void offered_file_is_named_after_the_document();

private:
    QString documents_;
};

void TestPdfFileName::initTestCase() {
    QStandardPaths::setTestModeEnabled(true);
    documents_ = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    QVERIFY(QDir().mkpath(documents_));
}

void TestPdfFileName::offered_file_is_named_after_the_document_data() {
    QTest::addColumn<QString>("docName");
    QTest::addColumn<QString>("file");
    QTest::newRow("sheet") << "Fiche de perçage 000041" << "Fiche de perçage 000041.pdf";
    QTest::newRow("no name") << "" << "vordan.pdf";
    QTest::newRow("separators") << "Liste A/B: \"clients\"" << "Liste A_B_ _clients_.pdf";
    QTest::newRow("dots only") << ".." << "vordan.pdf";
    QTest::newRow("line break") << "Boules\nSac 3" << "Boules Sac 3.pdf";
}

void TestPdfFileName::offered_file_is_named_after_the_document() {
    QFETCH(QString, docName);
    QFETCH(QString, file);
    QCOMPARE(QtPrintDialog::defaultPdfFile(docName), documents_ + '/' + file);
}

QTEST_GUILESS_MAIN(TestPdfFileName)
#include "tst_pdf_file_name.moc"
