// The Windows test programs run under Wine with Qt's offscreen platform,
// which reads its fonts from one folder of Debian's fonts
// (scripts/windows/wine-test.sh) and knows none of Windows' own faces. The
// faces the program asks for are mapped here to the same faces fontconfig
// gives the Linux tests, so that texts measure alike on both systems.
#include <QCoreApplication>
#include <QFont>

namespace {

void useTheLinuxTestsFaces() {
    QFont::insertSubstitution(QStringLiteral("Sans Serif"), QStringLiteral("DejaVu Sans"));
    QFont::insertSubstitution(QStringLiteral("MS Shell Dlg 2"), QStringLiteral("DejaVu Sans"));
    QFont::insertSubstitution(QStringLiteral("Segoe UI"), QStringLiteral("DejaVu Sans"));
    QFont::insertSubstitution(QStringLiteral("Times New Roman"),
                              QStringLiteral("Liberation Serif"));
    QFont::insertSubstitution(QStringLiteral("Arial"), QStringLiteral("Liberation Sans"));
    QFont::insertSubstitution(QStringLiteral("Courier New"), QStringLiteral("Liberation Mono"));
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(useTheLinuxTestsFaces)
