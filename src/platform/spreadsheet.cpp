#include "platform/spreadsheet.h"

#include <QCoreApplication>
#include <QEvent>
#include <QEventLoop>
#include <QProcess>
#include <QProcessEnvironment>

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

} // namespace

QString ProcessSpreadsheet::libreOfficeCsvFilter() {
    // The tokens of LibreOffice's CSV import, in its order: field separators
    // (a comma only), text delimiter ("), character set (1 = Windows-1252),
    // first line read, the format of each column (2 = Text, so that codes,
    // postcodes and telephone numbers keep their leading zeros and "+"), then
    // language, quoted fields as text, special numbers, two export-only
    // settings, trimming of blanks, sheet, and formula evaluation, which stays
    // off so that a value starting with "=" remains the text typed.
    QStringList formats;
    for (int column = 1; column <= ExportColumns; ++column)
        formats << QStringLiteral("%1/2").arg(column);
    return QStringLiteral("Text - txt - csv (StarCalc):44,34,1,1,") +
           formats.join(QLatin1Char('/')) +
           QStringLiteral(",0,false,false,false,false,false,-1,false");
}

QStringList ProcessSpreadsheet::command() {
    const QString set =
        QProcessEnvironment::systemEnvironment().value(QString::fromLatin1(CommandVariable));
    if (!set.trimmed().isEmpty())
        return QProcess::splitCommand(set);
    const SpreadsheetProgram found = systemSpreadsheet();
    if (found.program.isEmpty())
        return {};
    QStringList c{found.program};
    c << found.options;
    if (found.libreOffice)
        c << QStringLiteral("--infilter=") + libreOfficeCsvFilter();
    return c;
}

Spreadsheet::HandOver ProcessSpreadsheet::handOver() const {
    // A command set by hand is given the CSV file, as it always was.
    if (!qEnvironmentVariable(CommandVariable).trimmed().isEmpty())
        return HandOver::Csv;
    return systemSpreadsheet().workbook ? HandOver::Workbook : HandOver::Csv;
}

bool ProcessSpreadsheet::openAndWait(const QString& file, QWidget*, QString& reason) {
    QStringList c = command();
    if (c.isEmpty()) {
        reason = noSpreadsheetReason(QString::fromLatin1(CommandVariable));
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
