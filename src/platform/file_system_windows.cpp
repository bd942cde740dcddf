#include "platform/file_system.h"

#include <QDir>
#include <QThread>

#include <cerrno>
#include <cstring>

#include <io.h>
#include <windows.h>

namespace vdn::files {

namespace {

std::wstring native(const QString& path) {
    return QDir::toNativeSeparators(path).toStdWString();
}

// The error numbers the callers know, from the system's own codes.
int errorNumber(DWORD code) {
    switch (code) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
        return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
        return EACCES;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
        return EEXIST;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return ENOSPC;
    case ERROR_WRITE_PROTECT:
        return EROFS;
    case ERROR_NOT_READY:
    case ERROR_DEV_NOT_EXIST:
        return ENXIO;
    default:
        return EIO;
    }
}

int lastError() {
    return errorNumber(GetLastError());
}

// A file held by another program for a moment (an antivirus scanning a new
// file, the indexer) refuses a rename with one of these.
bool heldByAnother(DWORD code) {
    return code == ERROR_SHARING_VIOLATION || code == ERROR_LOCK_VIOLATION ||
           code == ERROR_ACCESS_DENIED;
}

constexpr int RenameTries = 40;
constexpr unsigned long RenamePauseMs = 100;

int move(const QString& from, const QString& to, DWORD flags) {
    const std::wstring source = native(from);
    const std::wstring target = native(to);
    for (int attempt = 1;; ++attempt) {
        if (MoveFileExW(source.c_str(), target.c_str(), flags | MOVEFILE_WRITE_THROUGH))
            return 0;
        const DWORD code = GetLastError();
        if (!heldByAnother(code) || attempt == RenameTries)
            return errorNumber(code);
        QThread::msleep(RenamePauseMs);
    }
}

HANDLE handleOf(int descriptor) {
    return reinterpret_cast<HANDLE>(_get_osfhandle(descriptor));
}

} // namespace

QString systemReason(int error) {
    // The C library of Windows knows these texts in English only.
    switch (error) {
    case ENOENT:
        return QStringLiteral("Fichier ou dossier introuvable");
    case EACCES:
        return QStringLiteral("Accès refusé (le fichier est peut-être ouvert par un autre "
                              "programme)");
    case EEXIST:
        return QStringLiteral("Le fichier existe déjà");
    case ENOSPC:
        return QStringLiteral("Plus de place sur le lecteur");
    case EROFS:
        return QStringLiteral("Le lecteur est protégé en écriture");
    case ENXIO:
        return QStringLiteral("Le lecteur n'est pas prêt");
    case EIO:
        return QStringLiteral("Erreur d'entrée/sortie");
    default:
        return QString::fromLocal8Bit(std::strerror(error));
    }
}

int replace(const QString& from, const QString& to) {
    return move(from, to, MOVEFILE_REPLACE_EXISTING);
}

int placeWithoutReplacing(const QString& from, const QString& to) {
    return move(from, to, 0);
}

int link(const QString& existing, const QString& newName) {
    return CreateHardLinkW(native(newName).c_str(), native(existing).c_str(), nullptr)
               ? 0
               : lastError();
}

int writeAll(int descriptor, const char* data, qint64 size) {
    // Through the system's handle: the C library's descriptor may be in text
    // mode, which would turn each LF into CR LF.
    const HANDLE h = handleOf(descriptor);
    if (h == INVALID_HANDLE_VALUE)
        return EBADF;
    for (qint64 done = 0; done < size;) {
        const DWORD chunk = DWORD(std::min<qint64>(size - done, 1 << 30));
        DWORD written = 0;
        if (!WriteFile(h, data + done, chunk, &written, nullptr))
            return lastError();
        if (written == 0)
            return ENOSPC;
        done += written;
    }
    return 0;
}

int flushDescriptor(int descriptor) {
    const HANDLE h = handleOf(descriptor);
    if (h == INVALID_HANDLE_VALUE)
        return EBADF;
    return FlushFileBuffers(h) ? 0 : lastError();
}

int flushFile(const QString& path) {
    const HANDLE h = CreateFileW(native(path).c_str(), GENERIC_WRITE,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return lastError();
    const int error = FlushFileBuffers(h) ? 0 : lastError();
    CloseHandle(h);
    return error;
}

void flushFolder(const QString&) {
    // NTFS and FAT record renames with the files' own flushes and
    // MOVEFILE_WRITE_THROUGH; a folder cannot be flushed as a file.
}

int listFiles(const QString& folder, QStringList* names) {
    WIN32_FIND_DATAW found;
    const std::wstring pattern = native(QDir(folder).filePath(QStringLiteral("*")));
    const HANDLE h = FindFirstFileW(pattern.c_str(), &found);
    if (h == INVALID_HANDLE_VALUE) {
        const DWORD code = GetLastError();
        // An empty drive's root has not even "." to list.
        return code == ERROR_FILE_NOT_FOUND ? 0 : errorNumber(code);
    }
    int error = 0;
    for (;;) {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            names->append(QString::fromWCharArray(found.cFileName));
        if (!FindNextFileW(h, &found)) {
            const DWORD code = GetLastError();
            if (code != ERROR_NO_MORE_FILES)
                error = errorNumber(code);
            break;
        }
    }
    FindClose(h);
    return error;
}

} // namespace vdn::files
