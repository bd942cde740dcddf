#include "printing/page_writer.h"

#include <QFontMetricsF>
#include <QTextBoundaryFinder>

#include <algorithm>
#include <cmath>

namespace vdn {

const QFont& PageWriter::font() const {
    if (!font_) {
        QFont f(fontName_);
        // Pixel size in twips: a point is 20 twips. A point size would be
        // shrunk by the painter's scale to twips.
        f.setPixelSize(std::max(1, int(std::lround(fontSize_ * 20))));
        f.setBold(bold_);
        font_ = f;
    }
    return *font_;
}

double PageWriter::textWidth(const QString& text) const {
    return QFontMetricsF(font()).horizontalAdvance(text);
}

double PageWriter::lineHeight() const {
    return QFontMetricsF(font()).height();
}

QString PageWriter::printable(const QString& raw) {
    // A stored value may hold line breaks or tabs (pasted into a box): it is
    // printed on its one line, each such character as a blank.
    QString text = raw;
    for (QChar& c : text)
        if (c.category() == QChar::Other_Control || c == QChar::LineSeparator ||
            c == QChar::ParagraphSeparator)
            c = QLatin1Char(' ');
    return text;
}

void PageWriter::print(const QString& raw, LineEnd end) {
    if (!ok())
        return;
    const QString text = printable(raw);
    place(text, textWidth(text), end);
}

void PageWriter::place(const QString& text, double width, LineEnd end) {
    const double height = lineHeight();
    drawText(x_, y_, text);
    cover(QRectF(x_, y_, width, height));
    if (end == LineEnd::Break) {
        x_ = 0;
        y_ += height;
    } else {
        x_ += width;
    }
}

void PageWriter::printUpTo(const QString& raw, double right, LineEnd end) {
    if (!ok())
        return;
    // The text is measured once: the width that decided the cut places it.
    double width = 0;
    const QString text = cut(printable(raw), right - x_, width);
    place(text, width, end);
}

QString PageWriter::cutToWidth(const QString& text, double room) const {
    double width = 0;
    return cut(text, room, width);
}

QString PageWriter::cut(const QString& text, double room, double& width) const {
    width = textWidth(text);
    if (width <= room)
        return text;
    // The places where a cut leaves whole characters (a letter and its
    // accents, both halves of a character beyond the Basic Multilingual Plane).
    QList<qsizetype> cuts{0};
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    for (qsizetype at = finder.toNextBoundary(); at > 0 && at < text.size();
         at = finder.toNextBoundary())
        cuts.append(at);
    // The width grows with the length: the longest start that fits.
    qsizetype fits = 0;
    qsizetype tooLong = cuts.size();
    width = 0;
    while (tooLong - fits > 1) {
        const qsizetype mid = (fits + tooLong) / 2;
        const double midWidth = textWidth(text.left(cuts[mid]));
        if (midWidth <= room) {
            fits = mid;
            width = midWidth;
        } else {
            tooLong = mid;
        }
    }
    return text.left(cuts[fits]);
}

void PageWriter::cover(const QRectF& area) {
    extent_ = extent_.isNull() ? area : extent_.united(area);
}

void PageWriter::coverStroke(double x1, double y1, double x2, double y2) {
    const double half = penWidth_ / 2;
    cover(QRectF(QPointF(x1, y1), QPointF(x2, y2)).normalized().adjusted(-half, -half, half, half));
}

double PageWriter::fitScale(const QRectF& extent, const QSizeF& printable) {
    if (printable.isEmpty() || extent.isNull())
        return 1;
    // Coordinates start at the printable area's corner: what must fit is the
    // drawing's far right and bottom edges.
    const double right = extent.right();
    const double bottom = extent.bottom();
    double scale = 1;
    if (right > printable.width())
        scale = std::min(scale, printable.width() / right);
    if (bottom > printable.height())
        scale = std::min(scale, printable.height() / bottom);
    return scale;
}

void PageWriter::box(double x1, double y1, double x2, double y2) {
    if (!ok())
        return;
    drawBox(x1, y1, x2, y2);
    coverStroke(x1, y1, x2, y2);
}

void PageWriter::line(double x1, double y1, double x2, double y2) {
    if (!ok())
        return;
    drawLine(x1, y1, x2, y2);
    coverStroke(x1, y1, x2, y2);
}

void PageWriter::newPage() {
    if (!ok())
        return;
    startNewPage();
    if (!ok())
        return;
    ++page_;
    x_ = 0;
    y_ = 0;
    extent_ = QRectF();
}

void PageWriter::endDocument() {
    finishDocument();
    extent_ = QRectF();
    page_ = 1;
    x_ = 0;
    y_ = 0;
}

void PageWriter::abandonDocument() {
    dropDocument();
    extent_ = QRectF();
    page_ = 1;
    x_ = 0;
    y_ = 0;
}

void PageWriter::setOrientation(Orientation o) {
    orientation_ = o;
    applyOrientation(o);
}

void PageWriter::fail(const DataError& error) {
    if (ok())
        status_ = error;
}

} // namespace vdn
