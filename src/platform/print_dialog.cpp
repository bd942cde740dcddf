#include "platform/print_dialog.h"

#include "platform/print_queue.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QPrintDialog>
#include <QStandardPaths>

namespace vdn {

namespace {

// What the dialog may change on a printer, so that Cancel can put it back.
struct PrinterSettings {
    QPrinter::OutputFormat format;
    QString printerName;
    QString outputFileName;
    int copies;
    QPrinter::DuplexMode duplex;
    QPageLayout layout;
    bool collate;
    QPrinter::ColorMode color;

    explicit PrinterSettings(const QPrinter& p)
        : format(p.outputFormat()), printerName(p.printerName()),
          outputFileName(p.outputFileName()), copies(p.copyCount()), duplex(p.duplex()),
          layout(p.pageLayout()), collate(p.collateCopies()), color(p.colorMode()) {}

    void restore(QPrinter& p) const {
        p.setOutputFormat(format);
        if (format == QPrinter::NativeFormat)
            p.setPrinterName(printerName);
        p.setOutputFileName(outputFileName);
        p.setCopyCount(copies);
        p.setDuplex(duplex);
        p.setPageLayout(layout);
        p.setCollateCopies(collate);
        p.setColorMode(color);
    }
};

} // namespace

QtPrintDialog::QtPrintDialog() = default;
QtPrintDialog::~QtPrintDialog() = default;

QPrinter& QtPrintDialog::currentPrinter() {
    // Made on first use: a printer needs the running application.
    if (!printer_)
        printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
    return *printer_;
}

QString QtPrintDialog::defaultPdfFile(const QString& docName) {
    QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (folder.isEmpty() || !QDir(folder).exists())
        folder = QDir::homePath();
    QString name;
    for (const QChar c : docName.simplified())
        name += (c.category() == QChar::Other_Control || QStringLiteral("/\\:*?\"<>|").contains(c))
                    ? QLatin1Char('_')
                    : c;
    // A name of dots alone would name the folder or its parent.
    if (name.count(QLatin1Char('.')) == name.size())
        name = QStringLiteral("vordan");
    return QDir(folder).filePath(name.left(120) + QStringLiteral(".pdf"));
}

bool QtPrintDialog::choose(QWidget* owner) {
    QPrinter& printer = currentPrinter();
    const PrinterSettings before(printer);
    // With PDF output and no file name the dialog cannot confirm; offer one.
    if (printer.outputFormat() == QPrinter::PdfFormat &&
        (printer.outputFileName().isEmpty() || printer.outputFileName() == offered_)) {
        offered_ = defaultPdfFile(printer.docName());
        printer.setOutputFileName(offered_);
    }
    if (printer.outputFormat() == QPrinter::PdfFormat && !PrintQueue::dialogShowsPdfPrinter()) {
        // No printer installed, and a print dialog that would show none: the
        // PDF file is asked for instead.
        QFileDialog files(owner, QStringLiteral("Imprimer dans un fichier (PDF)"),
                          QFileInfo(printer.outputFileName()).absolutePath(),
                          QStringLiteral("Documents PDF (*.pdf)"));
        files.setAcceptMode(QFileDialog::AcceptSave);
        files.setDefaultSuffix(QStringLiteral("pdf"));
        files.selectFile(printer.outputFileName());
        if (files.exec() == QDialog::Accepted && !files.selectedFiles().isEmpty()) {
            printer.setOutputFileName(files.selectedFiles().constFirst());
            return true;
        }
        before.restore(printer);
        return false;
    }
    QPrintDialog dialog(&printer, owner);
    dialog.setOptions(QAbstractPrintDialog::PrintToFile | QAbstractPrintDialog::PrintShowPageSize);
    if (dialog.exec() == QDialog::Accepted)
        return true;
    before.restore(printer);
    return false;
}

ScriptedPrintDialog::ScriptedPrintDialog() = default;
ScriptedPrintDialog::~ScriptedPrintDialog() = default;

void ScriptedPrintDialog::expectAccept(const Choice& choice) {
    script_.append(Answer{true, choice});
}

void ScriptedPrintDialog::expectCancel() {
    script_.append(Answer{false, Choice{}});
}

QPrinter& ScriptedPrintDialog::currentPrinter() {
    if (!printer_) {
        printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
        printer_->setOutputFormat(QPrinter::PdfFormat);
    }
    return *printer_;
}

bool ScriptedPrintDialog::choose(QWidget*) {
    QPrinter& printer = currentPrinter();
    shown_.append(Preset{printer.outputFileName(), printer.copyCount(), printer.duplex(),
                         printer.pageLayout().orientation(), printer.docName()});
    if (script_.isEmpty()) {
        failures_ << QStringLiteral("unexpected print dialog");
        return false;
    }
    const Answer a = script_.takeFirst();
    if (!a.accept)
        return false;
    if (a.choice.printer.isEmpty()) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(a.choice.pdfFile);
    } else {
        printer.setOutputFileName(QString());
        printer.setOutputFormat(QPrinter::NativeFormat);
        printer.setPrinterName(a.choice.printer);
    }
    printer.setCopyCount(a.choice.copies);
    printer.setDuplex(a.choice.duplex);
    printer.setPageOrientation(a.choice.orientation);
    return true;
}

void ScriptedPrintDialog::clear() {
    script_.clear();
    shown_.clear();
    failures_.clear();
}

} // namespace vdn
