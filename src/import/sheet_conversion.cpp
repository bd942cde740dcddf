#include "import/sheet_conversion.h"
#include "platform/spreadsheet.h"

#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>

namespace vdn {

namespace {

// The converted sheets, in the order LibreOffice reports writing them
// ("Writing sheet NAME -> PATH"), then any other file it left.
QList<ConvertedSheet> readSheets(const QString& folder, const QString& output) {
    static const QRegularExpression writing(QStringLiteral("^Writing sheet (.*) -> (.*)$"),
                                            QRegularExpression::MultilineOption);
    QList<ConvertedSheet> sheets;
    QStringList seen;
    auto add = [&](const QString& name, const QString& file) {
        const QString path = QFileInfo(file).absoluteFilePath();
        if (seen.contains(path))
            return;
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly))
            return;
        seen << path;
        sheets << ConvertedSheet{name, f.readAll()};
    };
    for (auto it = writing.globalMatch(output); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        add(m.captured(1), m.captured(2).trimmed());
    }
    const QDir dir(folder);
    for (const QFileInfo& f :
         dir.entryInfoList({QStringLiteral("*.csv")}, QDir::Files, QDir::Time | QDir::Reversed))
        add(f.completeBaseName(), f.absoluteFilePath());
    return sheets;
}

} // namespace

bool isSpreadsheetFile(const QString& path) {
    const QString suffix = QFileInfo(path).suffix().toLower();
    return suffix == QLatin1String("ods") || suffix == QLatin1String("xlsx") ||
           suffix == QLatin1String("xls") || suffix == QLatin1String("fods");
}

QString libreOfficeProgram() {
    return installedLibreOffice();
}

QString csvExportFilter() {
    // Field separator ',', text delimiter '"', character set 76 (UTF-8),
    // first line 1, no column formats, language 0, text cells not all
    // quoted, numbers as numbers, cells as shown, formulas' results rather
    // than the formulas, no trimming, every sheet (-1).
    return QStringLiteral(
        "csv:Text - txt - csv (StarCalc):44,34,76,1,,0,false,true,true,false,false,-1");
}

SheetConversion convertSpreadsheet(const QString& path, const std::function<bool()>& keepGoing,
                                   int timeoutMs) {
    SheetConversion out;
    const QString program = libreOfficeProgram();
    if (program.isEmpty()) {
        out.error = QStringLiteral("LibreOffice n'est pas installé : %1 Les fichiers CSV "
                                   "s'importent sans lui.")
                        .arg(libreOfficeMissingHint());
        return out;
    }
    if (!QFileInfo(path).isFile()) {
        out.error = QStringLiteral("Fichier introuvable : %1").arg(QDir::toNativeSeparators(path));
        return out;
    }
    QTemporaryDir work;
    if (!work.isValid()) {
        out.error = QStringLiteral("Impossible de créer un dossier temporaire pour la conversion.");
        return out;
    }
    const QString outDir = work.filePath(QStringLiteral("feuilles"));
    QDir().mkpath(outDir);
    // A copy under a plain name: the sheets' files are named after it.
    const QString source =
        work.filePath(QStringLiteral("classeur.") + QFileInfo(path).suffix().toLower());
    if (!QFile::copy(path, source)) {
        out.error = QStringLiteral("Fichier illisible : %1").arg(QDir::toNativeSeparators(path));
        return out;
    }

    QProcess lo;
    lo.setProcessChannelMode(QProcess::MergedChannels);
    lo.start(program, {QStringLiteral("-env:UserInstallation=") +
                           QUrl::fromLocalFile(work.filePath(QStringLiteral("profil"))).toString(),
                       QStringLiteral("--headless"), QStringLiteral("--norestore"),
                       QStringLiteral("--nolockcheck"), QStringLiteral("--convert-to"),
                       csvExportFilter(), QStringLiteral("--outdir"), outDir, source});
    if (!lo.waitForStarted(10000)) {
        out.error = QStringLiteral("Impossible de lancer LibreOffice : %1").arg(lo.errorString());
        return out;
    }
    QElapsedTimer clock;
    clock.start();
    QEventLoop loop;
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, &loop, &QEventLoop::quit);
    QObject::connect(&lo, &QProcess::finished, &loop, &QEventLoop::quit);
    tick.start(100);
    while (lo.state() != QProcess::NotRunning) {
        if (keepGoing && !keepGoing()) {
            lo.kill();
            lo.waitForFinished(5000);
            out.cancelled = true;
            return out;
        }
        if (clock.elapsed() > timeoutMs) {
            lo.kill();
            lo.waitForFinished(5000);
            out.error = QStringLiteral("LibreOffice n'a pas fini la conversion en %1 secondes : "
                                       "abandon.")
                            .arg(timeoutMs / 1000);
            return out;
        }
        loop.exec();
    }
    const QString output = QString::fromLocal8Bit(lo.readAll());
    // LibreOffice ends with status 0 even when it could not read the file:
    // what counts is the files it wrote.
    out.sheets = readSheets(outDir, output);
    if (out.sheets.isEmpty())
        out.error = QStringLiteral("LibreOffice n'a pas pu lire ce classeur : %1")
                        .arg(QDir::toNativeSeparators(path));
    for (ConvertedSheet& s : out.sheets)
        if (s.name.startsWith(QLatin1String("classeur-")))
            s.name = s.name.mid(9);
    return out;
}

} // namespace vdn
