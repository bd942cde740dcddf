#pragma once

#include "printing/page_writer.h"

#include <QFont>
#include <QFontMetricsF>
#include <QPainter>

#include <optional>

class QPrinter;

namespace vdn {

// Draws on a printer (paper or PDF) through a painter scaled to twips. The
// document starts with the first item drawn, so a document with nothing drawn
// sends nothing.
class PrinterPageWriter : public PageWriter {
public:
    // Margins asked of the printer, in millimetres: small enough for the
    // reports' 16500-twip-wide landscape frame to fit on A4; a printer that
    // needs wider margins keeps its own.
    static constexpr double MarginMm = 2.5;
    // Pen width of boxes and lines, in twips (half a point).
    static constexpr double PenWidth = 10;

    explicit PrinterPageWriter(QPrinter& printer);
    ~PrinterPageWriter() override;

protected:
    void drawText(double x, double y, const QString& text) override;
    void drawBox(double x1, double y1, double x2, double y2) override;
    void drawLine(double x1, double y1, double x2, double y2) override;
    void startNewPage() override;
    void finishDocument() override;
    void applyOrientation(Orientation o) override;
    double textWidth(const QString& text) const override;
    double lineHeight() const override;

private:
    bool begin();
    QString printerLabel() const;
    void failPrinter(const QString& what);
    // The metrics of a font on the printer, kept while the font stays the
    // same: a report prints thousands of texts in a handful of fonts.
    const QFontMetricsF& metrics(const QFont& font) const;

    QPrinter& printer_;
    QPainter painter_;
    mutable QFont metricsFont_;
    mutable std::optional<QFontMetricsF> metrics_;
};

} // namespace vdn
