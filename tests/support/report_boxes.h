#pragma once

// Message boxes for tests that look at data-access error reports.

#include "platform/message_boxes.h"

#include <QStringList>

namespace vdn::test {

// Passes every box to the scripted boxes except the data-access error
// report, whose text carries the engine's own words: those are collected
// (and answered No) for the test to look at.
class ReportBoxes : public MessageBoxes {
public:
    explicit ReportBoxes(ScriptedMessageBoxes& scripted) : scripted_(scripted) {}
    void message(QWidget* parent, const QString& text) override;
    bool question(QWidget* parent, const QString& text) override;
    Answer questionWithCancel(QWidget* parent, const QString& text, Answer defaultAnswer) override {
        return scripted_.questionWithCancel(parent, text, defaultAnswer);
    }
    std::optional<QList<bool>> chooseValues(QWidget* parent, const QString& headline,
                                            const QList<FieldChoice>& fields) override {
        return scripted_.chooseValues(parent, headline, fields);
    }
    void beep() override { scripted_.beep(); }

    // How every data-access error report begins.
    static QString reportStart();

    QStringList reports;

private:
    ScriptedMessageBoxes& scripted_;
};

} // namespace vdn::test
