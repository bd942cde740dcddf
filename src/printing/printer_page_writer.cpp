#include "printing/printer_page_writer.h"

#include <QFile>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QPrinter>

namespace vdn {

PrinterPageWriter::PrinterPageWriter(QPrinter& printer) : printer_(printer) {}

PrinterPageWriter::~PrinterPageWriter() {
    if (painter_.isActive())
        painter_.end();
}

QString PrinterPageWriter::printerLabel() const {
    if (printer_.outputFormat() == QPrinter::PdfFormat)
        return QFileInfo(printer_.outputFileName()).absoluteFilePath();
    return printer_.printerName();
}

void PrinterPageWriter::failPrinter(const QString& what) {
    fail(DataError::other(errnum::PrintFailure, what + QStringLiteral(" : ") + printerLabel()));
}

bool PrinterPageWriter::begin() {
    if (painter_.isActive())
        return true;
    if (!ok())
        return false;
    printer_.setPageMargins(QMarginsF(MarginMm, MarginMm, MarginMm, MarginMm),
                            QPageLayout::Millimeter);
    // A print queue is asked whether it takes the job before anything is drawn.
    target_ = std::make_unique<PrintTarget>(printer_, documentTitle());
    Result<QPrinter*> opened = target_->open();
    if (!opened) {
        target_.reset();
        fail(opened.error());
        return false;
    }
    device_ = *opened;
    // The printer may have changed since the last document.
    metrics_.reset();
    if (!painter_.begin(device_)) {
        device_ = nullptr;
        target_.reset();
        failPrinter(QStringLiteral("Impossible d'imprimer sur l'imprimante ou le fichier"));
        return false;
    }
    painter_.setBrush(Qt::NoBrush);
    return true;
}

void PrinterPageWriter::drawText(double x, double y, const QString& text) {
    if (begin())
        page_.append(Item{Item::Kind::Text, QPointF(x, y), {}, text, font()});
}

void PrinterPageWriter::drawBox(double x1, double y1, double x2, double y2) {
    if (begin())
        page_.append(Item{Item::Kind::Box, QPointF(x1, y1), QPointF(x2, y2), {}, {}, penWidth()});
}

void PrinterPageWriter::drawLine(double x1, double y1, double x2, double y2) {
    if (begin())
        page_.append(Item{Item::Kind::Line, QPointF(x1, y1), QPointF(x2, y2), {}, {}, penWidth()});
}

void PrinterPageWriter::paintPage() {
    if (page_.isEmpty())
        return;
    // Origin at the top-left of the printable area; one unit is one twip,
    // times the page's factor when it has to shrink to fit.
    const double scale = device().resolution() / 1440.0 * pageScale();
    painter_.resetTransform();
    painter_.scale(scale, scale);
    painter_.setPen(QPen(Qt::black, PenWidth));
    for (const Item& item : std::as_const(page_)) {
        if (item.kind != Item::Kind::Text && painter_.pen().widthF() != item.pen)
            painter_.setPen(QPen(Qt::black, item.pen));
        switch (item.kind) {
        case Item::Kind::Text:
            if (painter_.font() != item.font)
                painter_.setFont(item.font);
            // Text is drawn on its baseline; the ascent puts its top at y.
            painter_.drawText(QPointF(item.a.x(), item.a.y() + metrics(item.font).ascent()),
                              item.text);
            break;
        case Item::Kind::Box:
            painter_.drawRect(QRectF(item.a, item.b).normalized());
            break;
        case Item::Kind::Line:
            painter_.drawLine(item.a, item.b);
            break;
        }
    }
    page_.clear();
}

void PrinterPageWriter::startNewPage() {
    if (!begin())
        return;
    paintPage();
    if (!device().newPage())
        failPrinter(QStringLiteral("Impossible de passer à la page suivante"));
}

void PrinterPageWriter::finishDocument() {
    if (!painter_.isActive()) {
        page_.clear();
        return;
    }
    paintPage();
    const bool ended = painter_.end();
    const bool failed = !ended || device().printerState() == QPrinter::Error;
    device_ = nullptr;
    std::unique_ptr<PrintTarget> target = std::move(target_);
    if (failed) {
        failPrinter(QStringLiteral("L'impression n'a pas pu être envoyée"));
        return;
    }
    if (Status sent = target->send(); !sent) {
        fail(sent.error());
        return;
    }
    // The orientation asked for while the document was open.
    applyOrientation(orientation());
}

void PrinterPageWriter::dropDocument() {
    page_.clear();
    if (!painter_.isActive())
        return;
    const bool toFile = device().outputFormat() == QPrinter::PdfFormat;
    const QString file = device().outputFileName();
    painter_.end();
    device_ = nullptr;
    // A print queue's job is a temporary file never submitted, removed with
    // its target; a PDF file chosen in the dialog is removed likewise.
    target_.reset();
    if (toFile && !file.isEmpty())
        QFile::remove(file);
    applyOrientation(orientation());
}

void PrinterPageWriter::applyOrientation(Orientation o) {
    if (painter_.isActive())
        return;
    printer_.setPageOrientation(o == Orientation::Landscape ? QPageLayout::Landscape
                                                            : QPageLayout::Portrait);
}

QSizeF PrinterPageWriter::printableSize() const {
    const QPrinter& p = device();
    const QRectF area = p.pageLayout().paintRectPixels(p.resolution());
    const double toTwips = 1440.0 / p.resolution();
    return area.size() * toTwips;
}

const QFontMetricsF& PrinterPageWriter::metrics(const QFont& f) const {
    if (!metrics_ || f != metricsFont_) {
        metricsFont_ = f;
        metrics_.emplace(f, &device());
    }
    return *metrics_;
}

double PrinterPageWriter::textWidth(const QString& text) const {
    return metrics(font()).horizontalAdvance(text);
}

double PrinterPageWriter::lineHeight() const {
    return metrics(font()).height();
}

} // namespace vdn
