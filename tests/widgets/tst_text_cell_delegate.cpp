// The grids' text cells drawn through the kept shapes: pixel for pixel what
// the style's own delegate draws, whatever the cell's state and text.

#include "widgets/text_cell_delegate.h"

#include <QApplication>
#include <QHeaderView>
#include <QImage>
#include <QStandardItemModel>
#include <QTableView>
#include <QTest>

using namespace vdn;

class TestTextCellDelegate : public QObject {
    Q_OBJECT
private slots:
    void sameAsTheStyle_data();
    void sameAsTheStyle();
};

void TestTextCellDelegate::sameAsTheStyle_data() {
    QTest::addColumn<QStringList>("texts");
    QTest::addColumn<QString>("style");
    QTest::addColumn<int>("kept"); // distinct texts shaped and kept
    const QStringList names{"DUPONT",    "Élodie Çaron",  "06 12 34 56 78",
                            "  espaces", "Saint-Étienne", "x",
                            "000123",    "MÜLLER ß œ"};
    QTest::newRow("names, fusion") << names << "fusion" << 8;
    QTest::newRow("names, windows") << names << "windows" << 8;
    QTest::newRow("too wide: elided by the style")
        << QStringList{QString(60, QLatin1Char('W')), QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZ "
                                                                     "abcdefghijklmnopqrstuvwxyz")}
        << "fusion" << 2; // shaped to be measured, then drawn by the style
    QTest::newRow("several lines and tabs")
        << QStringList{QStringLiteral("un\ndeux"), QStringLiteral("a\tb"), QString()} << "fusion"
        << 0;
}

void TestTextCellDelegate::sameAsTheStyle() {
    QFETCH(QStringList, texts);
    QFETCH(QString, style);
    QFETCH(int, kept);
    QApplication::setStyle(style);
    QStandardItemModel model(12, 3);
    for (int r = 0; r < model.rowCount(); ++r)
        for (int c = 0; c < model.columnCount(); ++c)
            model.setItem(r, c, new QStandardItem(texts.at((r * 3 + c) % texts.size())));
    QTableView view;
    view.setModel(&model);
    view.setAlternatingRowColors(true);
    view.setSelectionBehavior(QAbstractItemView::SelectRows);
    view.verticalHeader()->setDefaultSectionSize(22);
    view.setColumnWidth(0, 150);
    view.setColumnWidth(1, 90);
    view.resize(480, 320);
    view.show();
    view.activateWindow();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    view.setFocus();
    view.setCurrentIndex(model.index(3, 1)); // a selected row, one cell with the focus frame

    const QImage byStyle = view.viewport()->grab().toImage();
    auto* delegate = new TextCellDelegate(&view);
    view.setItemDelegate(delegate);
    const QImage shortcut = view.viewport()->grab().toImage();
    QCOMPARE(shortcut.size(), byStyle.size());
    int differing = 0;
    for (int y = 0; y < byStyle.height(); ++y)
        for (int x = 0; x < byStyle.width(); ++x)
            differing += byStyle.pixel(x, y) != shortcut.pixel(x, y);
    QCOMPARE(differing, 0);
    QCOMPARE(delegate->textsKept(), kept);

    // Painted again, from the kept shapes, still the same.
    QCOMPARE(view.viewport()->grab().toImage(), byStyle);
}

QTEST_MAIN(TestTextCellDelegate)
#include "tst_text_cell_delegate.moc"
