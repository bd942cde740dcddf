#include "platform/spreadsheet.h"

#include <QCoreApplication>
#include <QEvent>
#include <QEventLoop>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>

namespace vdn {

namespace {

// Swallows the user's input to every window of the program while it waits, so
// that nothing is queued up to run once the wait is over and no window is
// closed under the handler that waits; painting goes on.
class InputBlocker : public QObject {
public:
    InputBlocker() { QCoreApplication::instance()->installEventFilter(this); }
    ~InputBlocker() override { QCoreApplication::instance()->removeEventFilter(this); }
    InputBlocker(const InputBlocker&) = delete;
    InputBlocker& operator=(const InputBlocker&) = delete;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::Wheel:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::ShortcutOverride:
        case QEvent::Shortcut:
        case QEvent::ContextMenu:
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TouchEnd:
        case QEvent::TabletPress:
        case QEvent::TabletRelease:
            return true;
        case QEvent::Close:
            // The user's click on a close box; closes made by the program pass.
            return event->spontaneous();
        default:
            return false;
        }
    }
};

struct KnownProgram {
    const char* program;
    const char* option;
};

// Looked for in this order when no command is set.
constexpr KnownProgram KnownPrograms[] = {
    {"localc", nullptr},
    {"libreoffice", "--calc"},
    {"soffice", "--calc"},
    {"gnumeric", nullptr},
};

} // namespace

QStringList ProcessSpreadsheet::command() {
    const QString set =
        QProcessEnvironment::systemEnvironment().value(QString::fromLatin1(CommandVariable));
    if (!set.trimmed().isEmpty())
        return QProcess::splitCommand(set);
    for (const KnownProgram& k : KnownPrograms) {
        const QString found = QStandardPaths::findExecutable(QString::fromLatin1(k.program));
        if (found.isEmpty())
            continue;
        QStringList c{found};
        if (k.option)
            c << QString::fromLatin1(k.option);
        return c;
    }
    return {};
}

bool ProcessSpreadsheet::openAndWait(const QString& file, QWidget*, QString& reason) {
    QStringList c = command();
    if (c.isEmpty()) {
        reason = QStringLiteral("Aucun tableur n'est installé (LibreOffice Calc ou Gnumeric). "
                                "La variable d'environnement %1 peut indiquer la commande "
                                "à utiliser.")
                     .arg(QString::fromLatin1(CommandVariable));
        return false;
    }
    QProcess process;
    process.setProgram(c.takeFirst());
    process.setArguments(c << file);
    process.setProcessChannelMode(QProcess::ForwardedChannels);
    process.start();
    if (!process.waitForStarted()) {
        reason = QStringLiteral("Impossible de lancer « %1 » : %2")
                     .arg(process.program(), process.errorString());
        return false;
    }
    InputBlocker blocker;
    QEventLoop loop;
    QObject::connect(&process, &QProcess::finished, &loop, &QEventLoop::quit);
    if (process.state() != QProcess::NotRunning)
        loop.exec();
    return true;
}

bool ScriptedSpreadsheet::openAndWait(const QString& file, QWidget*, QString& reason) {
    opened_ << file;
    if (failure_.isEmpty())
        return true;
    reason = failure_;
    return false;
}

} // namespace vdn
