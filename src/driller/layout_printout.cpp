#include "driller/layout_printout.h"

#include "data/stored_moment.h"
#include "driller/layout_numbers.h"
#include "platform/print_dialog.h"
#include "platform/services.h"
#include "printing/page_headers.h"
#include "printing/page_writer.h"
#include "printing/printer_page_writer.h"

#include <QDateTime>
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

// How a kind of line prints in black and white: its pen and, when dashed,
// its dashes and the spaces between them, in twips. The pen's square ends
// lengthen each dash by its width and shorten each space as much.
struct LineLook {
    double pen = PageWriter::PenWidth;
    double dash = 0;
    double space = 0;
};

LineLook lineLook(layout::Stroke::Kind kind) {
    using Kind = layout::Stroke::Kind;
    switch (kind) {
    case Kind::Val:
        return {32, 260, 140}; // heavy, long dashes: the line everything hangs on
    case Kind::Midline:
        return {PageWriter::PenWidth, 120, 100};
    case Kind::Outline:
        return {16};
    case Kind::Measure:
    case Kind::Angle:
        return {5};
    case Kind::Cg:
        break;
    }
    return {};
}

// The line through the points, solid or dashed; the dashes run on across
// its corners.
void polyline(PageWriter& out, const QList<QPointF>& points, const LineLook& look) {
    out.setPenWidth(look.pen);
    bool inDash = true;
    double left = look.dash; // of the dash or the space being drawn
    for (qsizetype i = 1; i < points.size(); ++i) {
        const QPointF a = onPage(points.at(i - 1));
        const QPointF b = onPage(points.at(i));
        const double length = std::hypot(b.x() - a.x(), b.y() - a.y());
        if (look.dash <= 0 || length <= 0) {
            if (look.dash <= 0)
                out.line(a.x(), a.y(), b.x(), b.y());
            continue;
        }
        const auto at = [&](double t) { return a + (b - a) * (t / length); };
        for (double t = 0; length - t > 1e-9;) {
            const double step = std::min(left, length - t);
            if (inDash)
                out.line(at(t).x(), at(t).y(), at(t + step).x(), at(t + step).y());
            t += step;
            left -= step;
            if (left <= 1e-9) {
                inDash = !inDash;
                left = inDash ? look.dash : look.space;
            }
        }
    }
    out.setPenWidth(PageWriter::PenWidth);
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

// The square a label's mark covers on the page as mark() draws it, pen
// included; empty for no mark.
QRectF markBox(layout::Label::Kind kind, QPointF at) {
    using Kind = layout::Label::Kind;
    const double r = kind == Kind::Grip                                           ? 1.6 * MarkSize
                     : kind == Kind::Pap || kind == Kind::Pin || kind == Kind::Mb ? MarkSize
                                                                                  : -1;
    const double half = r + PageWriter::PenWidth / 2;
    return r < 0 ? QRectF() : QRectF(at, at).adjusted(-half, -half, half, half);
}

// Where the labels' texts go: beside their points, none over another or
// over a mark, on the page's left part between the header and the marking
// steps, clear of the text column.
QList<QRectF> labelBoxes(const layout::Scene& scene, const QFontMetricsF& metrics) {
    QList<layout::TextToPlace> texts;
    for (const layout::Label& l : scene.labels) {
        const QPointF p = onPage(l.at);
        texts << layout::TextToPlace{p, l.away,
                                     QSizeF(metrics.horizontalAdvance(l.text), metrics.height()),
                                     markBox(l.kind, p)};
    }
    const QRectF room(QPointF(FrameLeft + 50, HeaderBottom + 50),
                      QPointF(ColumnLeft - 200, StepsTop - 50));
    return layout::placeLabels(texts, LabelGap, room);
}

void drawScene(PageWriter& out, const layout::Scene& scene) {
    for (const layout::Stroke& s : scene.strokes)
        polyline(out, s.points, lineLook(s.kind));
    out.setFontSize(8);
    const QList<QRectF> boxes = labelBoxes(scene, QFontMetricsF(out.font()));
    for (qsizetype i = 0; i < boxes.size(); ++i) {
        const layout::Label& l = scene.labels.at(i);
        mark(out, l.kind, l.at);
        out.printUpToAt(boxes.at(i).x(), boxes.at(i).y(), l.text, ColumnLeft - 200);
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

QString yes(const QString& stored) {
    return stored == QLatin1String("O") ? QStringLiteral("oui") : QStringLiteral("non");
}

QString orNone(const QString& text, const QString& unit) {
    return text.isEmpty() ? QStringLiteral("non noté") : text + unit;
}

// A size typed in inches, written the page's way whatever way it was typed
// ("4"1/2" gives "4 1/2 po").
QString inchesOrNone(const QString& typed) {
    if (const std::optional<double> v = layout::readQuantity(typed, layout::Quantity::Distance))
        return layout::typedInchesText(*v);
    return orNone(typed, QStringLiteral(" po"));
}

// What a recorded drilling adds to the page: its number, the sheet it was
// drilled with, its holes and weights, its verdict.
QList<LayoutSection> recordedSections(const BallDrilling& d) {
    QStringList holes{
        QStringLiteral("Trous de prise : %1 (sans pouce : %2, trou de pouce : %3)")
            .arg(d.grippingHoles, yes(d.thumbless), yes(d.thumbHole)),
        QStringLiteral("Pouce : %1 de diamètre, %2 de profondeur ; doigts : %3 de diamètre, %4 "
                       "de profondeur au plus")
            .arg(inchesOrNone(d.thumbDiameter), inchesOrNone(d.thumbDepth),
                 inchesOrNone(d.fingerDiameter), inchesOrNone(d.fingerDepth)),
        QStringLiteral("Trous d'aération : %1, le plus large : %2")
            .arg(d.ventHoles, inchesOrNone(d.ventDiameter)),
        QStringLiteral("Trou de fraisage : %1").arg(yes(d.millHole)) +
            (d.millHole == QLatin1String("O")
                 ? QStringLiteral(" (%1 de diamètre, %2 de profondeur)")
                       .arg(inchesOrNone(d.millDiameter), inchesOrNone(d.millDepth))
                 : QString()),
        QStringLiteral("Trou d'équilibrage : %1").arg(yes(d.balanceHole)),
        QStringLiteral("Poids de la boule : %1").arg(orNone(d.pounds, QStringLiteral(" lb"))),
        QStringLiteral("Sur la boîte : poids haut %1, pin-out %2")
            .arg(orNone(d.boxTopWeight, QStringLiteral(" oz")), inchesOrNone(d.boxPinOut)),
        QStringLiteral("Poids statiques : haut/bas %1, côté %2, doigts/pouce %3")
            .arg(orNone(d.topBottom, QStringLiteral(" oz")), orNone(d.side, QStringLiteral(" oz")),
                 orNone(d.fingerThumb, QStringLiteral(" oz"))),
    };
    QStringList record{
        QStringLiteral("Perçage n° %1 du %2").arg(d.number.toInt()).arg(d.dayText()),
        d.sheetVersion.isEmpty() ? QStringLiteral("Fiche de perçage : aucune")
                                 : QStringLiteral("Fiche de perçage ") + d.sheetText(),
        QStringLiteral("Règles : ") + d.verdict,
    };
    if (!d.comment.isEmpty())
        record << QStringLiteral("Commentaire : ") + d.comment;
    return {{QStringLiteral("Perçage enregistré"), record},
            {QStringLiteral("Trous et poids"), holes}};
}

// The numbers of the layout in both systems, and the PAP with what it gives:
// the values typed in the window as typed, the computed ones with "≈" where
// rounded.
QList<LayoutSection> layoutSections(const LayoutSheet& s, const QString& mbName) {
    const layout::DualAngle& da = s.layout;
    const layout::Vls vls = layout::toVls(da, s.pinToMb);
    return {
        {QStringLiteral("Layout Dual Angle"),
         {QStringLiteral("Angle de perçage : ") + layout::degreesText(da.drillingAngle),
          QStringLiteral("Distance pin-PAP : ") + layout::typedInchesText(da.pinToPap),
          QStringLiteral("Angle VAL : ") + layout::degreesText(da.valAngle),
          QStringLiteral("Distance pin-%1 : ").arg(mbName) + layout::typedInchesText(s.pinToMb)}},
        {QStringLiteral("Layout VLS"),
         {QStringLiteral("Distance pin-PAP : ") + layout::typedInchesText(vls.pinToPap),
          QStringLiteral("Distance %1-PAP : ").arg(mbName) + layout::inchesText(vls.psaToPap),
          QStringLiteral("Tampon du pin : ") + layout::inchesText(vls.pinBuffer)}},
        {QStringLiteral("PAP et centre de prise"),
         {QStringLiteral("PAP horizontal : ") + layout::typedInchesText(s.pap.over),
          QStringLiteral("PAP vertical : ") + layout::typedInchesText(std::fabs(s.pap.up)) +
              (s.pap.up >= 0 ? QStringLiteral(" en haut") : QStringLiteral(" en bas")),
          QStringLiteral("Hauteur du pin : ") + layout::heightText(layout::pinHeight(da, s.pap)),
          QStringLiteral("Pin - centre de prise : ") +
              layout::inchesText(layout::pinToGrip(da, s.pap))}},
    };
}

// The marking of the ball, step by step, for the hand.
QStringList markingSteps(const LayoutSheet& s, const QString& mbName) {
    using layout::tapeText;
    using layout::typedInchesText;
    const layout::DualAngle& da = s.layout;
    const layout::Pap& pap = s.pap;
    const bool right = s.hand == layout::Hand::Right;
    const layout::Vls vls = layout::toVls(da, s.pinToMb);
    const double height = layout::pinHeight(da, pap);
    const QString reference = QString::fromLatin1(layout::referenceName(s.core));
    const QString turnAtPin =
        right ? QStringLiteral("dans le sens inverse des aiguilles d'une montre")
              : QStringLiteral("dans le sens des aiguilles d'une montre");
    const QString turnAtPap =
        right ? QStringLiteral("dans le sens des aiguilles d'une montre")
              : QStringLiteral("dans le sens inverse des aiguilles d'une montre");
    return {
        QStringLiteral("Boule vue de l'extérieur, le %3 sous le pin : tracer la ligne qui part du "
                       "pin vers le %3, et y marquer le %1 à %2 du pin.")
            .arg(mbName, typedInchesText(s.pinToMb), reference),
        QStringLiteral("Au pin, tourner de %1 à partir de la ligne pin-%4, %2, et mesurer %3 : "
                       "c'est le PAP.")
            .arg(layout::degreesText(da.drillingAngle), turnAtPin, typedInchesText(da.pinToPap),
                 reference),
        QStringLiteral("Au PAP, tourner de %1 à partir de la ligne PAP-pin, %2 : c'est la moitié "
                       "haute de la VAL ; la tracer. Contrôle : le pin est à %3 de la VAL "
                       "(tampon du pin) et le %4 à %5 du PAP.")
            .arg(layout::degreesText(da.valAngle), turnAtPap, tapeText(vls.pinBuffer), mbName,
                 tapeText(vls.psaToPap)),
        QStringLiteral("Sur la VAL, mesurer %1 %2 depuis le PAP et y tracer la ligne médiane, "
                       "perpendiculaire à la VAL.")
            .arg(typedInchesText(std::fabs(pap.up)),
                 pap.up >= 0 ? QStringLiteral("vers le bas") : QStringLiteral("vers le haut")),
        QStringLiteral("Sur la ligne médiane, mesurer %1 vers la %2 de la VAL : c'est le centre de "
                       "prise. Contrôle : le pin est à %3 du centre de prise, %4.")
            .arg(typedInchesText(pap.over),
                 right ? QStringLiteral("gauche") : QStringLiteral("droite"),
                 tapeText(layout::pinToGrip(da, pap)),
                 tapeText(std::fabs(height)) +
                     (height >= 0 ? QStringLiteral(" au-dessus de la ligne médiane")
                                  : QStringLiteral(" au-dessous de la ligne médiane"))),
    };
}

} // namespace

LayoutPage layoutPage(const LayoutSheet& sheet) {
    const QString mbName =
        sheet.pinToMb == layout::DefaultPinToMb ? QStringLiteral("PSA") : QStringLiteral("MB");
    // A recorded drilling prints its own date and driller.
    const BallDrilling* recorded = sheet.recorded ? &*sheet.recorded : nullptr;
    LayoutPage p;
    p.shopName = sheet.shopName;
    p.customer = sheet.customer;
    p.date = recorded ? readStoredMoment(recorded->date).date() : sheet.today;
    if (!p.date.isValid())
        p.date = sheet.today;
    p.scene = layout::layoutScene(sheet.layout, sheet.pinToMb, sheet.pap, sheet.hand, sheet.core);
    p.sections = {
        {QStringLiteral("Client et boule"),
         {QStringLiteral("Client : ") + sheet.customer,
          QStringLiteral("Main : ") + (sheet.hand == layout::Hand::Right
                                           ? QStringLiteral("Droitier")
                                           : QStringLiteral("Gaucher")),
          sheet.ball,
          sheet.core == layout::Core::Asymmetric
              ? QStringLiteral("Noyau asymétrique : angle de perçage depuis la ligne pin-MB")
              : QStringLiteral("Noyau symétrique : angle de perçage depuis la ligne pin-CG"),
          QStringLiteral("Perceur : ") + (recorded ? recorded->driller : sheet.driller),
          QStringLiteral("Date : ") + p.date.toString(QStringLiteral("dd/MM/yyyy"))}}};
    p.sections << layoutSections(sheet, mbName);
    if (recorded)
        p.sections << recordedSections(*recorded);
    else if (sheet.verdict)
        p.sections << LayoutSection{QStringLiteral("Règles"), {*sheet.verdict}};
    p.steps = markingSteps(sheet, mbName);
    return p;
}

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
