#include "platform/terminal_progress.h"

#include <unistd.h>

namespace vdn {

TerminalProgress::TerminalProgress(const QString& what, const Clock& clock, std::FILE* out)
    : what_(what), clock_(clock), out_(out), shown_(isatty(fileno(out)) == 1) {}

TerminalProgress::~TerminalProgress() {
    // The cursor goes to the next line for what follows.
    if (written_)
        std::fputs("\n", out_);
}

bool TerminalProgress::step(qint64 done, qint64 total) {
    if (!shown_)
        return true;
    const QDateTime now = clock_.now();
    const bool last = total > 0 && done >= total;
    if (written_ && !last && last_.msecsTo(now) < 1000)
        return true;
    last_ = now;
    written_ = true;
    const QString line = total > 0
                             ? QStringLiteral("\r%1 : %2 %").arg(what_).arg(done * 100 / total)
                             : QStringLiteral("\r%1 : %2").arg(what_).arg(done);
    std::fputs(line.toLocal8Bit().constData(), out_);
    std::fflush(out_);
    return true;
}

} // namespace vdn
