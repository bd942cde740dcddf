#include "drilling/sheet_form.h"

#include "data/schema.h"
#include "drilling/sheet_diagram.h"
#include "platform/clickable_label.h"
#include "reference/pick_lists.h"
#include "widgets/pictures.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>

namespace vdn {

namespace {

template <class W> W* named(W* w, const char* name) {
    w->setObjectName(QLatin1String(name));
    return w;
}

QLabel* caption(QWidget* parent, const char* name, const QString& text, int left, int top,
                int width = 0, int height = 255) {
    auto* label = named(new QLabel(text, parent), name);
    if (width > 0) {
        label->setGeometry(twipsRect(left, top, width, height));
    } else {
        label->adjustSize();
        label->move(px(left), px(top));
    }
    return label;
}

QGroupBox* frame(QWidget* parent, const char* name, const QString& title, int left, int top,
                 int width, int height) {
    auto* box = named(new QGroupBox(title, parent), name);
    box->setGeometry(twipsRect(left, top, width, height));
    // Opaque, in the panel's colour, over the right-hand edge of the diagram.
    box->setAutoFillBackground(true);
    return box;
}

QFrame* plainFrame(QWidget* parent, const char* name, int left, int top, int width, int height) {
    auto* f = named(new QFrame(parent), name);
    f->setFrameShape(QFrame::NoFrame);
    f->setGeometry(twipsRect(left, top, width, height));
    f->setAutoFillBackground(true);
    return f;
}

QRadioButton* option(QWidget* parent, const char* name, const QString& text, int left, int top,
                     QButtonGroup* group, int index) {
    auto* b = named(new QRadioButton(text, parent), name);
    b->adjustSize();
    b->move(px(left), px(top));
    group->addButton(b, index);
    return b;
}

QPlainTextEdit* comment(QWidget* parent, const char* name, int left, int top, int width,
                        int height) {
    auto* t = named(new QPlainTextEdit(parent), name);
    t->setGeometry(twipsRect(left, top, width, height));
    // Tab moves on to the next control, as on every other field of the sheet.
    t->setTabChangesFocus(true);
    return t;
}

QFont sized(QFont f, int points, bool bold) {
    f.setPointSize(points);
    f.setBold(bold);
    return f;
}

// Texts of the controls that carry them.
const QString Fingers = QStringLiteral("Les Inserts de doigts");
const QString Thumb = QStringLiteral("Les Inserts de pouce");
const QString Colour = QStringLiteral("Couleur :");
const QString Brand = QStringLiteral("Marque :");
const QString Shape = QStringLiteral("Forme :");
const QString Comment = QStringLiteral("Commentaire :");
const QString CutSpan = QStringLiteral("CUT SPAN");

} // namespace

QString SheetForm::drillerLine() {
    return QStringLiteral("Perceur : Tibor Vallasse");
}

SheetForm::SheetForm(QFrame* panel) {
    // Controls created later lie above earlier ones: the picture first, then
    // the guide lines and captions, then the pick lists on top.
    buildDiagram(panel);
    buildInserts(panel);
    buildOvalisation(panel);
    buildCommands(panel);
    setTabOrder();
}

QComboBox* SheetForm::addCombo(int number, QWidget* parent, int left, int top, int width) {
    auto* combo = new QComboBox(parent);
    combo->setObjectName(QStringLiteral("Combo%1").arg(number));
    configurePickList(combo);
    combo->setGeometry(twipsRect(left, top, width, SheetComboHeight));
    // Each list shows its number until the panel is opened, which replaces it.
    combo->setEditText(QStringLiteral("%1").arg(number, 2, 10, QLatin1Char('0')));
    combos_.insert(number, combo);
    return combo;
}

void SheetForm::drawDiagram() {
    if (Image1->pixmap().isNull())
        Image1->setPixmap(drillingDiagram());
}

void SheetForm::buildDiagram(QFrame* panel) {
    Frame24 = plainFrame(panel, "Frame24", 0, 120, 11055, 10575);

    Image1 = named(new QLabel(Frame24), "Image1");
    Image1->setGeometry(px(DiagramLeft), px(DiagramTop), DiagramWidth, DiagramHeight);

    Line1 = new GuideLine(QPoint(px(2880), px(3240)), QPoint(px(5040), px(7320)), Frame24);
    Line2 = new GuideLine(QPoint(px(8520), px(3240)), QPoint(px(6480), px(7320)), Frame24);
    Line3 = new GuideLine(QPoint(px(5040), px(1680)), QPoint(px(5040), px(7440)), Frame24);
    Line4 = new GuideLine(QPoint(px(6480), px(1920)), QPoint(px(6480), px(7440)), Frame24);
    named(Line1, "Line1");
    named(Line2, "Line2");
    named(Line3, "Line3");
    named(Line4, "Line4");

    Label40 = caption(Frame24, "Label40", QStringLiteral("Fiche de perçage"), 240, 240, 2055, 615);
    Label40->setFont(sized(Label40->font(), 12, true));
    Label40->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Label40->resize(std::max(Label40->width(), Label40->sizeHint().width()), Label40->height());
    Label25 = caption(Frame24, "Label25", QString(), 7200, 240, 3495, 660);
    Label25->setFont(sized(Label25->font(), 11, true));
    Label25->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Label25->setWordWrap(true);

    // The captions of the cut spans, just right of their pick lists. The
    // caption of field 20 is moved clear of its list, which would hide it.
    Label24 = caption(Frame24, "Label24", CutSpan, 3480, 4800, 1095, 255);
    Label23 = caption(Frame24, "Label23", CutSpan, 7920, 5085, 1095, 255);
    Label24->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    Label23->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);

    for (const DiagramBox& b : diagramBoxes())
        addCombo(b.number, Frame24, b.left, b.top, b.width);
}

void SheetForm::buildInserts(QFrame* panel) {
    Frame11 = frame(panel, "Frame11", Fingers, 8880, 1680, 7215, 2295);
    Label33 = caption(Frame11, "Label33", Colour, 240, 480);
    Label35 = caption(Frame11, "Label35", Brand, 240, 960);
    Label34 = caption(Frame11, "Label34", Shape, 240, 1440);
    Label28 = caption(Frame11, "Label28", Comment, 4080, 240);
    addCombo(22, Frame11, 1320, 480, 2535);
    addCombo(23, Frame11, 1320, 960, 2535);
    addCombo(24, Frame11, 1320, 1440, 2535);
    txtcomm_doigt = comment(Frame11, "txtcomm_doigt", 4080, 480, 2895, 1695);

    Frame12 = frame(panel, "Frame12", Thumb, 8880, 4080, 7335, 3015);
    Label36 = caption(Frame12, "Label36", Colour, 240, 360);
    Label37 = caption(Frame12, "Label37", Brand, 240, 840);
    Label38 = caption(Frame12, "Label38", Shape, 240, 1320);
    Label41 = caption(Frame12, "Label41", QStringLiteral("Taille :"), 1560, 1800);
    Label29 = caption(Frame12, "Label29", Comment, 4320, 240);
    addCombo(25, Frame12, 1320, 360, 2535);
    addCombo(26, Frame12, 1320, 840, 2535);
    addCombo(27, Frame12, 1320, 1320, 2535);
    addCombo(21, Frame12, 2640, 1800, 1215);
    txtcomm_pouce = comment(Frame12, "txtcomm_pouce", 4320, 480, 2895, 2175);
    option5_ = new QButtonGroup(Frame12);
    Option5_1 =
        option(Frame12, "Option5_1", QStringLiteral("Slug classique"), 120, 2280, option5_, 1);
    Option5_0 = option(Frame12, "Option5_0", QStringLiteral("Slug interchangeable"), 120, 2640,
                       option5_, 0);
    Frame13 = plainFrame(Frame12, "Frame13", 2400, 2280, 1815, 615);
    option8_ = new QButtonGroup(Frame13);
    Option8_0 = option(Frame13, "Option8_0", QStringLiteral("vinyl"), 240, 0, option8_, 0);
    Option8_1 = option(Frame13, "Option8_1", QStringLiteral("uréthane"), 240, 360, option8_, 1);
}

void SheetForm::buildOvalisation(QFrame* panel) {
    Frame10 = plainFrame(panel, "Frame10", 8880, 7320, 7575, 2295);
    Frame15 = frame(Frame10, "Frame15", QStringLiteral("Ovalisation"), 0, 120, 3015, 2175);
    Label42 = caption(Frame15, "Label42", QStringLiteral("Horizontal :"), 240, 360);
    Label46 = caption(Frame15, "Label46", QStringLiteral("Vertical :"), 240, 960);
    addCombo(28, Frame15, 1560, 360, 1215);
    addCombo(29, Frame15, 1560, 960, 1215);
    Frame16 = frame(Frame10, "Frame16", QStringLiteral("Conique"), 3000, 120, 1335, 2175);
    option7_ = new QButtonGroup(Frame16);
    Option7_0 = option(Frame16, "Option7_0", QStringLiteral("Oui"), 240, 360, option7_, 0);
    Option7_1 = option(Frame16, "Option7_1", QStringLiteral("Non"), 240, 720, option7_, 1);
    Label30 = caption(Frame10, "Label30", QStringLiteral("PAP :"), 4560, 360);
    addCombo(30, Frame10, 4560, 720, 1215);
    addCombo(31, Frame10, 6000, 720, 1215);
}

void SheetForm::buildCommands(QFrame* panel) {
    Label44 = caption(panel, "Label44", drillerLine(), 11400, 240, 3015, 735);
    Label44->setWordWrap(true);
    Label44->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Label44->setFont(sized(Label44->font(), 9, true));

    cmdimp_fiche = named(new ClickableLabel(panel), "cmdimp_fiche");
    cmdimp_fiche->setGeometry(twipsRect(14880, 360, 1155, 1155));
    cmdimp_fiche->setPixmap(printerPicture(px(1155)));
    cmdimp_fiche->setCursor(Qt::PointingHandCursor);
    cmdimp_fiche->setToolTip(QStringLiteral("Imprimer la fiche de perçage"));

    cmdvalide_fiche = named(new QPushButton(panel), "cmdvalide_fiche");
    cmdvalide_fiche->setGeometry(twipsRect(14520, 9720, 495, 495));
    cmdvalide_fiche->setIcon(QIcon(pictures::validate(px(495) - 6)));
    cmdvalide_fiche->setIconSize(QSize(px(495) - 6, px(495) - 6));
    cmdvalide_fiche->setToolTip(QStringLiteral("Validation de la fiche de percage"));

    Label27 = caption(panel, "Label27", QStringLiteral("Validation de la fiche de percage"), 11280,
                      9840, 3255, 375);
    Label27->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
}

void SheetForm::setTabOrder() {
    QList<QWidget*> order{cmdvalide_fiche};
    auto add = [&](std::initializer_list<int> numbers) {
        for (int n : numbers)
            order << combo(n);
    };
    add({8, 9, 10, 12, 13, 14, 32, 34, 11, 19, 33, 20, 15, 16, 18, 17, 36, 22, 23, 24});
    order << txtcomm_doigt;
    add({25, 26, 27, 21});
    order << txtcomm_pouce << Option5_1 << Option5_0;
    add({28, 29});
    order << Option7_0 << Option7_1;
    add({30, 31});
    order << Option8_0 << Option8_1;
    for (qsizetype i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);
}

QList<QWidget*> SheetForm::hiddenWhenPrinted() const {
    return {cmdimp_fiche, cmdvalide_fiche, Label27};
}

QList<QComboBox*> SheetForm::combos(const QList<int>& numbers) const {
    QList<QComboBox*> out;
    for (int n : numbers)
        out << combo(n);
    return out;
}

void SheetForm::clearForNewSheet() {
    for (auto it = combos_.cbegin(); it != combos_.cend(); ++it)
        if (it.key() < 25 || it.key() > 27)
            it.value()->setEditText(QString());
    txtcomm_doigt->clear();
    txtcomm_pouce->clear();
    Option5_1->setChecked(true);
    Option8_0->setChecked(true);
    Option7_0->setChecked(true);
}

void SheetForm::show(const SheetRecord& sheet) {
    for (int n : sheetMeasureNumbers())
        combo(n)->setEditText(sheet.measures.value(n));
    txtcomm_doigt->setPlainText(sheet.fingerComment);
    txtcomm_pouce->setPlainText(sheet.thumbComment);
    if (sheet.thumbSlug == QLatin1String("I"))
        Option5_0->setChecked(true);
    else if (sheet.thumbSlug == QLatin1String("C"))
        Option5_1->setChecked(true);
    if (sheet.insertMaterial == QLatin1String("V"))
        Option8_0->setChecked(true);
    else if (sheet.insertMaterial == QLatin1String("U"))
        Option8_1->setChecked(true);
    if (sheet.conicity == QLatin1String("O"))
        Option7_0->setChecked(true);
    else if (sheet.conicity == QLatin1String("N"))
        Option7_1->setChecked(true);
}

SheetRecord SheetForm::read(const QString& code) const {
    SheetRecord s;
    s.code = code;
    for (int n : sheetMeasureNumbers())
        s.measures[n] = combo(n)->currentText();
    s.fingerComment = txtcomm_doigt->toPlainText();
    s.thumbComment = txtcomm_pouce->toPlainText();
    const bool interchangeable = Option5_0->isChecked();
    s.thumbSlug = interchangeable ? QStringLiteral("I") : QStringLiteral("C");
    if (!interchangeable)
        s.measures[21] = QString(QLatin1String(""));
    s.insertMaterial = Option8_1->isChecked() ? QStringLiteral("U") : QStringLiteral("V");
    s.conicity = Option7_1->isChecked() ? QStringLiteral("N") : QStringLiteral("O");
    return s;
}

} // namespace vdn
