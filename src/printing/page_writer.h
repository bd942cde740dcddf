#pragma once

#include "data/data_error.h"

#include <QFont>
#include <QRectF>
#include <QSizeF>
#include <QString>

#include <optional>

namespace vdn {

// Writes report pages item by item at positions in twips (1/1440 inch),
// measured from the top-left corner of the page's printable area, x to the
// right and y downwards. Like a printer object it keeps a font, a current
// position and the number of the page being drawn. Reports are written against
// this interface only; the printer and the test recorder implement it.
//
// A failure (printer error) is kept: later drawing is skipped and status()
// reports it, so a report checks once per row instead of after every item.
class PageWriter {
public:
    enum class Orientation { Portrait = 1, Landscape = 2 };
    enum class LineEnd { Break, Stay };

    // Pen width of boxes and lines, in twips (half a point).
    static constexpr double PenWidth = 10;

    // The pen of the boxes and lines drawn next, in twips: a drawing tells
    // its kinds of line apart by their weight, in black and white.
    void setPenWidth(double twips) { penWidth_ = twips; }
    double penWidth() const { return penWidth_; }

    virtual ~PageWriter() = default;

    void setFontName(const QString& name) {
        fontName_ = name;
        font_.reset();
    }
    void setFontSize(double points) {
        fontSize_ = points;
        font_.reset();
    }
    void setBold(bool bold) {
        bold_ = bold;
        font_.reset();
    }
    const QString& fontName() const { return fontName_; }
    double fontSize() const { return fontSize_; }
    bool bold() const { return bold_; }

    void setCurrentX(double x) { x_ = x; }
    void setCurrentY(double y) { y_ = y; }
    double currentX() const { return x_; }
    double currentY() const { return y_; }

    // Draws the text with its top-left corner at the current position. With
    // a line break the position moves to the start of the next line; without,
    // it stays on the line, just after the text. Line breaks, tabs and other
    // control characters print as blanks, so the text keeps to its line.
    void print(const QString& text, LineEnd end = LineEnd::Break);
    // The same, cut at a whole character (no ellipsis) so that the text ends
    // at x `right` at the latest: it never runs over the next column.
    void printUpTo(const QString& text, double right, LineEnd end = LineEnd::Break);
    // printUpTo from the point (x, y).
    void printUpToAt(double x, double y, const QString& text, double right) {
        setCurrentX(x);
        setCurrentY(y);
        printUpTo(text, right);
    }
    // The longest start of `text`, cut between whole characters, that takes no
    // more than `room` twips in the current font.
    QString cutToWidth(const QString& text, double room) const;
    // Black rectangle outline with these corners.
    void box(double x1, double y1, double x2, double y2);
    // Black straight line.
    void line(double x1, double y1, double x2, double y2);

    // The number of the page being drawn: 1 on the first page of a document.
    int page() const { return page_; }
    // Ends the page and starts the next one.
    void newPage();
    // Sends the document; a document with nothing drawn sends nothing. The
    // next document starts again at page 1.
    void endDocument();
    // Drops the document being drawn: nothing of it is sent. The next
    // document starts again at page 1.
    void abandonDocument();
    // Applies to the next document.
    void setOrientation(Orientation o);
    Orientation orientation() const { return orientation_; }

    // The title under which the document is sent (print queue, PDF title).
    void setDocumentTitle(const QString& title) { title_ = title; }
    const QString& documentTitle() const { return title_; }

    // The area covered by what has been drawn on the current page, from the
    // top-left corner of the printable area (text by its width and line
    // height, boxes and lines with half their pen).
    QRectF pageExtent() const { return extent_; }
    // The factor a page is drawn at: 1, or less when its drawing would not fit
    // the printable area, so that the whole page shrinks uniformly to fit.
    double pageScale() const { return fitScale(extent_, printableSize()); }
    static double fitScale(const QRectF& extent, const QSizeF& printable);

    bool ok() const { return status_.ok(); }
    const Status& status() const { return status_; }
    // Forgets a failure once it has been reported, so that the end of the job
    // still sends what was drawn.
    void clearFailure() { status_ = Status(); }

    // The font of the text printed now, its size in twips (points * 20).
    const QFont& font() const;

protected:
    // Hooks of an implementation. Positions are in twips; the font is font().
    virtual void drawText(double x, double y, const QString& text) = 0;
    virtual void drawBox(double x1, double y1, double x2, double y2) = 0;
    virtual void drawLine(double x1, double y1, double x2, double y2) = 0;
    virtual void startNewPage() = 0;
    virtual void finishDocument() = 0;
    virtual void dropDocument() = 0;
    virtual void applyOrientation(Orientation o) = 0;
    // Width of the text and height of one line in the current font, in twips.
    virtual double textWidth(const QString& text) const;
    virtual double lineHeight() const;
    // Width and height of the printable area of the page, in twips; an empty
    // size means unknown, and pages are drawn as they are.
    virtual QSizeF printableSize() const { return {}; }

    void fail(const DataError& error);

private:
    QString fontName_ = QStringLiteral("Times New Roman");
    double fontSize_ = 10;
    bool bold_ = false;
    double penWidth_ = PenWidth;
    double x_ = 0;
    double y_ = 0;
    int page_ = 1;
    Orientation orientation_ = Orientation::Portrait;
    Status status_;
    QString title_;
    QRectF extent_;
    // font(), made again only after the name, size or weight changed.
    mutable std::optional<QFont> font_;

    void cover(const QRectF& area);
    // The area a box or a line from (x1, y1) to (x2, y2) inks, pen included.
    void coverStroke(double x1, double y1, double x2, double y2);
    static QString printable(const QString& raw);
    // Draws text already made printable, `width` wide, at the current position.
    void place(const QString& text, double width, LineEnd end);
    // cutToWidth, also giving the width of what it keeps.
    QString cut(const QString& text, double room, double& width) const;
};

} // namespace vdn
