#include "app/path_file.h"

#include "data/server_address.h"
#include "import/import_text.h"
#include "platform/places.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

namespace vdn {

namespace {
// Longer than any path the file systems accept.
constexpr qsizetype MaxLineBytes = 4096;
} // namespace

QString userConfigFolder() {
    return places::userSettingsFolder();
}

QString findPathFile(const QString& programFolder, const QString& configFolder) {
    for (const QString& folder : {programFolder, configFolder}) {
        if (folder.isEmpty())
            continue;
        const QString candidate = QDir(folder).filePath(PathFileName);
        if (QFileInfo::exists(candidate))
            return candidate;
    }
    return {};
}

Result<QString> parsePathFile(const QByteArray& content, const QString& fileName) {
    QByteArray bytes = content;
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes.remove(0, 3);
    qsizetype end = bytes.indexOf('\n');
    if (end < 0)
        end = bytes.size();
    QByteArray line = bytes.left(end);
    if (line.endsWith('\r'))
        line.chop(1);
    if (line.size() > MaxLineBytes)
        return DataError::other(
            errnum::NotText,
            QStringLiteral("La première ligne du fichier %1 est trop longue pour être un chemin "
                           "(%2 octets)")
                .arg(fileName)
                .arg(line.size()));
    for (char c : line) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 && c != '\t')
            return DataError::other(
                errnum::NotText,
                QStringLiteral("Le fichier %1 n'est pas un fichier texte").arg(fileName));
    }
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(line);
    // A file written by a Windows editor or an older installation is in the
    // Windows code page, not UTF-8.
    if (utf8.hasError()) {
        TextEncoding windows = TextEncoding::Windows1252;
        QString unused;
        text = decodeText(line, windows, unused).value_or(QString::fromLatin1(line));
    }
    text = text.trimmed();
    // "http://…" or a misspelt server address is no folder: read as one, it
    // would make a local base under "./http:/…".
    if (std::optional<DataError> refused = unknownScheme(text)) {
        refused->text =
            QStringLiteral("Première ligne du fichier %1 : %2").arg(fileName, refused->text);
        return *refused;
    }
    return text;
}

Result<QString> readPathFile(const QString& fileName) {
    QFile f(fileName);
    if (!f.exists())
        return DataError::other(errnum::FileNotFound,
                                QStringLiteral("Fichier introuvable : %1").arg(fileName));
    if (!f.open(QIODevice::ReadOnly))
        return DataError::other(
            errnum::FileAccess,
            QStringLiteral("Impossible de lire le fichier %1 : %2").arg(fileName, f.errorString()));
    // Only the first line matters; never read more than a path can hold.
    const QByteArray head = f.read(MaxLineBytes + 8);
    if (f.error() != QFileDevice::NoError)
        return DataError::other(
            errnum::FileAccess,
            QStringLiteral("Impossible de lire le fichier %1 : %2").arg(fileName, f.errorString()));
    return parsePathFile(head, fileName);
}

QString readPathFileSecondLine(const QString& fileName) {
    QFile f(fileName);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    const QByteArray head = f.read(2 * MaxLineBytes + 16);
    const qsizetype first = head.indexOf('\n');
    if (first < 0)
        return {};
    // The second line read by the same rules as the first.
    Result<QString> line = parsePathFile(head.mid(first + 1), fileName);
    return line ? *line : QString();
}

} // namespace vdn
