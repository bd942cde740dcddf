#include "printing/page_writer.h"

#include <QFontMetricsF>

#include <cmath>

namespace vdn {

QFont PageWriter::font() const {
    QFont f(fontName_);
    // Pixel size in twips: a point is 20 twips. A point size would be shrunk
    // by the painter's scale to twips.
    f.setPixelSize(std::max(1, int(std::lround(fontSize_ * 20))));
    f.setBold(bold_);
    return f;
}

double PageWriter::textWidth(const QString& text) const {
    return QFontMetricsF(font()).horizontalAdvance(text);
}

double PageWriter::lineHeight() const {
    return QFontMetricsF(font()).height();
}

void PageWriter::print(const QString& raw, LineEnd end) {
    if (!ok())
        return;
    // A stored value may hold line breaks or tabs (pasted into a box): it is
    // printed on its one line, each such character as a blank.
    QString text = raw;
    for (QChar& c : text)
        if (c.category() == QChar::Other_Control || c == QChar::LineSeparator ||
            c == QChar::ParagraphSeparator)
            c = QLatin1Char(' ');
    drawText(x_, y_, text);
    if (end == LineEnd::Break) {
        x_ = 0;
        y_ += lineHeight();
    } else {
        x_ += textWidth(text);
    }
}

void PageWriter::box(double x1, double y1, double x2, double y2) {
    if (ok())
        drawBox(x1, y1, x2, y2);
}

void PageWriter::line(double x1, double y1, double x2, double y2) {
    if (ok())
        drawLine(x1, y1, x2, y2);
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
}

void PageWriter::endDocument() {
    finishDocument();
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
