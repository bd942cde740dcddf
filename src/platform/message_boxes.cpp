#include "platform/message_boxes.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

namespace vdn {

namespace {
const QString Caption = QStringLiteral("VORDAN");

// Texts are shown as typed: a value such as "<b>X</b>" or a lone "<" must
// not be read as markup, which would change or hide what the user typed.
void plainText(QMessageBox& box) {
    box.setTextFormat(Qt::PlainText);
}

} // namespace

void QtMessageBoxes::message(QWidget* parent, const QString& text) {
    QMessageBox box(QMessageBox::NoIcon, Caption, text, QMessageBox::NoButton, parent);
    plainText(box);
    box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
    box.exec();
}

bool QtMessageBoxes::question(QWidget* parent, const QString& text) {
    QMessageBox box(QMessageBox::Question, Caption, text, QMessageBox::NoButton, parent);
    plainText(box);
    QPushButton* yes = box.addButton(QStringLiteral("Oui"), QMessageBox::YesRole);
    QPushButton* no = box.addButton(QStringLiteral("Non"), QMessageBox::NoRole);
    box.setDefaultButton(yes);
    box.setEscapeButton(no);
    box.exec();
    return box.clickedButton() == yes;
}

void QtMessageBoxes::beep() {
    QApplication::beep();
}

void ScriptedMessageBoxes::expectMessage(const QString& text) {
    script_.append({Kind::Message, text, false});
}

void ScriptedMessageBoxes::expectQuestion(const QString& text, bool answerYes) {
    script_.append({Kind::Question, text, answerYes});
}

bool ScriptedMessageBoxes::take(Kind kind, const QString& text) {
    shown_.append({kind, text});
    const char* what = kind == Kind::Message ? "message" : "question";
    if (answerAll_)
        return answerAllYes_;
    if (script_.isEmpty()) {
        failures_ << QStringLiteral("unexpected %1: \"%2\"").arg(QLatin1String(what), text);
        return false;
    }
    const Expected e = script_.takeFirst();
    if (e.kind != kind || e.text != text) {
        failures_ << QStringLiteral("expected %1 \"%2\", got %3 \"%4\"")
                         .arg(QLatin1String(e.kind == Kind::Message ? "message" : "question"),
                              e.text, QLatin1String(what), text);
        return false;
    }
    return e.yes;
}

void ScriptedMessageBoxes::message(QWidget*, const QString& text) {
    take(Kind::Message, text);
}

bool ScriptedMessageBoxes::question(QWidget*, const QString& text) {
    return take(Kind::Question, text);
}

void ScriptedMessageBoxes::clear() {
    script_.clear();
    shown_.clear();
    failures_.clear();
    beeps_ = 0;
}

} // namespace vdn
