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

// Once the three-way box is up, notes the captions of its buttons and
// presses `key` on it as a user does.
void pressWhenShown(Qt::Key key, QStringList* captions) {
    QTimer::singleShot(0, [key, captions] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) {
            pressWhenShown(key, captions);
            return;
        }
        for (QAbstractButton* b : box->buttons())
            *captions << b->text();
        QTest::keyClick(box, key);
    });
}

} // namespace

Q_DECLARE_METATYPE(Answer)

class TestMessageBoxes : public QObject {
    Q_OBJECT
private slots:
    void typed_markup_shows_as_typed_data();
    void typed_markup_shows_as_typed();
    void keys_of_the_three_way_question_data();
    void keys_of_the_three_way_question();
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

void TestMessageBoxes::keys_of_the_three_way_question_data() {
    QTest::addColumn<Answer>("defaultAnswer");
    QTest::addColumn<Qt::Key>("key");
    QTest::addColumn<Answer>("answer");
    QTest::newRow("Enter, Non by default") << Answer::No << Qt::Key_Return << Answer::No;
    QTest::newRow("Escape, Non by default") << Answer::No << Qt::Key_Escape << Answer::Cancel;
    QTest::newRow("Enter, Oui by default") << Answer::Yes << Qt::Key_Return << Answer::Yes;
    QTest::newRow("Escape, Oui by default") << Answer::Yes << Qt::Key_Escape << Answer::Cancel;
}

// Enter gives the answer the caller chose as default; Escape always goes
// back to the entry.
void TestMessageBoxes::keys_of_the_three_way_question() {
    QFETCH(Answer, defaultAnswer);
    QFETCH(Qt::Key, key);
    QFETCH(Answer, answer);
    QtMessageBoxes boxes;
    QStringList captions;
    pressWhenShown(key, &captions);
    QCOMPARE(boxes.questionWithCancel(nullptr, QStringLiteral("Enregistrer ?"), defaultAnswer),
             answer);
    captions.sort();
    QCOMPARE(captions, (QStringList{"Annuler", "Non", "Oui"}));
}

QTEST_MAIN(TestMessageBoxes)
#include "tst_message_boxes.moc"
