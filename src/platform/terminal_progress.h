#pragma once

#include "platform/clock.h"
#include "platform/progress.h"

#include <QDateTime>
#include <QString>

#include <cstdio>

namespace vdn {

// Progress of a command-line task on a stream (stderr): "what : 42 %" on one
// line rewritten in place, at most once a second, and only when the stream is
// a terminal; a redirected stream receives nothing. Never asks to stop.
class TerminalProgress final : public Progress {
public:
    TerminalProgress(const QString& what, const Clock& clock, std::FILE* out = stderr);
    ~TerminalProgress() override;
    bool step(qint64 done, qint64 total) override;
    // Writes even when the stream is no terminal (tests).
    void forceOutput() { shown_ = true; }

private:
    QString what_;
    const Clock& clock_;
    std::FILE* out_;
    bool shown_;
    bool written_ = false;
    QDateTime last_;
};

} // namespace vdn
