#include "balls/ball_record_panel.h"

#include "data/text.h"
#include "platform/twips.h"
#include "platform/whole_characters.h"
#include "reference/catalogue.h"
#include "widgets/focus_left.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QButtonGroup>
#include <QComboBox>
#include <QDate>
#include <QFocusEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include <tuple>

namespace vdn {

namespace {

constexpr int SurfaceSummaryLength = 50;
const QString DateMask = QStringLiteral("00/00/0000;_");

// A small badge lettered with a brand's name, at the size of its picture.
QPixmap brandBadge(const QString& name, QSize size, QColor fill, QColor ink) {
    QPixmap p(size);
    p.fill(Qt::transparent);
    QPainter g(&p);
    g.setRenderHint(QPainter::Antialiasing);
    g.setRenderHint(QPainter::TextAntialiasing);
    const QRectF box = QRectF(QPointF(0, 0), QSizeF(size)).adjusted(1, 1, -1, -1);
    g.setPen(QPen(ink, 1.5));
    g.setBrush(fill);
    g.drawRoundedRect(box, 6, 6);
    QFont f(QStringLiteral("Liberation Sans"));
    f.setBold(true);
    // The largest size at which the name fits the badge.
    int pixels = size.height() - 10;
    for (; pixels > 6; --pixels) {
        f.setPixelSize(pixels);
        const QFontMetrics m(f);
        if (m.horizontalAdvance(name) <= size.width() - 10)
            break;
    }
    f.setPixelSize(pixels);
    g.setFont(f);
    g.setPen(ink);
    g.drawText(box, Qt::AlignCenter, name);
    return p;
}

// The brand pictures beside the brand pick list.
struct Brand {
    const char* name;
    const char* text;
    QSize size;
    QColor fill;
    QColor ink;
};
const Brand Brands[] = {
    {"Image_amf", "AMF", QSize(104, 40), QColor(200, 30, 40), Qt::white},
    {"Image_Bwk", "BRUNSWICK", QSize(90, 30), QColor(20, 40, 110), Qt::white},
    {"Image_storm", "STORM", QSize(75, 47), QColor(30, 30, 30), QColor(240, 200, 40)},
};

// The picture buttons of the record: a tick (validate) or a cross (cancel).
QIcon buttonIcon(bool validate) {
    const int s = 28;
    QPixmap p(s, s);
    p.fill(Qt::transparent);
    QPainter g(&p);
    g.setRenderHint(QPainter::Antialiasing);
    if (validate) {
        g.setPen(QPen(QColor(30, 140, 60), 4.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        QPainterPath tick;
        tick.moveTo(5, 15);
        tick.lineTo(11, 22);
        tick.lineTo(23, 6);
        g.drawPath(tick);
    } else {
        g.setPen(QPen(QColor(190, 40, 40), 4.5, Qt::SolidLine, Qt::RoundCap));
        g.drawLine(QPointF(7, 7), QPointF(21, 21));
        g.drawLine(QPointF(21, 7), QPointF(7, 21));
    }
    return QIcon(p);
}

// What a row of the layout table makes.
enum class Kind {
    Option,   // an option button of the lane condition (id in `number`)
    PickList, // the pick list Combo<number>
    Pictures, // the place of the brand pictures
    Box,      // a text box; `number` is the most characters typed (0: no limit)
    Caption,  // a label
    Surface,  // the surface box
    Button,   // a picture button
};

// One control: name, kind, its rectangle in twips in the frame, its caption
// and its number.
struct Placed {
    const char* name;
    Kind kind;
    int left, top, width, height;
    const char* caption;
    int number;
};

// In creation order, which is also the order Tab visits the controls.
const Placed Layout[] = {
    {"Option4_0", Kind::Option, 180, 435, 960, 300, "Huilée", 0},
    {"Option4_1", Kind::Option, 180, 795, 960, 300, "Sec", 1},
    {"Option4_2", Kind::Option, 180, 1155, 960, 300, "Spare", 2},
    {"Combo0", Kind::PickList, 1380, 780, 3000, 330, nullptr, 0},
    {"Combo1", Kind::PickList, 825, 1515, 2250, 330, nullptr, 1},
    {"Combo2", Kind::PickList, 4350, 1515, 1200, 330, nullptr, 2},
    {"Combo3", Kind::PickList, 6450, 1515, 1200, 330, nullptr, 3},
    {"Combo4", Kind::PickList, 8385, 1515, 1200, 330, nullptr, 4},
    {"Combo5", Kind::PickList, 1620, 2145, 1050, 330, nullptr, 5},
    {"Combo6", Kind::PickList, 3585, 2145, 1050, 330, nullptr, 6},
    {"Combo7", Kind::PickList, 5280, 2145, 1050, 330, nullptr, 7},
    {"brandPictures", Kind::Pictures, 4440, 585, 1560, 705, nullptr, 0},
    {"txtboule", Kind::Box, 6180, 780, 3300, 330, nullptr, 30},
    {"Label26", Kind::Caption, 9720, 435, 750, 1020, "N° Série", 0},
    {"txtserie", Kind::Box, 10530, 780, 2700, 330, nullptr, 64},
    {"Label12", Kind::Caption, 180, 1515, 585, 330, "Noyau", 0},
    {"Label14", Kind::Caption, 3285, 1515, 1005, 330, "Différentiel", 0},
    {"Label15", Kind::Caption, 5760, 1515, 630, 330, "Lenght", 0},
    {"Label16", Kind::Caption, 7860, 1515, 465, 330, "Hook", 0},
    {"Label13", Kind::Caption, 9795, 1515, 330, 330, "RG ", 0},
    {"txtrg", Kind::Box, 10185, 1515, 1200, 330, nullptr, 0},
    {"Label22", Kind::Caption, 11595, 1515, 1380, 330, "Date de l'achat", 0},
    {"Mskfdat", Kind::Box, 13035, 1515, 1500, 330, nullptr, 10},
    {"Label17", Kind::Caption, 180, 1905, 795, 810, "Layout : ", 0},
    {"Label19", Kind::Caption, 1035, 1905, 525, 810, "Angle", 0},
    {"Label21", Kind::Caption, 2730, 1905, 795, 810, "Distance", 0},
    {"Label20", Kind::Caption, 4695, 1905, 525, 810, "Angle", 0},
    {"Label18", Kind::Caption, 6630, 1905, 690, 210, "Surface", 0},
    {"txtsurface", Kind::Surface, 7380, 1905, 8940, 810, nullptr, 0},
    {"cmdvalide3", Kind::Button, 16620, 2115, 660, 600, nullptr, 0},
    {"cmdannule3", Kind::Button, 17340, 2115, 660, 600, nullptr, 0},
    // The driller's layout window, in the free room right of the serial
    // number. The one-line drilling label (about 60 characters) has its room
    // on the frame's caption line, right of the caption and above the
    // frame's border: 4200, 0, 13800 x 270.
    {"cmdimplantation", Kind::Button, 13440, 735, 1800, 420, "Implantation…", 0},
    {"lblpercage", Kind::Caption, 4200, 0, 13800, 270, "Pas de perçage enregistré", 0},
};

// The frame's height in twips; its width is the ball panel's.
constexpr int FrameHeight = 2895;

// Makes the control of a row of the layout table in `parent`; an option
// button joins `options`.
QWidget* makeControl(const Placed& p, QWidget* parent, QButtonGroup* options) {
    const QString text = QString::fromUtf8(p.caption ? p.caption : "");
    switch (p.kind) {
    case Kind::Option: {
        auto* b = new QRadioButton(text, parent);
        options->addButton(b, p.number);
        return b;
    }
    case Kind::PickList: {
        auto* c = new QComboBox(parent);
        configurePickList(c);
        return c;
    }
    case Kind::Pictures:
        return new QWidget(parent);
    case Kind::Box: {
        auto* e = new QLineEdit(parent);
        if (p.number > 0)
            e->setMaxLength(p.number);
        return e;
    }
    case Kind::Caption:
        return new QLabel(text, parent);
    case Kind::Surface: {
        auto* t = new QPlainTextEdit(parent);
        t->setTabChangesFocus(true);
        return t;
    }
    case Kind::Button:
        return new QPushButton(text, parent);
    }
    return nullptr;
}

} // namespace

BallRecordPanel::BallRecordPanel(QWidget* parent)
    : QGroupBox(QStringLiteral("Enregistrement d'une boule "), parent) {
    setObjectName(QStringLiteral("Frame8"));
    build();
}

void BallRecordPanel::build() {
    setFixedHeight(px(FrameHeight));
    placeControls();
    findControls();
    buildBrandPictures();
    setUpControls();
    connectControls();
}

void BallRecordPanel::placeControls() {
    Option4 = new QButtonGroup(this);
    Option4->setObjectName(QLatin1String(infoOf(BallField::Type).control));
    for (const Placed& p : Layout) {
        QWidget* made = makeControl(p, this, Option4);
        made->setObjectName(QLatin1String(p.name));
        made->setGeometry(twipsRect(p.left, p.top, p.width, p.height));
    }
}

void BallRecordPanel::findControls() {
    auto named = [this]<class W>(W*& member, const char* name) {
        member = findChild<W*>(QLatin1String(name), Qt::FindDirectChildrenOnly);
    };
    named(Option4_0, "Option4_0");
    named(Option4_1, "Option4_1");
    named(Option4_2, "Option4_2");
    QComboBox** const combos[] = {&Combo0, &Combo1, &Combo2, &Combo3,
                                  &Combo4, &Combo5, &Combo6, &Combo7};
    for (std::size_t i = 0; i < std::size(combos); ++i)
        named(*combos[i], qPrintable(QStringLiteral("Combo%1").arg(i)));
    named(txtboule, "txtboule");
    named(txtserie, "txtserie");
    named(txtrg, "txtrg");
    named(Mskfdat, "Mskfdat");
    named(txtsurface, "txtsurface");
    named(cmdvalide3, "cmdvalide3");
    named(cmdannule3, "cmdannule3");
    named(cmdimplantation, "cmdimplantation");
    named(lblpercage, "lblpercage");
}

void BallRecordPanel::buildBrandPictures() {
    // The brand pictures lie in one place beside the brand, each centred
    // in its height.
    auto* pictures = findChild<QWidget*>(QStringLiteral("brandPictures"));
    QLabel** const labels[] = {&Image_amf, &Image_Bwk, &Image_storm};
    for (std::size_t i = 0; i < std::size(Brands); ++i) {
        const Brand& b = Brands[i];
        QLabel*& label = *labels[i];
        label = new QLabel(pictures);
        label->setObjectName(QLatin1String(b.name));
        label->setGeometry(QRect(QPoint(0, (pictures->height() - b.size.height()) / 2), b.size));
        label->hide();
    }
}

void BallRecordPanel::setUpControls() {
    lblpercage->setTextFormat(Qt::PlainText);
    txtboule->setToolTip(QStringLiteral("Nom de la boule"));
    // Boxes with a limit never keep half of a character cut at the limit.
    keepWholeCharacters(txtboule);
    keepWholeCharacters(txtserie);
    Mskfdat->setInputMask(DateMask);
    Mskfdat->setMaxLength(10);
    for (auto [button, validate, tip] :
         {std::tuple{cmdvalide3, true, QStringLiteral("Valider la boule")},
          std::tuple{cmdannule3, false, QStringLiteral("Annuler")}}) {
        button->setIcon(buttonIcon(validate));
        button->setIconSize(QSize(28, 28));
        button->setToolTip(tip);
    }
    // Reached by Tab; a click leaves the focus where it was, so that opening
    // the layout window asks nothing about the pick list being typed in.
    cmdimplantation->setFocusPolicy(Qt::TabFocus);
}

void BallRecordPanel::connectControls() {
    // A click on the drilling label asks for the sheet it was drilled with.
    lblpercage->installEventFilter(this);
    connect(cmdvalide3, &QPushButton::clicked, this, &BallRecordPanel::validateClicked);
    connect(cmdannule3, &QPushButton::clicked, this, &BallRecordPanel::cancelClicked);
    connect(cmdimplantation, &QPushButton::clicked, this, &BallRecordPanel::implantationClicked);
    // The picture follows the brand however its text changes.
    connect(Combo0, &QComboBox::editTextChanged, this, &BallRecordPanel::updateBrandPictures);
    connect(Combo0, &QComboBox::activated, this, &BallRecordPanel::updateBrandPictures);
    for (QComboBox* c : {Combo1, Combo2, Combo3, Combo4, Combo5, Combo6, Combo7}) {
        // The line edit inside hands its focus to the combo box.
        c->installEventFilter(this);
        // A value picked in the drop-down. The combo box also reports a typed
        // text that matches an entry as picked when the focus leaves it:
        // leaving is handled as such, once.
        connect(c, &QComboBox::activated, this, [this, c] {
            if (isVisible() && c->hasFocus())
                emit pickListLeft();
        });
    }
    for (QLineEdit* e : {txtboule, txtserie, txtrg, Mskfdat})
        e->installEventFilter(this);
}

QString BallRecordPanel::emptyDate() {
    return QStringLiteral("__/__/____");
}

QString BallRecordPanel::dateKey(const QString& date) {
    return date.right(4) + date.mid(3, 2) + date.left(2);
}

QString BallRecordPanel::layoutText(const QString& angle1, const QString& distance,
                                    const QString& angle2) {
    return angle1 + QStringLiteral(" < ") + distance + QStringLiteral(" < ") + angle2;
}

bool BallRecordPanel::acceptableDate(const QString& text) {
    return text == emptyDate() || QDate::fromString(text, QStringLiteral("dd/MM/yyyy")).isValid();
}

std::array<QComboBox*, 8> BallRecordPanel::combos() const {
    return {Combo0, Combo1, Combo2, Combo3, Combo4, Combo5, Combo6, Combo7};
}

QString BallRecordPanel::dateText() const {
    return Mskfdat->displayText();
}

void BallRecordPanel::clearEntry() {
    txtrg->clear();
    txtboule->clear();
    txtsurface->clear();
    txtserie->clear();
    Mskfdat->clear();
}

Status BallRecordPanel::fillPickLists(const ParamStore& params) {
    const std::array<QComboBox*, 8> all = combos();
    QList<PickListFill> fills;
    for (const BallCode& code : ballCodes())
        fills.append({code.code, {all.at(std::size_t(code.code))}, code.pickOrder});
    return vdn::fillPickLists(params, fills);
}

void BallRecordPanel::clearPickTexts() {
    for (QComboBox* c : combos())
        c->setEditText(QString());
}

QWidget* BallRecordPanel::plainControl(const BallFieldInfo& f) const {
    // The date box and the lane condition's options have rules of their own.
    if (!f.control || !f.member || f.field == BallField::Date)
        return nullptr;
    return findChild<QWidget*>(QLatin1String(f.control));
}

void BallRecordPanel::showBall(const BallRecord& b) {
    // Every pick list shows the stored text, an empty one included: the
    // first value of the list, left there by the fill, was never chosen.
    for (const BallFieldInfo& f : BallFields)
        if (QWidget* w = plainControl(f)) {
            if (auto* pick = qobject_cast<QComboBox*>(w))
                pick->setEditText(b.*(f.member));
            else if (auto* box = qobject_cast<QLineEdit*>(w))
                box->setText(b.*(f.member));
            else if (auto* text = qobject_cast<QPlainTextEdit*>(w))
                text->setPlainText(b.*(f.member));
        }
    if (b.date.isEmpty() || b.date == emptyDate())
        Mskfdat->clear();
    else
        Mskfdat->setText(b.date);
    if (b.type) {
        if (*b.type == QLatin1String("Huilée"))
            Option4_0->setChecked(true);
        else if (*b.type == QLatin1String("Sec"))
            Option4_1->setChecked(true);
        else if (*b.type == QLatin1String("Spare"))
            Option4_2->setChecked(true);
    }
}

BallRecord BallRecordPanel::enteredBall(const QString& code, int line) const {
    BallRecord b;
    b.code = code;
    b.line = formatBallLine(line);
    b.bag = QStringLiteral("000");
    for (const BallFieldInfo& f : BallFields)
        if (QWidget* w = plainControl(f)) {
            if (auto* pick = qobject_cast<QComboBox*>(w))
                b.*(f.member) = pick->currentText();
            else if (auto* box = qobject_cast<QLineEdit*>(w))
                b.*(f.member) = box->text();
            else if (auto* text = qobject_cast<QPlainTextEdit*>(w))
                b.*(f.member) = text->toPlainText();
        }
    b.surface1 = leftChars(b.surface, SurfaceSummaryLength);
    b.layout = layoutText(b.layout1, b.layout2, b.layout3);
    b.date = dateText();
    b.dateKey = dateKey(b.date);
    if (QAbstractButton* chosen = Option4->checkedButton())
        b.type = chosen->text();
    return b;
}

QList<CheckedPickList> BallRecordPanel::checkedPickLists() const {
    QList<CheckedPickList> lists;
    const std::array<QComboBox*, 8> all = combos();
    for (const BallCode& code : ballCodes())
        lists.append(
            {all.at(std::size_t(code.code)), code.code, code.promptLabel, code.registeredLength});
    return lists;
}

void BallRecordPanel::writeLayout(const QString& angle1, const QString& distance,
                                  const QString& angle2) {
    Combo5->setEditText(angle1);
    Combo6->setEditText(distance);
    Combo7->setEditText(angle2);
}

void BallRecordPanel::startNewBall() {
    hideBrandPictures();
    Combo0->show();
    Combo0->setFocus(Qt::OtherFocusReason);
}

void BallRecordPanel::focusBallName() {
    txtboule->setFocus(Qt::OtherFocusReason);
}

void BallRecordPanel::focusDate() {
    Mskfdat->setFocus(Qt::OtherFocusReason);
}

void BallRecordPanel::hideBrandPictures() {
    Image_amf->hide();
    Image_Bwk->hide();
    Image_storm->hide();
}

void BallRecordPanel::updateBrandPictures() {
    hideBrandPictures();
    // Exact and case-sensitive: "Storm" or "STORM " show nothing.
    const QString brand = Combo0->currentText();
    if (brand == QLatin1String("AMF"))
        showBrandPicture(Image_amf);
    else if (brand == QLatin1String("BRUNSWICK"))
        showBrandPicture(Image_Bwk);
    else if (brand == QLatin1String("STORM"))
        showBrandPicture(Image_storm);
}

void BallRecordPanel::showBrandPicture(QLabel* picture) {
    if (picture->pixmap().isNull())
        for (const Brand& b : Brands)
            if (picture->objectName() == QLatin1String(b.name))
                picture->setPixmap(brandBadge(QString::fromLatin1(b.text), b.size, b.fill, b.ink));
    picture->show();
}

bool BallRecordPanel::leftForGood(QWidget* field, QEvent* event) const {
    return focusLeftForGood(*field, *static_cast<QFocusEvent*>(event));
}

void BallRecordPanel::setDrillingText(const QString& text, const QString& code,
                                      const QString& sheetVersion) {
    lblpercage->setText(text);
    drilledCode_ = code;
    drilledSheet_ = sheetVersion;
    // A click shows the sheet the ball was drilled with, when there is one.
    lblpercage->setCursor(sheetVersion.isEmpty() ? Qt::ArrowCursor : Qt::PointingHandCursor);
    lblpercage->setToolTip(sheetVersion.isEmpty()
                               ? QString()
                               : QStringLiteral("Voir la fiche de perçage de ce perçage"));
}

bool BallRecordPanel::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (watched == lblpercage) {
        if (type == QEvent::MouseButtonRelease && !drilledSheet_.isEmpty())
            emit drillingSheetClicked(drilledCode_, drilledSheet_);
        return QGroupBox::eventFilter(watched, event);
    }
    if (type != QEvent::FocusIn && type != QEvent::FocusOut)
        return QGroupBox::eventFilter(watched, event);
    auto* edit = qobject_cast<QLineEdit*>(watched);
    if (edit == txtboule || edit == txtserie || edit == txtrg) {
        if (type == QEvent::FocusIn) {
            edit->selectAll();
            // A click places the cursor after the focus arrives.
            if (static_cast<QFocusEvent*>(event)->reason() == Qt::MouseFocusReason)
                QTimer::singleShot(0, edit, &QLineEdit::selectAll);
        } else if (edit != txtrg) {
            const QString upper = edit->text().toUpper();
            if (upper != edit->text())
                edit->setText(upper);
        }
    } else if (edit == Mskfdat) {
        if (type == QEvent::FocusOut && leftForGood(Mskfdat, event) && !acceptableDate(dateText()))
            emit invalidDateLeft();
    } else if (type == QEvent::FocusOut) {
        auto* combo = qobject_cast<QComboBox*>(watched);
        // Leaving for the cancel button abandons the entry: nothing to ask
        // (a refused value would otherwise keep the user from cancelling).
        if (combo && leftForGood(combo, event) && QApplication::focusWidget() != cmdannule3)
            emit pickListLeft();
    }
    return QGroupBox::eventFilter(watched, event);
}

} // namespace vdn
