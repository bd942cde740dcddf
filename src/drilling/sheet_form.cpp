#include "drilling/sheet_form.h"

#include "data/schema.h"
#include "drilling/sheet_diagram.h"
#include "platform/clickable_label.h"
#include "platform/twips.h"
#include "reference/pick_lists.h"
#include "widgets/pictures.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>

namespace vdn {

namespace {

// What a row of the layout table makes.
enum class Kind {
    Frame,   // a titled frame (QGroupBox), opaque in the panel's colour
    Plain,   // a frame without border or title
    Caption, // a label; without width it takes the size of its text
    Comment, // a comment box
    Option,  // an option button of its frame's group (index in `number`)
    Combo,   // the numbered pick list `number`, SheetComboHeight high
    Lists,   // the numbered pick lists placed on the diagram
    Line,    // a guide line from (left, top) to (width, height)
    Picture, // the diagram's picture, at its own size in pixels
    Clickable,
    Button,
    List, // a list of choices
};

using Placed = LayoutRow<Kind>;

const char* const Fingers = "Les Inserts de doigts";
const char* const Thumb = "Les Inserts de pouce";
const char* const Colour = "Couleur :";
const char* const Brand = "Marque :";
const char* const Shape = "Forme :";
const char* const Comment = "Commentaire :";
const char* const CutSpan = "CUT SPAN";

// In creation order: controls made later lie above earlier ones (the
// picture first, then the guide lines and captions, the pick lists on top).
const Placed Layout[] = {
    // The diagram.
    {"Frame24", Kind::Plain, nullptr, 0, 120, 11055, 10575, nullptr, 0},
    {"Image1", Kind::Picture, "Frame24", DiagramLeft, DiagramTop, 0, 0, nullptr, 0},
    {"Line1", Kind::Line, "Frame24", 2880, 3240, 5040, 7320, nullptr, 0},
    {"Line2", Kind::Line, "Frame24", 8520, 3240, 6480, 7320, nullptr, 0},
    {"Line3", Kind::Line, "Frame24", 5040, 1680, 5040, 7440, nullptr, 0},
    {"Line4", Kind::Line, "Frame24", 6480, 1920, 6480, 7440, nullptr, 0},
    {"Label40", Kind::Caption, "Frame24", 240, 240, 2055, 615, "Fiche de perçage", 0},
    {"Label25", Kind::Caption, "Frame24", 7200, 240, 3495, 660, "", 0},
    // The captions of the cut spans, just right of their pick lists. The
    // caption of field 20 is moved clear of its list, which would hide it.
    {"Label24", Kind::Caption, "Frame24", 3480, 4800, 1095, 255, CutSpan, 0},
    {"Label23", Kind::Caption, "Frame24", 7920, 5085, 1095, 255, CutSpan, 0},
    {nullptr, Kind::Lists, "Frame24", 0, 0, 0, 0, nullptr, 0},
    // Finger inserts.
    {"Frame11", Kind::Frame, nullptr, 8880, 1680, 7215, 2295, Fingers, 0},
    {"Label33", Kind::Caption, "Frame11", 240, 480, 0, 0, Colour, 0},
    {"Label35", Kind::Caption, "Frame11", 240, 960, 0, 0, Brand, 0},
    {"Label34", Kind::Caption, "Frame11", 240, 1440, 0, 0, Shape, 0},
    {"Label28", Kind::Caption, "Frame11", 4080, 240, 0, 0, Comment, 0},
    {"Combo22", Kind::Combo, "Frame11", 1320, 480, 2535, 0, nullptr, 22},
    {"Combo23", Kind::Combo, "Frame11", 1320, 960, 2535, 0, nullptr, 23},
    {"Combo24", Kind::Combo, "Frame11", 1320, 1440, 2535, 0, nullptr, 24},
    {"txtcomm_doigt", Kind::Comment, "Frame11", 4080, 480, 2895, 1695, nullptr, 0},
    // Thumb insert.
    {"Frame12", Kind::Frame, nullptr, 8880, 4080, 7335, 3015, Thumb, 0},
    {"Label36", Kind::Caption, "Frame12", 240, 360, 0, 0, Colour, 0},
    {"Label37", Kind::Caption, "Frame12", 240, 840, 0, 0, Brand, 0},
    {"Label38", Kind::Caption, "Frame12", 240, 1320, 0, 0, Shape, 0},
    {"Label41", Kind::Caption, "Frame12", 1560, 1800, 0, 0, "Taille :", 0},
    {"Label29", Kind::Caption, "Frame12", 4320, 240, 0, 0, Comment, 0},
    {"Combo25", Kind::Combo, "Frame12", 1320, 360, 2535, 0, nullptr, 25},
    {"Combo26", Kind::Combo, "Frame12", 1320, 840, 2535, 0, nullptr, 26},
    {"Combo27", Kind::Combo, "Frame12", 1320, 1320, 2535, 0, nullptr, 27},
    {"Combo21", Kind::Combo, "Frame12", 2640, 1800, 1215, 0, nullptr, 21},
    {"txtcomm_pouce", Kind::Comment, "Frame12", 4320, 480, 2895, 2175, nullptr, 0},
    {"Option5_1", Kind::Option, "Frame12", 120, 2280, 0, 0, "Slug classique", 1},
    {"Option5_0", Kind::Option, "Frame12", 120, 2640, 0, 0, "Slug interchangeable", 0},
    {"Frame13", Kind::Plain, "Frame12", 2400, 2280, 1815, 615, nullptr, 0},
    {"Option8_0", Kind::Option, "Frame13", 240, 0, 0, 0, "vinyl", 0},
    {"Option8_1", Kind::Option, "Frame13", 240, 360, 0, 0, "uréthane", 1},
    // Ovalisation, conicity, PAP.
    {"Frame10", Kind::Plain, nullptr, 8880, 7320, 7575, 2295, nullptr, 0},
    {"Frame15", Kind::Frame, "Frame10", 0, 120, 3015, 2175, "Ovalisation", 0},
    {"Label42", Kind::Caption, "Frame15", 240, 360, 0, 0, "Horizontal :", 0},
    {"Label46", Kind::Caption, "Frame15", 240, 960, 0, 0, "Vertical :", 0},
    {"Combo28", Kind::Combo, "Frame15", 1560, 360, 1215, 0, nullptr, 28},
    {"Combo29", Kind::Combo, "Frame15", 1560, 960, 1215, 0, nullptr, 29},
    {"Frame16", Kind::Frame, "Frame10", 3000, 120, 1335, 2175, "Conique", 0},
    {"Option7_0", Kind::Option, "Frame16", 240, 360, 0, 0, "Oui", 0},
    {"Option7_1", Kind::Option, "Frame16", 240, 720, 0, 0, "Non", 1},
    {"Label30", Kind::Caption, "Frame10", 4560, 360, 0, 0, "PAP :", 0},
    {"Combo30", Kind::Combo, "Frame10", 4560, 720, 1215, 0, nullptr, 30},
    {"Combo31", Kind::Combo, "Frame10", 6000, 720, 1215, 0, nullptr, 31},
    // Driller line, print and validation.
    {"Label44", Kind::Caption, nullptr, 11400, 240, 3015, 735, "", 0},
    {"cmdimp_fiche", Kind::Clickable, nullptr, 14880, 360, 1155, 1155, nullptr, 0},
    {"cmdvalide_fiche", Kind::Button, nullptr, 14520, 9720, 495, 495, nullptr, 0},
    {"Label27", Kind::Caption, nullptr, 11280, 9840, 3255, 375, "Validation de la fiche de percage",
     0},
    // The sheet's history, in the free column right of the frames: the
    // banner of a shown version beside the print button, the version list
    // below it and the way back to the current sheet.
    {"lblversion", Kind::Caption, nullptr, 16140, 120, 2460, 1440, "", 0},
    {"lblhistorique", Kind::Caption, nullptr, 16560, 1680, 2040, 255, "Historique de la fiche", 0},
    {"lstversions", Kind::List, nullptr, 16560, 1980, 2040, 5700, nullptr, 0},
    {"cmdfiche_actuelle", Kind::Button, nullptr, 16560, 7800, 2040, 495, nullptr, 0},
};

// The colour of a field that differs from the version before.
const QColor ChangedColour(255, 200, 110);
// The banner of a shown version.
const QColor BannerColour(255, 240, 150);

QFont sized(QFont f, int points, bool bold) {
    f.setPointSize(points);
    f.setBold(bold);
    return f;
}

// Makes the control of a row of the layout table in `in`, at its place;
// an option button joins the group of its frame in `groups`. The pick lists
// are the form's own (SheetForm::addCombo): none for them.
QWidget* placedControl(const Placed& p, QWidget* in, QMap<QString, QButtonGroup*>& groups) {
    const QString text = QString::fromUtf8(p.caption ? p.caption : "");
    const QRect rect = twipsRect(p.left, p.top, p.width, p.height);
    QWidget* made = nullptr;
    switch (p.kind) {
    case Kind::Frame:
        made = new QGroupBox(text, in);
        made->setGeometry(rect);
        // Opaque, in the panel's colour, over the right-hand edge of the diagram.
        made->setAutoFillBackground(true);
        break;
    case Kind::Plain: {
        auto* f = new QFrame(in);
        f->setFrameShape(QFrame::NoFrame);
        f->setGeometry(rect);
        f->setAutoFillBackground(true);
        made = f;
        break;
    }
    case Kind::Caption:
        made = new QLabel(text, in);
        if (p.width > 0) {
            made->setGeometry(rect);
        } else {
            made->adjustSize();
            made->move(rect.topLeft());
        }
        break;
    case Kind::Comment: {
        auto* t = new QPlainTextEdit(in);
        t->setGeometry(rect);
        // Tab moves on to the next control, as on every other field of the sheet.
        t->setTabChangesFocus(true);
        made = t;
        break;
    }
    case Kind::Option: {
        auto* b = new QRadioButton(text, in);
        b->adjustSize();
        b->move(rect.topLeft());
        QButtonGroup*& group = groups[QLatin1String(p.in)];
        if (!group)
            group = new QButtonGroup(in);
        group->addButton(b, p.number);
        made = b;
        break;
    }
    case Kind::Line:
        made = new GuideLine(QPoint(px(p.left), px(p.top)), QPoint(px(p.width), px(p.height)), in);
        break;
    case Kind::Picture:
        made = new QLabel(in);
        made->setGeometry(QRect(rect.topLeft(), QSize(DiagramWidth, DiagramHeight)));
        break;
    case Kind::Clickable:
        made = new ClickableLabel(in);
        made->setGeometry(rect);
        break;
    case Kind::Button:
        made = new QPushButton(in);
        made->setGeometry(rect);
        break;
    case Kind::List:
        made = new QListWidget(in);
        made->setGeometry(rect);
        break;
    case Kind::Combo:
    case Kind::Lists:
        break;
    }
    return made;
}

} // namespace

// Keeps the user's hands off the controls it watches while it is on: no
// click, no wheel, no key but Tab, so that a shown version cannot be
// changed; tooltips and the move to the next control still work.
class ReadOnlyGuard : public QObject {
public:
    using QObject::QObject;
    bool on = false;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (!on)
            return false;
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::Wheel:
            return true;
        case QEvent::KeyPress:
        case QEvent::KeyRelease: {
            const int key = static_cast<QKeyEvent*>(event)->key();
            return key != Qt::Key_Tab && key != Qt::Key_Backtab;
        }
        default:
            return QObject::eventFilter(watched, event);
        }
    }
};

QString SheetForm::drillerLine(const QString& driller) {
    return QStringLiteral("Perceur : ") + driller;
}

SheetForm::SheetForm(QFrame* panel) : panel_(panel) {
    build(panel);
    finish();
    setTabOrder();
}

template <class W> W* SheetForm::find(const char* name) const {
    return panel_->findChild<W*>(QLatin1String(name));
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

void SheetForm::build(QFrame* panel) {
    // The option groups, by the name of their frame.
    QMap<QString, QButtonGroup*> groups;
    for (const Placed& p : Layout) {
        QWidget* in = p.in ? find<QWidget>(p.in) : panel;
        if (p.kind == Kind::Combo) {
            addCombo(p.number, in, p.left, p.top, p.width);
        } else if (p.kind == Kind::Lists) {
            for (const DiagramBox& b : diagramBoxes())
                addCombo(b.number, in, b.left, b.top, b.width);
        } else {
            placedControl(p, in, groups)->setObjectName(QLatin1String(p.name));
        }
    }
    option5_ = groups.value(QStringLiteral("Frame12"));
    option8_ = groups.value(QStringLiteral("Frame13"));
    option7_ = groups.value(QStringLiteral("Frame16"));
}

void SheetForm::finish() {
    Image1 = find<QLabel>("Image1");
    txtcomm_doigt = find<QPlainTextEdit>("txtcomm_doigt");
    txtcomm_pouce = find<QPlainTextEdit>("txtcomm_pouce");
    Option5_0 = find<QRadioButton>("Option5_0");
    Option5_1 = find<QRadioButton>("Option5_1");
    Option8_0 = find<QRadioButton>("Option8_0");
    Option8_1 = find<QRadioButton>("Option8_1");
    Option7_0 = find<QRadioButton>("Option7_0");
    Option7_1 = find<QRadioButton>("Option7_1");

    auto* label40 = find<QLabel>("Label40");
    label40->setFont(sized(label40->font(), 12, true));
    label40->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label40->resize(std::max(label40->width(), label40->sizeHint().width()), label40->height());
    Label25 = find<QLabel>("Label25");
    Label25->setFont(sized(Label25->font(), 11, true));
    Label25->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Label25->setWordWrap(true);
    find<QLabel>("Label24")->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    find<QLabel>("Label23")->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);

    Label44 = find<QLabel>("Label44");
    Label44->setText(drillerLine(defaultDriller()));
    Label44->setWordWrap(true);
    Label44->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Label44->setFont(sized(Label44->font(), 9, true));

    cmdimp_fiche = find<ClickableLabel>("cmdimp_fiche");
    cmdimp_fiche->setPixmap(printerPicture(cmdimp_fiche->width()));
    cmdimp_fiche->setCursor(Qt::PointingHandCursor);
    cmdimp_fiche->setToolTip(QStringLiteral("Imprimer la fiche de perçage"));

    cmdvalide_fiche = find<QPushButton>("cmdvalide_fiche");
    const int icon = cmdvalide_fiche->width() - 6;
    cmdvalide_fiche->setIcon(QIcon(pictures::validate(icon)));
    cmdvalide_fiche->setIconSize(QSize(icon, icon));
    cmdvalide_fiche->setToolTip(QStringLiteral("Validation de la fiche de percage"));

    Label27 = find<QLabel>("Label27");
    Label27->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    lblversion = find<QLabel>("lblversion");
    lblversion->setWordWrap(true);
    lblversion->setAlignment(Qt::AlignCenter);
    lblversion->setFont(sized(lblversion->font(), 9, true));
    lblversion->setFrameShape(QFrame::Box);
    lblversion->setAutoFillBackground(true);
    QPalette banner = lblversion->palette();
    banner.setColor(QPalette::Window, BannerColour);
    lblversion->setPalette(banner);
    lblversion->hide();
    lblhistorique = find<QLabel>("lblhistorique");
    lblhistorique->setFont(sized(lblhistorique->font(), 8, true));
    lstversions = find<QListWidget>("lstversions");
    // Each version takes two lines: alternate colours tell them apart.
    lstversions->setAlternatingRowColors(true);
    lstversions->setToolTip(QStringLiteral("Choisir une version de la fiche pour la consulter"));
    cmdfiche_actuelle = find<QPushButton>("cmdfiche_actuelle");
    cmdfiche_actuelle->setText(QStringLiteral("Fiche actuelle"));
    cmdfiche_actuelle->setToolTip(QStringLiteral("Revenir à la fiche actuelle"));
    cmdfiche_actuelle->hide();

    guard_ = new ReadOnlyGuard(panel_);
    for (QComboBox* combo : std::as_const(combos_)) {
        combo->installEventFilter(guard_);
        combo->lineEdit()->installEventFilter(guard_);
    }
    for (QRadioButton* b : {Option5_0, Option5_1, Option8_0, Option8_1, Option7_0, Option7_1})
        b->installEventFilter(guard_);
}

void SheetForm::setDrillerLine(const QString& text) {
    Label44->setText(text);
}

void SheetForm::setCustomerName(const QString& name) {
    Label25->setText(name);
}

QString SheetForm::customerName() const {
    return Label25->text();
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
    order << Option8_0 << Option8_1 << lstversions << cmdfiche_actuelle;
    for (qsizetype i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);
}

QList<QWidget*> SheetForm::hiddenWhenPrinted() const {
    QList<QWidget*> shown;
    for (QWidget* w :
         {static_cast<QWidget*>(cmdimp_fiche), static_cast<QWidget*>(cmdvalide_fiche),
          static_cast<QWidget*>(Label27), static_cast<QWidget*>(lblhistorique),
          static_cast<QWidget*>(lstversions), static_cast<QWidget*>(cmdfiche_actuelle)})
        if (!w->isHidden())
            shown << w;
    return shown;
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

SheetRecord SheetForm::shown(const QString& code) const {
    SheetRecord s;
    s.code = code;
    for (int n : sheetMeasureNumbers())
        s.measures[n] = combo(n)->currentText();
    s.fingerComment = txtcomm_doigt->toPlainText();
    s.thumbComment = txtcomm_pouce->toPlainText();
    s.thumbSlug = Option5_0->isChecked() ? QStringLiteral("I") : QStringLiteral("C");
    s.insertMaterial = Option8_1->isChecked() ? QStringLiteral("U") : QStringLiteral("V");
    s.conicity = Option7_1->isChecked() ? QStringLiteral("N") : QStringLiteral("O");
    return s;
}

SheetRecord SheetForm::read(const QString& code) const {
    SheetRecord s = shown(code);
    if (s.thumbSlug == QLatin1String("C"))
        s.measures[21] = QString(QLatin1String(""));
    return s;
}

QString SheetForm::drillerLineText() const {
    return Label44->text();
}

QListWidget* SheetForm::versionList() const {
    return lstversions;
}

QPushButton* SheetForm::currentSheetButton() const {
    return cmdfiche_actuelle;
}

void SheetForm::setReadOnly(bool readOnly) {
    guard_->on = readOnly;
    for (QComboBox* combo : std::as_const(combos_))
        combo->lineEdit()->setReadOnly(readOnly);
    txtcomm_doigt->setReadOnly(readOnly);
    txtcomm_pouce->setReadOnly(readOnly);
    cmdvalide_fiche->setEnabled(!readOnly);
}

void SheetForm::showVersionBanner(const QString& text) {
    lblversion->setText(text);
    lblversion->setVisible(!text.isEmpty());
    cmdfiche_actuelle->setVisible(!text.isEmpty());
}

namespace {

QString formerText(const QString& value) {
    return QStringLiteral("Valeur précédente : ") +
           (value.isEmpty() ? QStringLiteral("(vide)") : value);
}

void paintChanged(QWidget* w, QPalette::ColorRole role, const QString& former) {
    QPalette pal = w->palette();
    pal.setColor(role, ChangedColour);
    w->setPalette(pal);
    w->setToolTip(former);
}

void unpaint(QWidget* w) {
    // An empty palette takes the parent's again.
    w->setPalette(QPalette());
    w->setToolTip(QString());
}

} // namespace

void SheetForm::markChanges(const SheetRecord& shownSheet, const SheetRecord& before) {
    clearMarks();
    for (int n : sheetMeasureNumbers()) {
        const QString now = shownSheet.measures.value(n), then = before.measures.value(n);
        if (now == then)
            continue;
        QComboBox* c = combo(n);
        paintChanged(c->lineEdit(), QPalette::Base, formerText(then));
        c->setToolTip(formerText(then));
        marked_ << c << c->lineEdit();
    }
    const QList<std::pair<QPlainTextEdit*, std::pair<QString, QString>>> comments{
        {txtcomm_doigt, {shownSheet.fingerComment, before.fingerComment}},
        {txtcomm_pouce, {shownSheet.thumbComment, before.thumbComment}}};
    for (const auto& [box, values] : comments)
        if (values.first != values.second) {
            paintChanged(box, QPalette::Base, formerText(values.second));
            marked_ << box;
        }
    // An option is marked on the button that is selected now; the tooltip
    // names the one selected before.
    struct Choice {
        QString now, then;
        QList<std::pair<QString, QRadioButton*>> buttons;
    };
    const QList<Choice> choices{
        {shownSheet.thumbSlug,
         before.thumbSlug,
         {{QStringLiteral("I"), Option5_0}, {QStringLiteral("C"), Option5_1}}},
        {shownSheet.insertMaterial,
         before.insertMaterial,
         {{QStringLiteral("V"), Option8_0}, {QStringLiteral("U"), Option8_1}}},
        {shownSheet.conicity,
         before.conicity,
         {{QStringLiteral("O"), Option7_0}, {QStringLiteral("N"), Option7_1}}}};
    for (const Choice& c : choices) {
        if (c.now == c.then)
            continue;
        QString former = c.then;
        QRadioButton* selected = nullptr;
        for (const auto& [letter, button] : c.buttons) {
            if (letter == c.then)
                former = button->text();
            if (button->isChecked())
                selected = button;
        }
        if (!selected)
            continue;
        // A style sheet: the styles paint a radio button's own background
        // from its parent, whatever its palette says.
        selected->setStyleSheet(
            QStringLiteral("QRadioButton { background-color: %1; }").arg(ChangedColour.name()));
        selected->setToolTip(formerText(former));
        marked_ << selected;
    }
}

void SheetForm::clearMarks() {
    for (QWidget* w : std::as_const(marked_)) {
        unpaint(w);
        if (qobject_cast<QRadioButton*>(w))
            w->setStyleSheet(QString());
    }
    marked_.clear();
}

} // namespace vdn
