#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

class QWidget;

namespace vdn {

// A field both workstations changed: its name, the value stored by the
// other one and the value typed here.
struct FieldChoice {
    QString name;
    QString stored;
    QString typed;
};

// The answer to a question that can also be called off.
enum class Answer { Yes, No, Cancel };

// Modal message boxes of the program: a message with OK, or a Yes/No question
// with the question icon. Windows reach boxes only through this interface so
// that tests can answer them.
class MessageBoxes {
public:
    virtual ~MessageBoxes() = default;
    virtual void message(QWidget* parent, const QString& text) = 0;
    // Returns true on Yes.
    virtual bool question(QWidget* parent, const QString& text) = 0;
    // Oui / Non / Annuler; Annuler is the answer of the escape key, and
    // `defaultAnswer` the one of Enter (the button with the focus frame).
    virtual Answer questionWithCancel(QWidget* parent, const QString& text,
                                      Answer defaultAnswer) = 0;
    // Shows the fields side by side, stored and typed value, for a choice
    // per field. Returns, for each field, whether the typed value is kept;
    // nothing when the user keeps the entry on screen (the default button).
    virtual std::optional<QList<bool>> chooseValues(QWidget* parent, const QString& headline,
                                                    const QList<FieldChoice>& fields) = 0;
    virtual void beep() = 0;
};

// Real boxes, with French buttons ("OK", "Oui", "Non") and the program's name
// as caption.
class QtMessageBoxes : public MessageBoxes {
public:
    void message(QWidget* parent, const QString& text) override;
    bool question(QWidget* parent, const QString& text) override;
    Answer questionWithCancel(QWidget* parent, const QString& text, Answer defaultAnswer) override;
    std::optional<QList<bool>> chooseValues(QWidget* parent, const QString& headline,
                                            const QList<FieldChoice>& fields) override;
    void beep() override;
};

// Answers boxes from a script, for tests and the benchmark. Every box shown is
// recorded; a box that was not expected, or whose text differs from the
// expected one, is recorded as a failure (and answered No).
class ScriptedMessageBoxes : public MessageBoxes {
public:
    enum class Kind { Message, Question, ThreeWay, Choice };
    struct Shown {
        Kind kind;
        QString text;
        // The answer of Enter, for a three-way question.
        std::optional<Answer> defaultAnswer;
    };

    // Expects the next box to show this exact text.
    void expectMessage(const QString& text);
    void expectQuestion(const QString& text, bool answerYes);
    // Expects a three-way question whose Enter answers `defaultAnswer`.
    void expectQuestionWithCancel(const QString& text, Answer answer, Answer defaultAnswer);
    // Expects the side-by-side box: its headline, then for each field
    // "name: stored | typed"; answers with the choice given (nothing: the
    // entry stays on screen).
    void expectChoice(const QString& text, std::optional<QList<bool>> keepTyped);
    // The text the scripted box records for a side-by-side box.
    static QString choiceText(const QString& headline, const QList<FieldChoice>& fields);
    // Answers every box without checking it (benchmark, exploratory runs).
    void setAnswerAll(bool yes) {
        answerAll_ = true;
        answerAllYes_ = yes;
    }

    void message(QWidget* parent, const QString& text) override;
    bool question(QWidget* parent, const QString& text) override;
    Answer questionWithCancel(QWidget* parent, const QString& text, Answer defaultAnswer) override;
    std::optional<QList<bool>> chooseValues(QWidget* parent, const QString& headline,
                                            const QList<FieldChoice>& fields) override;
    void beep() override { ++beeps_; }

    const QList<Shown>& shown() const { return shown_; }
    const QStringList& failures() const { return failures_; }
    int pending() const { return int(script_.size()); }
    int beeps() const { return beeps_; }
    void clear();

private:
    struct Expected {
        Kind kind;
        QString text;
        bool yes;
        Answer answer = Answer::No;
        std::optional<QList<bool>> keepTyped;
        Answer defaultAnswer = Answer::Yes;
    };
    // The expectation met, or none when the box was not the one expected.
    std::optional<Expected> take(Kind kind, const QString& text,
                                 std::optional<Answer> defaultAnswer = std::nullopt);

    QList<Expected> script_;
    QList<Shown> shown_;
    QStringList failures_;
    int beeps_ = 0;
    bool answerAll_ = false;
    bool answerAllYes_ = false;
};

} // namespace vdn
