#include "support/files.h"

#include "platform/places.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcessEnvironment>

namespace vdn::test {

bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

namespace {

// The settings folder's own name under the root: "vordan" or "VORDAN".
QString settingsName() {
    return QFileInfo(places::userSettingsFolder()).fileName();
}

} // namespace

QString useSettingsRoot(const QString& root) {
    qputenv("XDG_CONFIG_HOME", QDir::toNativeSeparators(root).toLocal8Bit());
    qputenv("APPDATA", QDir::toNativeSeparators(root).toLocal8Bit());
    const QString folder = places::userSettingsFolder();
    QDir().mkpath(folder);
    return folder;
}

QString useSettingsRoot(const QString& root, QProcessEnvironment& env) {
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), QDir::toNativeSeparators(root));
    env.insert(QStringLiteral("APPDATA"), QDir::toNativeSeparators(root));
    const QString folder = QDir(root).filePath(settingsName());
    QDir().mkpath(folder);
    return folder;
}

QString fromWindows1252(const QByteArray& bytes) {
    // 0x80 to 0x9F; the five bytes the code page leaves out keep their C1
    // code point.
    static constexpr char16_t High[32] = {
        u'€', 0x0081, u'‚',   u'ƒ', u'„',   u'…',   u'†', u'‡',   u'ˆ', u'‰', u'Š',
        u'‹', u'Œ',   0x008D, u'Ž', 0x008F, 0x0090, u'‘', u'’',   u'“', u'”', u'•',
        u'–', u'—',   u'˜',   u'™', u'š',   u'›',   u'œ', 0x009D, u'ž', u'Ÿ',
    };
    QString text;
    text.reserve(bytes.size());
    for (const char c : bytes) {
        const auto b = quint8(c);
        text += QChar(b >= 0x80 && b <= 0x9F ? High[b - 0x80] : char16_t(b));
    }
    return text;
}

} // namespace vdn::test
