// The names and numbers written on a layout's drawing, on screen and on the
// printed page, over a grid of layouts: no text lies over another, and each
// stays beside what it names. On paper, each kind of line can be told from
// the others in black and white.
//
// The rectangles are checked by the test's own arithmetic. On the page they
// are taken from what was printed (each text where it was written, as wide
// as the font makes it) and the drawing's frame from the marks printed at
// the grip centre and the PAP; on screen the frame is read from the pixels
// of the ball's outline.

#include "driller/layout_picture.h"
#include "driller/layout_printout.h"
#include "platform/clock.h"
#include "platform/message_boxes.h"
#include "platform/pointer.h"
#include "platform/print_dialog.h"
#include "platform/services.h"
#include "platform/spreadsheet.h"
#include "printing/recording_page_writer.h"

#include <QFontMetricsF>
#include <QImage>
#include <QTest>

#include <cmath>

using namespace vdn;
using Op = RecordingPageWriter::Op;

namespace {

// A text as it lies in its target (y down), and the point it names there,
// marked (grip centre, PAP, pin, MB) or not (a line, an arc, an angle).
struct Placed {
    QString text;
    QPointF point;
    QRectF box;
    bool marked = false;
};

bool marked(layout::Label::Kind kind) {
    using Kind = layout::Label::Kind;
    return kind == Kind::Grip || kind == Kind::Pap || kind == Kind::Pin || kind == Kind::Mb;
}

// Where a target puts the view's (0, 0) and how many of its units make the
// ball's radius; y goes down in the target and up in the view.
struct Frame {
    QPointF centre;
    double radius = 0;
    QPointF at(QPointF v) const { return centre + QPointF(v.x(), -v.y()) * radius; }
};

bool overlap(const QRectF& a, const QRectF& b) {
    return a.left() < b.right() && b.left() < a.right() && a.top() < b.bottom() &&
           b.top() < a.bottom();
}

double spaceBetween(const QRectF& r, QPointF p) {
    const double dx = std::max({r.left() - p.x(), 0.0, p.x() - r.right()});
    const double dy = std::max({r.top() - p.y(), 0.0, p.y() - r.bottom()});
    return std::hypot(dx, dy);
}

// What is wrong with the texts placed on a drawing: two over each other,
// one over another's marked point, or one away from its point (further than
// three times its height) or over it.
QString fault(const QList<Placed>& texts) {
    for (const Placed& a : texts) {
        for (const Placed& b : texts) {
            if (&a == &b)
                continue;
            if (overlap(a.box, b.box))
                return QStringLiteral("« %1 » sur « %2 »").arg(a.text, b.text);
            if (b.marked && a.box.contains(b.point))
                return QStringLiteral("« %1 » sur le point « %2 »").arg(a.text, b.text);
        }
        const double d = spaceBetween(a.box, a.point);
        if (d > 3 * a.box.height() || d <= 0)
            return QStringLiteral("« %1 » à %2 de son point").arg(a.text).arg(d);
    }
    return {};
}

// The screen's frame, from the pixels of the outline in a picture drawn at
// that size: its dark blue-grey, alone of the drawing's inks to have equal
// red and green and more blue, at least half covering the pixel.
Frame screenFrame(const layout::Scene& scene, QSize size) {
    LayoutPicture picture;
    picture.resize(size);
    picture.setScene(scene);
    const QImage image = picture.grab().toImage();
    QRect outline;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.red() == c.green() && c.blue() > c.red() && c.red() < 160)
                outline |= QRect(x, y, 1, 1);
        }
    // The outline is 2 pixels wide, centred on the circle.
    return {QRectF(outline).center(), outline.width() / 2.0 - 1};
}

QList<Placed> onScreen(const layout::Scene& scene, QSize size, const Frame& frame) {
    const QList<QRectF> boxes = LayoutPicture::labelBoxes(scene, size, QFont());
    QList<Placed> texts;
    for (qsizetype i = 0; i < boxes.size() && i < scene.labels.size(); ++i) {
        const layout::Label& l = scene.labels.at(i);
        texts << Placed{l.text, frame.at(l.at), boxes.at(i), marked(l.kind)};
    }
    return texts;
}

QList<Op> print(const LayoutPage& page) {
    ScriptedMessageBoxes boxes;
    FixedClock clock{QDateTime(QDate(2026, 12, 8), QTime(14, 30))};
    RecordingPointer pointer;
    ScriptedPrintDialog dialog;
    ScriptedSpreadsheet spreadsheet;
    dialog.expectAccept({});
    RecordingPageWriter out;
    printLayout(page, out, Services{&boxes, &clock, &pointer, &dialog, &spreadsheet}, nullptr);
    return out.ops();
}

// A printed text's rectangle, as wide and high as its font makes it.
QRectF textBox(const Op& op) {
    QFont font(op.fontName);
    font.setPixelSize(int(std::lround(op.fontSize * 20)));
    font.setBold(op.bold);
    const QFontMetricsF m(font);
    return QRectF(op.x, op.y, m.horizontalAdvance(op.text), m.height());
}

// The middle of the last `count` lines printed before the text `name`: a
// point's mark is printed just before its name.
QPointF markBefore(const QList<Op>& ops, const QString& name, int count) {
    QList<QPointF> middles;
    for (const Op& op : ops) {
        if (op.kind == RecordingPageWriter::Kind::Text && op.text == name)
            break;
        if (op.kind == RecordingPageWriter::Kind::Line)
            middles << QPointF(op.x + op.x2, op.y + op.y2) / 2;
    }
    QPointF sum;
    for (const QPointF& m : middles.mid(std::max<qsizetype>(0, middles.size() - count)))
        sum += m;
    return sum / count;
}

// The page's frame: the grip centre's cross (its two arms) at the view's
// (0, 0), the PAP's two rings (of 16 sides each) at its point.
Frame pageFrame(const QList<Op>& ops, const layout::Scene& scene) {
    QPointF pap;
    for (const layout::Label& l : scene.labels)
        if (l.kind == layout::Label::Kind::Pap)
            pap = l.at;
    const QPointF centre = markBefore(ops, QStringLiteral("Centre de prise"), 2);
    const QPointF papOnPage = markBefore(ops, QStringLiteral("PAP"), 32);
    return {centre, std::hypot(papOnPage.x() - centre.x(), papOnPage.y() - centre.y()) /
                        std::hypot(pap.x(), pap.y())};
}

// The drawing's texts as printed (the page's only 8-point ones, in the
// scene's order), each with its point in the page's frame.
QList<Placed> printedLabels(const QList<Op>& ops, const layout::Scene& scene) {
    const Frame frame = pageFrame(ops, scene);
    QList<Placed> labels;
    for (const Op& op : ops)
        if (op.kind == RecordingPageWriter::Kind::Text && op.fontSize == 8 &&
            labels.size() < scene.labels.size()) {
            const layout::Label& l = scene.labels.at(labels.size());
            labels << Placed{op.text, frame.at(l.at), textBox(op), marked(l.kind)};
        }
    return labels;
}

// A drawing's text printed over the page's other texts or its header's box.
QString pageFault(const QList<Op>& ops, const QList<Placed>& labels) {
    for (const Op& op : ops) {
        const bool text = op.kind == RecordingPageWriter::Kind::Text && op.fontSize != 8;
        if (!text && op.kind != RecordingPageWriter::Kind::Box)
            continue;
        const QRectF other =
            text ? textBox(op) : QRectF(QPointF(op.x, op.y), QPointF(op.x2, op.y2)).normalized();
        for (const Placed& l : labels)
            if (overlap(l.box, other))
                return QStringLiteral("« %1 » sur « %2 »").arg(l.text, text ? op.text : "le cadre");
    }
    return {};
}

const char* handName(bool right) {
    return right ? "right" : "left";
}

} // namespace

class TestLayoutLabels : public QObject {
    Q_OBJECT
private slots:
    void textsKeepApartBesideTheirPoints_data();
    void textsKeepApartBesideTheirPoints();
    void lineKindsPrintApart();
};

void TestLayoutLabels::textsKeepApartBesideTheirPoints_data() {
    QTest::addColumn<QSize>("screen"); // empty: the printed page
    QTest::addColumn<bool>("right");
    QTest::addColumn<double>("pinToMb");
    QTest::addColumn<QPointF>("pap"); // over, up
    const QPointF usual(5.25, 0.5);
    // The picture's least size, its size in the 1340 x 740 window as it opens, a
    // window made larger.
    for (const QSize size : {QSize(360, 360), QSize(508, 369), QSize(900, 700)})
        for (const bool right : {true, false})
            QTest::addRow("screen %dx%d %s", size.width(), size.height(), handName(right))
                << size << right << layout::DefaultPinToMb << usual;
    for (const bool right : {true, false})
        QTest::addRow("page %s", handName(right))
            << QSize() << right << layout::DefaultPinToMb << usual;
    QTest::newRow("page left, MB at 5 in, PAP low")
        << QSize() << false << 5.0 << QPointF(4.5, -0.75);
    QTest::newRow("screen right, MB at 5 in, PAP low")
        << QSize(360, 360) << true << 5.0 << QPointF(4.5, -0.75);
}

void TestLayoutLabels::textsKeepApartBesideTheirPoints() {
    QFETCH(QSize, screen);
    QFETCH(bool, right);
    QFETCH(double, pinToMb);
    QFETCH(QPointF, pap);
    LayoutSheet sheet;
    sheet.customer = QStringLiteral("M. DUPONT JEAN");
    sheet.hand = right ? layout::Hand::Right : layout::Hand::Left;
    sheet.pinToMb = pinToMb;
    sheet.pap = {pap.x(), pap.y()};
    sheet.today = QDate(2026, 12, 8);
    int layouts = 0;
    std::optional<Frame> frame;
    for (int distance = 1; distance <= 6; ++distance)
        for (int drilling = 10; drilling <= 90; drilling += 10)
            for (int val = 10; val <= 90; val += 10) {
                sheet.layout = {double(drilling), double(distance), double(val)};
                const LayoutPage page = layoutPage(sheet);
                QList<Placed> texts;
                QString wrong;
                if (screen.isValid()) {
                    if (!frame)
                        frame = screenFrame(page.scene, screen);
                    texts = onScreen(page.scene, screen, *frame);
                } else {
                    const QList<Op> ops = print(page);
                    texts = printedLabels(ops, page.scene);
                    wrong = pageFault(ops, texts);
                }
                // Every text written whole.
                QCOMPARE(texts.size(), page.scene.labels.size());
                for (qsizetype i = 0; i < texts.size(); ++i)
                    QCOMPARE(texts.at(i).text, page.scene.labels.at(i).text);
                if (wrong.isEmpty())
                    wrong = fault(texts);
                QVERIFY2(wrong.isEmpty(), qPrintable(QStringLiteral("%1 x %2 x %3 : %4")
                                                         .arg(drilling)
                                                         .arg(distance)
                                                         .arg(val)
                                                         .arg(wrong)));
                ++layouts;
            }
    QCOMPARE(layouts, 6 * 9 * 9);
}

namespace {

// How a line printed: its pen, the breaks between its dashes (the pen's
// square ends taken off: what the eye sees blank) and how much of it is ink.
struct Look {
    double pen = 0;
    bool onePen = true;
    int breaks = 0;
    double narrowestBreak = 1e9;
    double inked = 0;
    double spanned = 0;
};

// A page whose drawing is one line of `kind` across the ball, in 40 steps.
Look printedLook(layout::Stroke::Kind kind) {
    LayoutPage page;
    page.date = QDate(2026, 12, 8);
    layout::Stroke stroke{kind, {}};
    for (int i = 0; i <= 40; ++i)
        stroke.points << QPointF(-0.8 + 1.6 * i / 40, 0.3);
    page.scene.strokes << stroke;
    QList<Op> lines;
    for (const Op& op : print(page))
        if (op.kind == RecordingPageWriter::Kind::Line)
            lines << op;
    Look look;
    if (lines.isEmpty())
        return look;
    look.pen = lines.first().penWidth;
    look.spanned = std::hypot(lines.last().x2 - lines.first().x, lines.last().y2 - lines.first().y);
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const Op& l = lines.at(i);
        look.onePen = look.onePen && l.penWidth == look.pen;
        look.inked += std::hypot(l.x2 - l.x, l.y2 - l.y);
        if (i == 0)
            continue;
        const Op& before = lines.at(i - 1);
        const double gap = std::hypot(l.x - before.x2, l.y - before.y2);
        if (gap > 1e-6) {
            ++look.breaks;
            look.narrowestBreak = std::min(look.narrowestBreak, gap - look.pen);
        }
    }
    return look;
}

} // namespace

void TestLayoutLabels::lineKindsPrintApart() {
    using Kind = layout::Stroke::Kind;
    const struct {
        Kind kind;
        const char* name;
        bool dashed;
    } kinds[] = {
        {Kind::Val, "VAL", true},
        {Kind::Midline, "ligne médiane", true},
        {Kind::Measure, "arc de mesure", false},
        {Kind::Outline, "contour", false},
    };
    QList<Look> looks;
    for (const auto& k : kinds) {
        const Look look = printedLook(k.kind);
        looks << look;
        QVERIFY2(look.pen > 0 && look.onePen, k.name);
        // A dashed line shows at least one blank every inch, each blank at
        // least as wide as the line is thick; a solid one none.
        QVERIFY2(k.dashed ? look.breaks >= look.spanned / 1440 && look.narrowestBreak >= look.pen
                          : look.breaks == 0 && std::fabs(look.inked - look.spanned) < 1,
                 k.name);
        if (k.dashed)
            QVERIFY2(look.inked > 0.4 * look.spanned && look.inked < 0.85 * look.spanned, k.name);
    }
    // The VAL is the heaviest line by far, the measures thinner than the
    // outline; two lines dashed alike or solid alike differ by half again
    // in weight.
    for (qsizetype i = 1; i < looks.size(); ++i)
        QVERIFY2(looks.first().pen >= 2 * looks.at(i).pen, kinds[i].name);
    QVERIFY(looks.at(2).pen * 2 <= looks.at(3).pen);
    for (qsizetype i = 0; i < looks.size(); ++i)
        for (qsizetype j = i + 1; j < looks.size(); ++j)
            if (kinds[i].dashed == kinds[j].dashed)
                QVERIFY2(std::max(looks.at(i).pen, looks.at(j).pen) >=
                             1.5 * std::min(looks.at(i).pen, looks.at(j).pen),
                         kinds[j].name);
}

QTEST_MAIN(TestLayoutLabels)
#include "tst_layout_labels.moc"
