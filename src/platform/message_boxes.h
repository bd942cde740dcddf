#pragma once

#include <QList>
#include <QString>

class QWidget;

namespace vdn {

// Modal message boxes of the program: a message with OK, or a Yes/No question
// with the question icon. Windows reach boxes only through this interface so
// that tests can answer them.
class MessageBoxes {
public:
    virtual ~MessageBoxes() = default;
    virtual void message(QWidget* parent, const QString& text) = 0;
    // Returns true on Yes.
    virtual bool question(QWidget* parent, const QString& text) = 0;
    virtual void beep() = 0;
};

// Real boxes, with French buttons ("OK", "Oui", "Non") and the program's name
// as caption.
class QtMessageBoxes : public MessageBoxes {
public:
    void message(QWidget* parent, const QString& text) override;
    bool question(QWidget* parent, const QString& text) override;
    void beep() override;
};

// Answers boxes from a script, for tests and the benchmark. Every box shown is
// recorded; a box that was not expected, or whose text differs from the
// expected one, is recorded as a failure (and answered No).
class ScriptedMessageBoxes : public MessageBoxes {
public:
    enum class Kind { Message, Question };
    struct Shown {
        Kind kind;
        QString text;
    };

    // Expects the next box to show this exact text.
    void expectMessage(const QString& text);
    void expectQuestion(const QString& text, bool answerYes);
    // Answers every box without checking it (benchmark, exploratory runs).
    void setAnswerAll(bool yes) {
        answerAll_ = true;
        answerAllYes_ = yes;
    }

    void message(QWidget* parent, const QString& text) override;
    bool question(QWidget* parent, const QString& text) override;
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
    };
    bool take(Kind kind, const QString& text);

    QList<Expected> script_;
    QList<Shown> shown_;
    QStringList failures_;
    int beeps_ = 0;
    bool answerAll_ = false;
    bool answerAllYes_ = false;
};

} // namespace vdn
