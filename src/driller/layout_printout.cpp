#include "driller/layout_printout.h"

#include "platform/print_dialog.h"
#include "platform/services.h"
#include "printing/page_headers.h"
#include "printing/page_writer.h"
#include "printing/printer_page_writer.h"

#include <QFontMetricsF>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace vdn {

namespace {

// The page, in twips on a landscape sheet.
constexpr double FrameLeft = 100;
constexpr double FrameRight = 16500;
constexpr double DrawingCentreX = 3900;
constexpr double DrawingCentreY = 4350;
constexpr double DrawingRadius = 3300;
constexpr double ColumnLeft = 8000;
constexpr double ColumnRight = 16400;
constexpr double StepsLeft = 300;
constexpr double StepsTop = 8100;
constexpr double LineStep = 250;
constexpr double SectionGap = 120;
constexpr double LabelGap = 90;
// The marks' size.
constexpr double MarkSize = 70;

QPointF onPage(QPointF view) {
    return {DrawingCentreX + view.x() * DrawingRadius, DrawingCentreY - view.y() * DrawingRadius};
}

// The text cut into lines that fit `room`, at blanks where possible.
QStringList wrapped(const PageWriter& out, const QString& text, double room) {
    QStringList lines;
    QString rest = text.simplified();
    while (!rest.isEmpty()) {
        QString line = out.cutToWidth(rest, room);
        if (line.isEmpty())
            line = rest.left(1); // a character wider than the room still prints
        if (line.size() < rest.size()) {
            const qsizetype blank = line.lastIndexOf(QLatin1Char(' '));
            if (blank > 0)
                line = line.left(blank);
        }
        lines << line;
        rest = rest.mid(line.size()).trimmed();
    }
    return lines;
}

// Prints a paragraph from y on, each line within [x, right]; returns the y
// under it.
double paragraph(PageWriter& out, double x, double y, const QString& text, double right) {
    for (const QString& line : wrapped(out, text, right - x)) {
        out.printUpToAt(x, y, line, right);
        y += LineStep;
    }
    return y;
}

void polyline(PageWriter& out, const QList<QPointF>& points) {
    for (qsizetype i = 1; i < points.size(); ++i) {
        const QPointF a = onPage(points.at(i - 1));
        const QPointF b = onPage(points.at(i));
        out.line(a.x(), a.y(), b.x(), b.y());
    }
}

// A mark as black strokes: a cross for the grip centre, a ring for the PAP,
// a ring with a cross for the pin, a diamond for the MB.
void mark(PageWriter& out, layout::Label::Kind kind, QPointF view) {
    const QPointF c = onPage(view);
    const double s = MarkSize;
    const auto ring = [&](double r) {
        QPointF last = c + QPointF(r, 0);
        for (int i = 1; i <= 16; ++i) {
            const double t = 2 * std::numbers::pi * i / 16;
            const QPointF next = c + QPointF(r * std::cos(t), r * std::sin(t));
            out.line(last.x(), last.y(), next.x(), next.y());
            last = next;
        }
    };
    const auto cross = [&](double r) {
        out.line(c.x() - r, c.y(), c.x() + r, c.y());
        out.line(c.x(), c.y() - r, c.x(), c.y() + r);
    };
    switch (kind) {
    case layout::Label::Kind::Grip:
        cross(1.6 * s);
        break;
    case layout::Label::Kind::Pap:
        ring(s);
        ring(s / 3);
        break;
    case layout::Label::Kind::Pin:
        ring(s);
        cross(s);
        break;
    case layout::Label::Kind::Mb:
        out.line(c.x() - s, c.y(), c.x(), c.y() - s);
        out.line(c.x(), c.y() - s, c.x() + s, c.y());
        out.line(c.x() + s, c.y(), c.x(), c.y() + s);
        out.line(c.x(), c.y() + s, c.x() - s, c.y());
        break;
    default:
        break;
    }
}

void drawScene(PageWriter& out, const layout::Scene& scene) {
    for (const layout::Stroke& s : scene.strokes)
        polyline(out, s.points);
    out.setFontSize(8);
    const QFontMetricsF metrics(out.font());
    for (const layout::Label& l : scene.labels) {
        mark(out, l.kind, l.at);
        const double width = metrics.horizontalAdvance(l.text);
        const QPointF corner =
            layout::labelCorner(onPage(l.at), l.away, width, metrics.height(), LabelGap);
        // Kept on the page's left part, clear of the text column.
        const double x = std::clamp(corner.x(), FrameLeft + 50,
                                    std::max(FrameLeft + 50, ColumnLeft - 200 - width));
        out.printUpToAt(x, corner.y(), l.text, ColumnLeft - 200);
    }
}

void header(PageWriter& out, const LayoutPage& page) {
    out.box(FrameLeft, 100, FrameRight, HeaderBottom);
    out.setFontName(ReportFont);
    out.setBold(true);
    out.setFontSize(13);
    out.printUpToAt(200, 200, QStringLiteral("IMPLANTATION DE LA BOULE"), 6900);
    out.setFontSize(10);
    out.printUpToAt(7000, 200, page.shopName, 12400);
    out.setBold(false);
    out.printUpToAt(12500, 200,
                    QStringLiteral("Edition du : ") +
                        page.date.toString(QStringLiteral("dd/MM/yyyy")),
                    FrameRight - 100);
}

Status drawLayout(PageWriter& out, const LayoutPage& page) {
    header(out, page);
    drawScene(out, page.scene);

    double y = 800;
    for (const LayoutSection& section : page.sections) {
        out.setFontSize(11);
        out.setBold(true);
        y = paragraph(out, ColumnLeft, y, section.title, ColumnRight);
        out.setBold(false);
        out.setFontSize(10);
        for (const QString& line : section.lines)
            y = paragraph(out, ColumnLeft + 150, y, line, ColumnRight);
        y += SectionGap;
    }

    y = std::max(y, StepsTop);
    out.setFontSize(11);
    out.setBold(true);
    y = paragraph(out, StepsLeft, y, QStringLiteral("Marquage de la boule"), ColumnRight);
    out.setBold(false);
    out.setFontSize(10);
    for (qsizetype i = 0; i < page.steps.size(); ++i) {
        out.printUpToAt(StepsLeft, y, QStringLiteral("%1.").arg(i + 1), StepsLeft + 350);
        y = paragraph(out, StepsLeft + 350, y, page.steps.at(i), ColumnRight);
    }
    return out.status();
}

} // namespace

PrintOutcome printLayout(const LayoutPage& page, PageWriter& out, const Services& services,
                         QWidget* owner) {
    out.setDocumentTitle(layoutTitle(page.customer));
    return runPrintJob(out, services, owner, [&](PageWriter& w) { return drawLayout(w, page); });
}

PrintOutcome printLayout(const LayoutPage& page, const Services& services, QWidget* owner) {
    PrinterPageWriter out(services.printDialog->currentPrinter());
    return printLayout(page, out, services, owner);
}

} // namespace vdn
