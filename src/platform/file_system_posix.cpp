#include "platform/file_system.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

namespace vdn::files {

namespace {

QByteArray native(const QString& path) {
    return QFile::encodeName(path);
}

} // namespace

QString systemReason(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

int replace(const QString& from, const QString& to) {
    return std::rename(native(from).constData(), native(to).constData()) == 0 ? 0 : errno;
}

int placeWithoutReplacing(const QString& from, const QString& to) {
    const QByteArray source = native(from);
    const QByteArray target = native(to);
    if (::renameat2(AT_FDCWD, source.constData(), AT_FDCWD, target.constData(), RENAME_NOREPLACE) ==
        0)
        return 0;
    // A file system without that rename: a second name, which fails as well
    // on an existing file, then the first one goes.
    if (errno != EINVAL && errno != ENOSYS)
        return errno;
    if (::link(source.constData(), target.constData()) != 0)
        return errno;
    ::unlink(source.constData());
    return 0;
}

int link(const QString& existing, const QString& newName) {
    return ::link(native(existing).constData(), native(newName).constData()) == 0 ? 0 : errno;
}

int writeAll(int descriptor, const char* data, qint64 size) {
    for (qint64 done = 0; done < size;) {
        const ssize_t w = ::write(descriptor, data + done, size_t(size - done));
        if (w < 0 && errno == EINTR)
            continue;
        if (w <= 0)
            return w < 0 ? errno : ENOSPC;
        done += w;
    }
    return 0;
}

int flushDescriptor(int descriptor) {
    return ::fsync(descriptor) == 0 ? 0 : errno;
}

int flushFile(const QString& path) {
    const int fd = ::open(native(path).constData(), O_RDWR);
    if (fd < 0)
        return errno;
    const int error = flushDescriptor(fd);
    ::close(fd);
    return error;
}

void flushFolder(const QString& folder) {
    const int fd = ::open(native(folder).constData(), O_RDONLY | O_DIRECTORY);
    if (fd < 0)
        return;
    ::fsync(fd);
    ::close(fd);
}

int listFiles(const QString& folder, QStringList* names) {
    DIR* dir = ::opendir(native(folder).constData());
    if (!dir)
        return errno;
    int error = 0;
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(dir);
        if (!entry) {
            error = errno;
            break;
        }
        const QString name = QFile::decodeName(entry->d_name);
        if (name == QLatin1String(".") || name == QLatin1String(".."))
            continue;
        if (QFileInfo(QDir(folder).filePath(name)).isFile())
            names->append(name);
    }
    ::closedir(dir);
    return error;
}

} // namespace vdn::files
