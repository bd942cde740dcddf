#include "printing/printer_page_writer.h"

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
    // The printer may have changed since the last document.
    metrics_.reset();
    if (!painter_.begin(&printer_)) {
        failPrinter(QStringLiteral("Impossible d'imprimer sur l'imprimante ou le fichier"));
        return false;
    }
    // Origin at the top-left of the printable area; one unit is one twip.
    const double scale = printer_.resolution() / 1440.0;
    painter_.scale(scale, scale);
    painter_.setPen(QPen(Qt::black, PenWidth));
    painter_.setBrush(Qt::NoBrush);
    return true;
}

void PrinterPageWriter::drawText(double x, double y, const QString& text) {
    if (!begin())
        return;
    const QFont f = font();
    if (painter_.font() != f)
        painter_.setFont(f);
    // Text is drawn on its baseline; the ascent puts its top at y.
    painter_.drawText(QPointF(x, y + metrics(f).ascent()), text);
}

void PrinterPageWriter::drawBox(double x1, double y1, double x2, double y2) {
    if (begin())
        painter_.drawRect(QRectF(QPointF(x1, y1), QPointF(x2, y2)).normalized());
}

void PrinterPageWriter::drawLine(double x1, double y1, double x2, double y2) {
    if (begin())
        painter_.drawLine(QPointF(x1, y1), QPointF(x2, y2));
}

void PrinterPageWriter::startNewPage() {
    if (begin() && !printer_.newPage())
        failPrinter(QStringLiteral("Impossible de passer à la page suivante"));
}

void PrinterPageWriter::finishDocument() {
    if (!painter_.isActive())
        return;
    const bool ended = painter_.end();
    if (!ended || printer_.printerState() == QPrinter::Error) {
        failPrinter(QStringLiteral("L'impression n'a pas pu être envoyée"));
        return;
    }
    // The orientation asked for while the document was open.
    applyOrientation(orientation());
}

void PrinterPageWriter::applyOrientation(Orientation o) {
    if (painter_.isActive())
        return;
    printer_.setPageOrientation(o == Orientation::Landscape ? QPageLayout::Landscape
                                                            : QPageLayout::Portrait);
}

const QFontMetricsF& PrinterPageWriter::metrics(const QFont& f) const {
    if (!metrics_ || f != metricsFont_) {
        metricsFont_ = f;
        metrics_.emplace(f, &printer_);
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
