#pragma once

#include "printing/page_writer.h"
#include "printing/print_target.h"

#include <QFont>
#include <QFontMetricsF>
#include <QList>
#include <QPainter>

#include <memory>
#include <optional>

class QPrinter;

namespace vdn {

// Draws on a printer (paper or PDF) through a painter scaled to twips. The
// document starts with the first item drawn, so a document with nothing drawn
// sends nothing. Each page is kept until it ends and then painted as a whole,
// shrunk uniformly when its drawing does not fit the printable area of the
// printer's paper.
class PrinterPageWriter : public PageWriter {
public:
    // Margins asked of the printer, in millimetres: small enough for the
    // reports' 16500-twip-wide landscape frame to fit on A4; a printer that
    // needs wider margins keeps its own, and the page is shrunk to fit them.
    static constexpr double MarginMm = 2.5;

    explicit PrinterPageWriter(QPrinter& printer);
    ~PrinterPageWriter() override;

protected:
    void drawText(double x, double y, const QString& text) override;
    void drawBox(double x1, double y1, double x2, double y2) override;
    void drawLine(double x1, double y1, double x2, double y2) override;
    void startNewPage() override;
    void finishDocument() override;
    void dropDocument() override;
    void applyOrientation(Orientation o) override;
    double textWidth(const QString& text) const override;
    double lineHeight() const override;
    QSizeF printableSize() const override;

private:
    struct Item {
        enum class Kind { Text, Box, Line } kind;
        QPointF a;
        QPointF b;
        QString text;
        QFont font;
        double pen = PenWidth; // Box, Line
    };

    bool begin();
    QString printerLabel() const;
    void failPrinter(const QString& what);
    void paintPage();
    // The metrics of a font on the printer, kept while the font stays the
    // same: a report prints thousands of texts in a handful of fonts.
    const QFontMetricsF& metrics(const QFont& font) const;
    QPrinter& device() const { return device_ ? *device_ : printer_; }

    QPrinter& printer_;
    QPrinter* device_ = nullptr; // what is painted on while a document is open
    std::unique_ptr<PrintTarget> target_;
    QPainter painter_;
    QList<Item> page_;
    mutable QFont metricsFont_;
    mutable std::optional<QFontMetricsF> metrics_;
};

} // namespace vdn
