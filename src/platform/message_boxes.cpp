#include "platform/message_boxes.h"

#include <QApplication>
#include <QButtonGroup>
#include <QDialog>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace vdn {

namespace {
const QString Caption = QStringLiteral("VORDAN");

// Texts are shown as typed: a value such as "<b>X</b>" or a lone "<" must
// not be read as markup, which would change or hide what the user typed.
void plainText(QMessageBox& box) {
    box.setTextFormat(Qt::PlainText);
}

// A value as a button's caption shows it, an "&" included.
QString asButtonText(QString value) {
    return value.replace(QLatin1Char('&'), QStringLiteral("&&"));
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

Answer QtMessageBoxes::questionWithCancel(QWidget* parent, const QString& text,
                                          Answer defaultAnswer) {
    QMessageBox box(QMessageBox::Question, Caption, text, QMessageBox::NoButton, parent);
    plainText(box);
    QPushButton* yes = box.addButton(QStringLiteral("Oui"), QMessageBox::YesRole);
    QPushButton* no = box.addButton(QStringLiteral("Non"), QMessageBox::NoRole);
    QPushButton* cancel = box.addButton(QStringLiteral("Annuler"), QMessageBox::RejectRole);
    box.setDefaultButton(defaultAnswer == Answer::Yes  ? yes
                         : defaultAnswer == Answer::No ? no
                                                       : cancel);
    box.setEscapeButton(cancel);
    box.exec();
    if (box.clickedButton() == yes)
        return Answer::Yes;
    return box.clickedButton() == no ? Answer::No : Answer::Cancel;
}

std::optional<QList<bool>> QtMessageBoxes::chooseValues(QWidget* parent, const QString& headline,
                                                        const QList<FieldChoice>& fields) {
    QDialog dialog(parent);
    dialog.setWindowTitle(Caption);
    auto* layout = new QVBoxLayout(&dialog);
    auto* intro = new QLabel(headline + QStringLiteral("\nChamps modifiés ici et sur l'autre "
                                                       "poste : choisissez la valeur à garder."));
    intro->setTextFormat(Qt::PlainText);
    intro->setWordWrap(true);
    layout->addWidget(intro);
    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(QStringLiteral("Champ")), 0, 0);
    grid->addWidget(new QLabel(QStringLiteral("Enregistré sur l'autre poste")), 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("Votre saisie")), 0, 2);
    QList<QRadioButton*> typedButtons;
    for (qsizetype i = 0; i < fields.size(); ++i) {
        const int row = int(i) + 1;
        auto* name = new QLabel(fields[i].name);
        name->setTextFormat(Qt::PlainText);
        // Values are shown as stored or typed: an "&" is no shortcut mark.
        auto* stored = new QRadioButton(asButtonText(fields[i].stored));
        auto* typed = new QRadioButton(asButtonText(fields[i].typed));
        auto* group = new QButtonGroup(&dialog);
        group->addButton(stored);
        group->addButton(typed);
        typed->setChecked(true);
        grid->addWidget(name, row, 0);
        grid->addWidget(stored, row, 1);
        grid->addWidget(typed, row, 2);
        typedButtons << typed;
    }
    layout->addLayout(grid);
    auto* buttons = new QDialogButtonBox;
    QPushButton* allStored =
        buttons->addButton(QStringLiteral("Tout de l'autre poste"), QDialogButtonBox::ActionRole);
    QPushButton* allTyped =
        buttons->addButton(QStringLiteral("Toute ma saisie"), QDialogButtonBox::ActionRole);
    QPushButton* save =
        buttons->addButton(QStringLiteral("Enregistrer ces choix"), QDialogButtonBox::AcceptRole);
    QPushButton* keep = buttons->addButton(QStringLiteral("Garder ma saisie à l'écran"),
                                           QDialogButtonBox::RejectRole);
    save->setAutoDefault(false);
    allStored->setAutoDefault(false);
    allTyped->setAutoDefault(false);
    keep->setDefault(true);
    keep->setFocus();
    QObject::connect(allStored, &QPushButton::clicked, &dialog, [&] {
        for (QRadioButton* typed : typedButtons)
            typed->group()->buttons().constFirst()->setChecked(true);
    });
    QObject::connect(allTyped, &QPushButton::clicked, &dialog, [&] {
        for (QRadioButton* typed : typedButtons)
            typed->setChecked(true);
    });
    QObject::connect(save, &QPushButton::clicked, &dialog, &QDialog::accept);
    QObject::connect(keep, &QPushButton::clicked, &dialog, &QDialog::reject);
    layout->addWidget(buttons);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    QList<bool> keepTyped;
    for (QRadioButton* typed : typedButtons)
        keepTyped << typed->isChecked();
    return keepTyped;
}

void QtMessageBoxes::beep() {
    QApplication::beep();
}

void ScriptedMessageBoxes::expectMessage(const QString& text) {
    script_.append({Kind::Message, text, false, Answer::No, {}});
}

void ScriptedMessageBoxes::expectQuestion(const QString& text, bool answerYes) {
    script_.append({Kind::Question, text, answerYes, Answer::No, {}});
}

void ScriptedMessageBoxes::expectQuestionWithCancel(const QString& text, Answer answer,
                                                    Answer defaultAnswer) {
    script_.append({Kind::ThreeWay, text, answer == Answer::Yes, answer, {}, defaultAnswer});
}

void ScriptedMessageBoxes::expectChoice(const QString& text, std::optional<QList<bool>> keepTyped) {
    script_.append({Kind::Choice, text, false, Answer::No, std::move(keepTyped)});
}

QString ScriptedMessageBoxes::choiceText(const QString& headline,
                                         const QList<FieldChoice>& fields) {
    QString text = headline;
    for (const FieldChoice& f : fields)
        text += QStringLiteral("\n%1: %2 | %3").arg(f.name, f.stored, f.typed);
    return text;
}

namespace {
QLatin1String kindName(ScriptedMessageBoxes::Kind kind) {
    switch (kind) {
    case ScriptedMessageBoxes::Kind::Message:
        return QLatin1String("message");
    case ScriptedMessageBoxes::Kind::Question:
        return QLatin1String("question");
    case ScriptedMessageBoxes::Kind::ThreeWay:
        return QLatin1String("three-way question");
    case ScriptedMessageBoxes::Kind::Choice:
        return QLatin1String("side-by-side choice");
    }
    return QLatin1String("box");
}
} // namespace

namespace {
QLatin1String answerName(Answer answer) {
    switch (answer) {
    case Answer::Yes:
        return QLatin1String("Oui");
    case Answer::No:
        return QLatin1String("Non");
    case Answer::Cancel:
        return QLatin1String("Annuler");
    }
    return QLatin1String("?");
}
} // namespace

std::optional<ScriptedMessageBoxes::Expected>
ScriptedMessageBoxes::take(Kind kind, const QString& text, std::optional<Answer> defaultAnswer) {
    shown_.append({kind, text, defaultAnswer});
    if (answerAll_) {
        Expected all{kind, text, answerAllYes_, answerAllYes_ ? Answer::Yes : Answer::No, {}};
        if (answerAllYes_)
            all.keepTyped = QList<bool>();
        return all;
    }
    if (script_.isEmpty()) {
        failures_ << QStringLiteral("unexpected %1: \"%2\"").arg(kindName(kind), text);
        return std::nullopt;
    }
    const Expected e = script_.takeFirst();
    if (e.kind != kind || e.text != text) {
        failures_ << QStringLiteral("expected %1 \"%2\", got %3 \"%4\"")
                         .arg(kindName(e.kind), e.text, kindName(kind), text);
        return std::nullopt;
    }
    if (defaultAnswer && *defaultAnswer != e.defaultAnswer) {
        failures_ << QStringLiteral("\"%1\": Enter answers %2, expected %3")
                         .arg(text, answerName(*defaultAnswer), answerName(e.defaultAnswer));
        return std::nullopt;
    }
    return e;
}

void ScriptedMessageBoxes::message(QWidget*, const QString& text) {
    take(Kind::Message, text);
}

bool ScriptedMessageBoxes::question(QWidget*, const QString& text) {
    const std::optional<Expected> e = take(Kind::Question, text);
    return e && e->yes;
}

Answer ScriptedMessageBoxes::questionWithCancel(QWidget*, const QString& text,
                                                Answer defaultAnswer) {
    // An unexpected box goes back to the entry: nothing is dropped.
    const std::optional<Expected> e = take(Kind::ThreeWay, text, defaultAnswer);
    return e ? e->answer : Answer::Cancel;
}

std::optional<QList<bool>> ScriptedMessageBoxes::chooseValues(QWidget*, const QString& headline,
                                                              const QList<FieldChoice>& fields) {
    const std::optional<Expected> e = take(Kind::Choice, choiceText(headline, fields));
    if (!e || !e->keepTyped)
        return std::nullopt;
    if (answerAll_)
        return QList<bool>(fields.size(), true);
    return e->keepTyped;
}

void ScriptedMessageBoxes::clear() {
    script_.clear();
    shown_.clear();
    failures_.clear();
    beeps_ = 0;
}

} // namespace vdn
