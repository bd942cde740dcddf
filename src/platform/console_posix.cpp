#include "platform/console.h"

namespace vdn::console {

QStringList arguments(int argc, char* argv[]) {
    QStringList out;
    for (int i = 0; i < argc; ++i)
        out << QString::fromLocal8Bit(argv[i]);
    return out;
}

void useParentConsole() {}

void write(std::FILE* stream, const QString& text) {
    std::fputs(text.toLocal8Bit().constData(), stream);
}

} // namespace vdn::console
