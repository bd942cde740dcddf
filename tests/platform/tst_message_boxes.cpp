// The program's real message boxes, opened modally and answered by a click.

#include "platform/message_boxes.h"

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

using namespace vdn;

namespace {

struct Seen {
    QString label; // the text as the box's label holds it
    bool plainShown = false;
};

// Once the box is up, reads its label and clicks the button captioned `answer`.
void answerWhenShown(const QString& answer, Seen* seen) {
    QTimer::singleShot(0, [answer, seen] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) {
            answerWhenShown(answer, seen);
            return;
        }
        if (auto* label = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"))) {
            seen->label = label->text();
            seen->plainShown = label->textFormat() == Qt::PlainText;
        }
        for (QAbstractButton* b : box->buttons())
            if (b->text() == answer)
                QTest::mouseClick(b, Qt::LeftButton);
    });
}

} // namespace

class TestMessageBoxes : public QObject {
    Q_OBJECT
private slots:
    void typed_markup_shows_as_typed_data();
    void typed_markup_shows_as_typed();
};

void TestMessageBoxes::typed_markup_shows_as_typed_data() {
    QTest::addColumn<QString>("text");
    QTest::newRow("bold tags") << QStringLiteral("<b>X</b> est inconnu, voulez-vous "
                                                 "l'enregistrer ? ");
    QTest::newRow("lone angle bracket") << QStringLiteral("Ronde <3 pouces> & co");
}

void TestMessageBoxes::typed_markup_shows_as_typed() {
    QFETCH(QString, text);
    QtMessageBoxes boxes;
    Seen seen;
    answerWhenShown(QStringLiteral("OK"), &seen);
    boxes.message(nullptr, text);
    QCOMPARE(seen.label, text);
    QVERIFY2(seen.plainShown, "the message box reads its text as markup");

    Seen asked;
    answerWhenShown(QStringLiteral("Oui"), &asked);
    QVERIFY(boxes.question(nullptr, text));
    QCOMPARE(asked.label, text);
    QVERIFY2(asked.plainShown, "the question box reads its text as markup");
    answerWhenShown(QStringLiteral("Non"), &asked);
    QVERIFY(!boxes.question(nullptr, text));
}

QTEST_MAIN(TestMessageBoxes)
#include "tst_message_boxes.moc"
