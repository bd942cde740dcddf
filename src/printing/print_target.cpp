#include "printing/print_target.h"

#include "platform/print_queue.h"
#include "printing/pdf_check.h"

#include <QPrinter>
#include <QTemporaryDir>

namespace vdn {

namespace {

QString sides(const QPrinter& printer) {
    switch (printer.duplex()) {
    case QPrinter::DuplexNone:
        return QStringLiteral("one-sided");
    case QPrinter::DuplexLongSide:
        return QStringLiteral("two-sided-long-edge");
    case QPrinter::DuplexShortSide:
        return QStringLiteral("two-sided-short-edge");
    case QPrinter::DuplexAuto:
        // Turned along the page's long side as it is read.
        return printer.pageLayout().orientation() == QPageLayout::Portrait
                   ? QStringLiteral("two-sided-long-edge")
                   : QStringLiteral("two-sided-short-edge");
    }
    return {};
}

DataError refused(const PrintAnswer& answer, const QString& queue) {
    return printServiceError(answer.status, answer.text, answer.serviceMessage, queue);
}

} // namespace

DataError printServiceError(int status, const QString& text, const QString& serviceMessage,
                            const QString& queue) {
    DataError e = DataError::other(status, text);
    e.engineErrors.append(
        EngineError{status, status, serviceMessage, QStringLiteral("Imprimante : ") + queue});
    return e;
}

PrintTarget::PrintTarget(QPrinter& chosen, const QString& title) : chosen_(chosen), title_(title) {}

PrintTarget::~PrintTarget() = default;

Result<QPrinter*> PrintTarget::open() {
    chosen_.setDocName(title_);
    if (chosen_.outputFormat() != QPrinter::NativeFormat)
        return &chosen_;
    const PrintQueue queue(chosen_.printerName());
    if (const PrintAnswer ready = queue.checkReady(); !ready.accepted)
        return refused(ready, queue.name());
    // Where the spooler takes painted pages, the printer itself is the target.
    if (!PrintQueue::takesPdfFiles())
        return &chosen_;
    folder_ = std::make_unique<QTemporaryDir>();
    if (!folder_->isValid())
        return DataError::other(errnum::PrintFailure,
                                QStringLiteral("Impossible de préparer l'impression : ") +
                                    folder_->errorString());
    file_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
    file_->setOutputFormat(QPrinter::PdfFormat);
    file_->setOutputFileName(folder_->filePath(QStringLiteral("travail.pdf")));
    file_->setFullPage(chosen_.fullPage());
    // The queue's paper, margins and orientation, so that the page is laid
    // out for the printable area it will print on.
    file_->setPageLayout(chosen_.pageLayout());
    file_->setDocName(title_);
    file_->setCreator(QStringLiteral("VORDAN"));
    file_->setColorMode(chosen_.colorMode());
    return file_.get();
}

Status PrintTarget::send() {
    // The PDF engine reports no failed write: a PDF file is read back
    // before it is called printed or handed to the queue.
    if (!file_)
        return chosen_.outputFormat() == QPrinter::PdfFormat
                   ? checkWrittenPdf(chosen_.outputFileName())
                   : Status();
    if (Status whole = checkWrittenPdf(file_->outputFileName()); !whole)
        return whole;
    PrintQueue::JobOptions job;
    job.title = title_;
    job.copies = chosen_.copyCount();
    job.collate = chosen_.collateCopies();
    job.sides = sides(chosen_);
    const QPageSize paper = chosen_.pageLayout().pageSize();
    if (paper.id() != QPageSize::Custom)
        job.media = paper.key();
    const PrintQueue queue(chosen_.printerName());
    const PrintAnswer sent = queue.submit(file_->outputFileName(), job);
    // The queue keeps its own copy of the file.
    file_.reset();
    folder_.reset();
    if (!sent.accepted)
        return refused(sent, queue.name());
    return {};
}

} // namespace vdn
