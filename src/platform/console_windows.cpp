#include "platform/console.h"

#include <io.h>
#include <windows.h>

#include <shellapi.h>

namespace vdn::console {

QStringList arguments(int argc, char* argv[]) {
    int count = 0;
    LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
    QStringList out;
    if (!wide) {
        for (int i = 0; i < argc; ++i)
            out << QString::fromLocal8Bit(argv[i]);
        return out;
    }
    for (int i = 0; i < count; ++i)
        out << QString::fromWCharArray(wide[i]);
    LocalFree(wide);
    return out;
}

void useParentConsole() {
    // Output already redirected to a file or a pipe stays there.
    const auto valid = [](DWORD which) {
        const HANDLE h = GetStdHandle(which);
        return h != nullptr && h != INVALID_HANDLE_VALUE;
    };
    if (valid(STD_OUTPUT_HANDLE) && valid(STD_ERROR_HANDLE))
        return;
    if (!AttachConsole(ATTACH_PARENT_PROCESS))
        return;
    if (!valid(STD_OUTPUT_HANDLE))
        std::freopen("CONOUT$", "w", stdout);
    if (!valid(STD_ERROR_HANDLE))
        std::freopen("CONOUT$", "w", stderr);
}

void write(std::FILE* stream, const QString& text) {
    std::fflush(stream);
    const HANDLE h = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
    DWORD mode = 0;
    if (h != INVALID_HANDLE_VALUE && GetConsoleMode(h, &mode)) {
        DWORD written = 0;
        const std::wstring wide = text.toStdWString();
        WriteConsoleW(h, wide.data(), DWORD(wide.size()), &written, nullptr);
        return;
    }
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
    std::fflush(stream);
}

} // namespace vdn::console
