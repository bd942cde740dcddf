#include "balls/ball_record_panel.h"

#include "data/text.h"
#include "platform/whole_characters.h"
#include "reference/catalogue.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QButtonGroup>
#include <QComboBox>
#include <QDate>
#include <QFocusEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QVBoxLayout>

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

QLabel* caption(const char* name, const QString& text, QWidget* parent) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(QLatin1String(name));
    return l;
}

} // namespace

BallRecordPanel::BallRecordPanel(QWidget* parent)
    : QGroupBox(QStringLiteral("Enregistrement d'une boule "), parent) {
    setObjectName(QStringLiteral("Frame8"));
    build();
}

void BallRecordPanel::build() {
    // Lane condition.
    Option4 = new QButtonGroup(this);
    const QString types[] = {QStringLiteral("Huilée"), QStringLiteral("Sec"),
                             QStringLiteral("Spare")};
    QRadioButton** options[] = {&Option4_0, &Option4_1, &Option4_2};
    auto* typeColumn = new QVBoxLayout;
    for (int i = 0; i < 3; ++i) {
        *options[i] = new QRadioButton(types[i], this);
        (*options[i])->setObjectName(QStringLiteral("Option4_%1").arg(i));
        Option4->addButton(*options[i], i);
        typeColumn->addWidget(*options[i]);
    }

    auto pickList = [this](int i, int width) {
        auto* c = new QComboBox(this);
        c->setObjectName(QStringLiteral("Combo%1").arg(i));
        configurePickList(c);
        c->setFixedWidth(width);
        return c;
    };
    Combo0 = pickList(0, 200);
    Combo1 = pickList(1, 150);
    Combo2 = pickList(2, 80);
    Combo3 = pickList(3, 80);
    Combo4 = pickList(4, 80);
    Combo5 = pickList(5, 70);
    Combo6 = pickList(6, 70);
    Combo7 = pickList(7, 70);

    // The brand pictures lie in one place beside the brand.
    auto* pictures = new QWidget(this);
    pictures->setObjectName(QStringLiteral("brandPictures"));
    pictures->setFixedSize(104, 47);
    QLabel** const labels[] = {&Image_amf, &Image_Bwk, &Image_storm};
    for (std::size_t i = 0; i < std::size(Brands); ++i) {
        const Brand& b = Brands[i];
        QLabel*& label = *labels[i];
        label = new QLabel(pictures);
        label->setObjectName(QLatin1String(b.name));
        label->setGeometry(QRect(QPoint(0, (47 - b.size.height()) / 2), b.size));
        label->hide();
    }

    txtboule = new QLineEdit(this);
    txtboule->setObjectName(QStringLiteral("txtboule"));
    txtboule->setMaxLength(30);
    txtboule->setFixedWidth(220);
    txtboule->setToolTip(QStringLiteral("Nom de la boule"));
    Label26 = caption("Label26", QStringLiteral("N° Série"), this);
    txtserie = new QLineEdit(this);
    txtserie->setObjectName(QStringLiteral("txtserie"));
    txtserie->setMaxLength(64);
    txtserie->setFixedWidth(180);
    // Boxes with a limit never keep half of a character cut at the limit.
    keepWholeCharacters(txtboule);
    keepWholeCharacters(txtserie);

    Label12 = caption("Label12", QStringLiteral("Noyau"), this);
    Label14 = caption("Label14", QStringLiteral("Différentiel"), this);
    Label15 = caption("Label15", QStringLiteral("Lenght"), this);
    Label16 = caption("Label16", QStringLiteral("Hook"), this);
    Label13 = caption("Label13", QStringLiteral("RG "), this);
    txtrg = new QLineEdit(this);
    txtrg->setObjectName(QStringLiteral("txtrg"));
    txtrg->setFixedWidth(80);

    Label22 = caption("Label22", QStringLiteral("Date de l'achat"), this);
    Mskfdat = new QLineEdit(this);
    Mskfdat->setObjectName(QStringLiteral("Mskfdat"));
    Mskfdat->setInputMask(DateMask);
    Mskfdat->setMaxLength(10);
    Mskfdat->setFixedWidth(100);

    Label17 = caption("Label17", QStringLiteral("Layout : "), this);
    Label19 = caption("Label19", QStringLiteral("Angle"), this);
    Label21 = caption("Label21", QStringLiteral("Distance"), this);
    Label20 = caption("Label20", QStringLiteral("Angle"), this);

    Label18 = caption("Label18", QStringLiteral("Surface"), this);
    txtsurface = new QPlainTextEdit(this);
    txtsurface->setObjectName(QStringLiteral("txtsurface"));
    txtsurface->setTabChangesFocus(true);
    txtsurface->setFixedHeight(54);

    cmdvalide3 = new QPushButton(buttonIcon(true), QString(), this);
    cmdvalide3->setObjectName(QStringLiteral("cmdvalide3"));
    cmdvalide3->setIconSize(QSize(28, 28));
    cmdvalide3->setFixedSize(44, 40);
    cmdvalide3->setToolTip(QStringLiteral("Valider la boule"));
    cmdannule3 = new QPushButton(buttonIcon(false), QString(), this);
    cmdannule3->setObjectName(QStringLiteral("cmdannule3"));
    cmdannule3->setIconSize(QSize(28, 28));
    cmdannule3->setFixedSize(44, 40);
    cmdannule3->setToolTip(QStringLiteral("Annuler"));

    // First line: condition, brand and its picture, name, serial number.
    auto* line1 = new QHBoxLayout;
    line1->addLayout(typeColumn);
    line1->addSpacing(12);
    line1->addWidget(Combo0);
    line1->addWidget(pictures);
    line1->addSpacing(8);
    line1->addWidget(txtboule);
    line1->addSpacing(12);
    line1->addWidget(Label26);
    line1->addWidget(txtserie);
    line1->addStretch(1);

    // Second line: the ball's figures and its purchase date.
    auto* line2 = new QHBoxLayout;
    for (auto [label, field] : {std::pair<QWidget*, QWidget*>{Label12, Combo1},
                                {Label14, Combo2},
                                {Label15, Combo3},
                                {Label16, Combo4},
                                {Label13, txtrg},
                                {Label22, Mskfdat}}) {
        line2->addWidget(label);
        line2->addWidget(field);
        line2->addSpacing(10);
    }
    line2->addStretch(1);

    // Third line: the layout, the surface and the buttons.
    auto* line3 = new QHBoxLayout;
    line3->addWidget(Label17);
    line3->addWidget(Label19);
    line3->addWidget(Combo5);
    line3->addWidget(Label21);
    line3->addWidget(Combo6);
    line3->addWidget(Label20);
    line3->addWidget(Combo7);
    line3->addSpacing(16);
    line3->addWidget(Label18, 0, Qt::AlignTop);
    line3->addWidget(txtsurface, 1);
    line3->addSpacing(16);
    line3->addWidget(cmdvalide3, 0, Qt::AlignBottom);
    line3->addWidget(cmdannule3, 0, Qt::AlignBottom);

    auto* layout = new QVBoxLayout(this);
    layout->setSpacing(4);
    layout->addLayout(line1);
    layout->addLayout(line2);
    layout->addLayout(line3);

    connect(cmdvalide3, &QPushButton::clicked, this, &BallRecordPanel::validateClicked);
    connect(cmdannule3, &QPushButton::clicked, this, &BallRecordPanel::cancelClicked);
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
    for (const BallCode& code : ballCodes())
        if (Status s = vdn::fillPickLists(params, code.code, code.pickOrder,
                                          {all.at(std::size_t(code.code))});
            !s)
            return s;
    return {};
}

void BallRecordPanel::clearPickTexts() {
    for (QComboBox* c : combos())
        c->setEditText(QString());
}

void BallRecordPanel::showBall(const BallRecord& b) {
    // Every pick list shows the stored text, an empty one included: the
    // first value of the list, left there by the fill, was never chosen.
    Combo0->setEditText(b.brand);
    txtboule->setText(b.ball);
    txtserie->setText(b.serial);
    Combo1->setEditText(b.core);
    txtrg->setText(b.rg);
    Combo2->setEditText(b.diff);
    Combo3->setEditText(b.length);
    Combo4->setEditText(b.hook);
    txtsurface->setPlainText(b.surface);
    Combo5->setEditText(b.layout1);
    Combo6->setEditText(b.layout2);
    Combo7->setEditText(b.layout3);
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
    b.brand = Combo0->currentText();
    b.ball = txtboule->text();
    b.serial = txtserie->text();
    b.core = Combo1->currentText();
    b.rg = txtrg->text();
    b.diff = Combo2->currentText();
    b.length = Combo3->currentText();
    b.hook = Combo4->currentText();
    b.surface = txtsurface->toPlainText();
    b.surface1 = leftChars(b.surface, SurfaceSummaryLength);
    b.layout1 = Combo5->currentText();
    b.layout2 = Combo6->currentText();
    b.layout3 = Combo7->currentText();
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
    const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
    // A message box, another window or the field's own drop-down taking
    // the focus is no leaving of the field; nor is the record being hidden.
    if (reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason || !isVisible())
        return false;
    const QWidget* now = QApplication::focusWidget();
    if (!now)
        return true;
    if (auto* combo = qobject_cast<QComboBox*>(field))
        return now != combo && !combo->isAncestorOf(now) &&
               now->window() != combo->view()->window();
    return now != field;
}

bool BallRecordPanel::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
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
