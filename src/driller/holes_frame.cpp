#include "driller/holes_frame.h"

#include "driller/layout_numbers.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QScrollArea>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace vdn {

namespace {

using layout::Quantity;

// A bowling ball is at most 8.595 in across: no hole is wider or deeper.
constexpr double BallDiameter = 8.595;
// No static weight makes sense past a pound.
constexpr double MaxOunces = 16;
// The pin is never further from the CG than half the way round the ball.
constexpr double HalfRound = 13.5;

struct BoxRule {
    const char* name;
    const char* caption;
    const char* what;
    double low;
    double high;
    bool signedValue;
    const char* range;
};

// In the order of HolesFrame::Box.
const BoxRule BoxRules[HolesFrame::BoxCount] = {
    {"txtdiam_pouce", "Pouce : diamètre (po)", "Diamètre du trou de pouce", 0, BallDiameter, false,
     "de 0 à 8,595 po (la boule)"},
    {"txtprof_pouce", "Profondeur (po)", "Profondeur du trou de pouce", 0, BallDiameter, false,
     "de 0 à 8,595 po (la boule)"},
    {"txtdiam_doigts", "Doigts : le plus large (po)", "Diamètre des trous de doigts", 0,
     BallDiameter, false, "de 0 à 8,595 po (la boule)"},
    {"txtprof_doigts", "Le plus profond (po)", "Profondeur des trous de doigts", 0, BallDiameter,
     false, "de 0 à 8,595 po (la boule)"},
    {"txtdiam_event", "Diamètre du plus large (po)", "Diamètre d'aération", 0, BallDiameter, false,
     "de 0 à 8,595 po (la boule)"},
    {"txtdiam_mill", "Diamètre (po)", "Diamètre du trou de fraisage", 0, BallDiameter, false,
     "de 0 à 8,595 po (la boule)"},
    {"txtprof_mill", "Profondeur (po)", "Profondeur du trou de fraisage", 0, BallDiameter, false,
     "de 0 à 8,595 po (la boule)"},
    {"txtpoids_haut", "Haut/bas (oz, + haut)", "Poids haut/bas", -MaxOunces, MaxOunces, true,
     "de -16 à 16 oz"},
    {"txtpoids_cote", "Côté (oz, + côté positif)", "Poids latéral", -MaxOunces, MaxOunces, true,
     "de -16 à 16 oz"},
    {"txtpoids_doigts", "Doigts/pouce (oz, + doigts)", "Poids doigts/pouce", -MaxOunces, MaxOunces,
     true, "de -16 à 16 oz"},
    {"txtlbs", "Poids de la boule (lb)", "Poids de la boule", 1, 16, false, "de 1 à 16 lb"},
    {"txtboite_poids_haut", "Poids haut (oz)", "Poids haut de la boîte", 0, MaxOunces, false,
     "de 0 à 16 oz"},
    {"txtboite_pin_out", "Pin-out (po)", "Pin-out de la boîte", 0, HalfRound, false,
     "de 0 à 13,5 po (la moitié du tour de la boule)"},
};

// The drilling's text of each box, in the order of HolesFrame::Box.
constexpr QString BallDrilling::*BoxTexts[HolesFrame::BoxCount] = {
    &BallDrilling::thumbDiameter, &BallDrilling::thumbDepth,   &BallDrilling::fingerDiameter,
    &BallDrilling::fingerDepth,   &BallDrilling::ventDiameter, &BallDrilling::millDiameter,
    &BallDrilling::millDepth,     &BallDrilling::topBottom,    &BallDrilling::side,
    &BallDrilling::fingerThumb,   &BallDrilling::pounds,       &BallDrilling::boxTopWeight,
    &BallDrilling::boxPinOut};

const QString Red = QStringLiteral("color: #b41e1e;");

QString yesNo(bool b) {
    return b ? QStringLiteral("O") : QStringLiteral("N");
}

} // namespace

HolesFrame::HolesFrame(QWidget* parent) : QGroupBox(QStringLiteral("Trous et poids"), parent) {
    setObjectName(QStringLiteral("frmtrous"));
    auto* grid = new QGridLayout(this);
    buildBoxes();
    buildHoleControls();
    const int row = placeControls(grid);
    buildRuleTexts(grid, row);
    grid->setColumnStretch(6, 1);
    recheck();
}

QSpinBox* HolesFrame::countBox(const char* name) {
    auto* s = new QSpinBox(this);
    s->setObjectName(QLatin1String(name));
    s->setRange(0, 9);
    connect(s, &QSpinBox::valueChanged, this, &HolesFrame::recheck);
    return s;
}

QCheckBox* HolesFrame::checkBox(const char* name, const QString& text) {
    auto* c = new QCheckBox(text, this);
    c->setObjectName(QLatin1String(name));
    connect(c, &QCheckBox::toggled, this, &HolesFrame::recheck);
    return c;
}

void HolesFrame::buildBoxes() {
    for (int b = 0; b < BoxCount; ++b) {
        boxes_[b] = new QLineEdit(this);
        boxes_[b]->setObjectName(QLatin1String(BoxRules[b].name));
        boxes_[b]->setMaxLength(16);
        boxes_[b]->setFixedWidth(70);
        messages_[b] = new QLabel(this);
        messages_[b]->setObjectName(QStringLiteral("lblmsg_") + QLatin1String(BoxRules[b].name));
        messages_[b]->setStyleSheet(Red);
        messages_[b]->setWordWrap(true);
        connect(boxes_[b], &QLineEdit::textChanged, this, &HolesFrame::recheck);
    }
}

void HolesFrame::buildHoleControls() {
    txtnb_trous = countBox("txtnb_trous");
    chksans_pouce = checkBox("chksans_pouce", QStringLiteral("Prise sans pouce"));
    chktrou_pouce = checkBox("chktrou_pouce", QStringLiteral("Trou de pouce percé"));
    txtnb_events = countBox("txtnb_events");
    chkmill = checkBox("chkmill", QStringLiteral("Trou de fraisage"));
    chkequilibrage = checkBox("chkequilibrage", QStringLiteral("Trou d'équilibrage"));
    cboregles = new QComboBox(this);
    cboregles->setObjectName(QStringLiteral("cboregles"));
    cboregles->addItem(drilling::profileName(drilling::Profile::Usbc));
    cboregles->addItem(drilling::profileName(drilling::Profile::Ibf));
    cboregles->setCurrentIndex(1);
    connect(cboregles, &QComboBox::activated, this, [this] {
        recheck();
        emit profileChosen(profile());
    });
}

int HolesFrame::placeControls(QGridLayout* grid) {
    auto caption = [this](const QString& text) { return new QLabel(text, this); };
    auto boxRow = [&](int row, int column, Box b) {
        grid->addWidget(caption(QString::fromUtf8(BoxRules[b].caption)), row, column);
        grid->addWidget(boxes_[b], row, column + 1);
    };
    int row = 0;
    grid->addWidget(caption(QStringLiteral("Trous de prise")), row, 0);
    grid->addWidget(txtnb_trous, row, 1);
    grid->addWidget(chksans_pouce, row, 2);
    // Over the free columns, as the rule profile below: the column of the
    // boxes keeps their width, and the frame its own.
    grid->addWidget(chktrou_pouce, row, 3, 1, 3);
    ++row;
    // The gripping holes as drilled: the thumb's, then the widest and the
    // deepest finger hole.
    boxRow(row, 0, ThumbDiameter);
    boxRow(row, 2, ThumbDepth);
    ++row;
    boxRow(row, 0, FingerDiameter);
    boxRow(row, 2, FingerDepth);
    ++row;
    grid->addWidget(caption(QStringLiteral("Trous d'aération")), row, 0);
    grid->addWidget(txtnb_events, row, 1);
    boxRow(row, 2, VentDiameter);
    ++row;
    // The mill hole's size on its own row: diameter, then depth.
    grid->addWidget(chkmill, row, 0);
    boxRow(row, 2, MillDiameter);
    boxRow(row, 4, MillDepth);
    ++row;
    grid->addWidget(chkequilibrage, row, 0);
    // Below it, the figures printed on the ball's box.
    grid->addWidget(caption(QStringLiteral("Sur la boîte :")), row, 4);
    ++row;
    grid->addWidget(caption(QStringLiteral("Poids statiques après perçage")), row, 0, 1, 2);
    boxRow(row, 2, Pounds);
    boxRow(row, 4, BoxTopWeight);
    ++row;
    boxRow(row, 0, TopBottom);
    boxRow(row, 2, Side);
    boxRow(row, 4, BoxPinOut);
    ++row;
    boxRow(row, 0, FingerThumb);
    grid->addWidget(caption(QStringLiteral("Règles")), row, 2);
    grid->addWidget(cboregles, row, 3, 1, 3, Qt::AlignLeft);
    ++row;
    return row;
}

void HolesFrame::buildRuleTexts(QGridLayout* grid, int row) {
    // How many rules the drilling breaks, above their list: seen even when
    // the list scrolls. Its line is kept when empty.
    lblnb_regles = new QLabel(this);
    lblnb_regles->setObjectName(QStringLiteral("lblnb_regles"));
    lblnb_regles->setStyleSheet(Red + QStringLiteral(" font-weight: bold;"));
    lblnb_regles->setFixedHeight(lblnb_regles->fontMetrics().lineSpacing() + 2);
    grid->addWidget(lblnb_regles, row++, 0, 1, 7);
    // The boxes' messages, the broken rules and the reminders share one
    // area of a fixed height, which scrolls: the frame keeps its size as
    // lines come and go, and nothing moves under the mouse while one types.
    auto* texts = new QWidget;
    auto* column = new QVBoxLayout(texts);
    column->setContentsMargins(0, 0, 0, 0);
    for (QLabel* m : messages_) {
        column->addWidget(m);
        m->hide();
    }
    lblregles = new QLabel;
    lblregles->setObjectName(QStringLiteral("lblregles"));
    lblregles->setWordWrap(true);
    lblregles->setStyleSheet(Red);
    lblregles->setTextFormat(Qt::PlainText);
    lblregles->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    column->addWidget(lblregles);
    lblrappels = new QLabel;
    lblrappels->setObjectName(QStringLiteral("lblrappels"));
    lblrappels->setWordWrap(true);
    lblrappels->setTextFormat(Qt::PlainText);
    column->addWidget(lblrappels);
    column->addStretch(1);
    scrregles = new QScrollArea(this);
    scrregles->setObjectName(QStringLiteral("scrregles"));
    scrregles->setFrameShape(QFrame::NoFrame);
    scrregles->setWidgetResizable(true);
    scrregles->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scrregles->setWidget(texts);
    // On the frame's own background, as plain labels would be.
    texts->setAutoFillBackground(false);
    scrregles->viewport()->setAutoFillBackground(false);
    scrregles->setFixedHeight(5 * lblregles->fontMetrics().lineSpacing());
    // The frame's whole width, the free column included: fewer lines.
    grid->addWidget(scrregles, row, 0, 1, 7);
}

std::optional<double> HolesFrame::value(Box b, bool say) const {
    const BoxRule& rule = BoxRules[b];
    const QString text = boxes_[b]->text();
    const QString what = QString::fromUtf8(rule.what);
    QString message;
    std::optional<double> v;
    if (text.trimmed().isEmpty()) {
        v = 0; // not measured, not drilled
    } else if (!(v = layout::readQuantity(text, Quantity::Distance))) {
        const QString quoted = text.size() > 16 ? text.left(16) + QStringLiteral("…") : text;
        message =
            what + QStringLiteral(" « ") + quoted +
            QStringLiteral(" » illisible : tapez par exemple ") +
            (rule.signedValue ? QStringLiteral("-1 1/2 ou 2,5") : QStringLiteral("1/4 ou 0,25"));
    } else if (*v < rule.low || *v > rule.high) {
        message = what + QStringLiteral(" de ") + layout::plainNumber(*v, 3) +
                  QStringLiteral(" hors limites : ") + QString::fromUtf8(rule.range);
        v.reset();
    }
    if (say) {
        messages_[b]->setText(message);
        messages_[b]->setVisible(!message.isEmpty());
    }
    return v;
}

std::optional<drilling::Holes> HolesFrame::holes() const {
    std::array<std::optional<double>, BoxCount> v;
    bool read = true;
    for (int b = 0; b < BoxCount; ++b)
        read = (v[b] = value(Box(b), false)).has_value() && read;
    if (!read)
        return std::nullopt;
    drilling::Holes h;
    h.grippingHoles = txtnb_trous->value();
    h.thumbless = chksans_pouce->isChecked();
    h.thumbHole = chktrou_pouce->isChecked();
    h.ventHoles = txtnb_events->value();
    h.largestVent = *v[VentDiameter];
    h.millHole = chkmill->isChecked();
    h.millDiameter = *v[MillDiameter];
    h.millDepth = *v[MillDepth];
    h.balanceHole = chkequilibrage->isChecked();
    h.widestGrip = std::max(*v[ThumbDiameter], *v[FingerDiameter]);
    h.deepestGrip = std::max(*v[ThumbDepth], *v[FingerDepth]);
    h.topBottom = *v[TopBottom];
    h.side = *v[Side];
    h.fingerThumb = *v[FingerThumb];
    // An empty weight is not noted, never 0 lb.
    if (!boxes_[Pounds]->text().trimmed().isEmpty())
        h.ballPounds = *v[Pounds];
    return h;
}

drilling::Profile HolesFrame::profile() const {
    return cboregles->currentIndex() == 0 ? drilling::Profile::Usbc : drilling::Profile::Ibf;
}

void HolesFrame::setProfile(drilling::Profile p) {
    cboregles->setCurrentIndex(p == drilling::Profile::Usbc ? 0 : 1);
    recheck();
}

std::optional<drilling::Check> HolesFrame::check() const {
    const std::optional<drilling::Holes> h = holes();
    if (!h)
        return std::nullopt;
    return drilling::check(*h, profile());
}

void HolesFrame::recheck() {
    for (int b = 0; b < BoxCount; ++b)
        value(Box(b), true);
    if (const std::optional<drilling::Check> c = check()) {
        lblregles->setText(c->failures.join(QLatin1Char('\n')));
        lblrappels->setText(c->reminders.join(QLatin1Char('\n')));
        const qsizetype broken = c->failures.size();
        lblnb_regles->setText(broken == 0 ? QString()
                              : broken == 1
                                  ? QStringLiteral("1 règle non respectée")
                                  : QStringLiteral("%1 règles non respectées").arg(broken));
    } else {
        lblregles->setText(
            QStringLiteral("Règles non vérifiées : corrigez les valeurs signalées."));
        lblrappels->clear();
        lblnb_regles->clear();
    }
    emit changed();
}

void HolesFrame::fill(const BallDrilling& d) {
    {
        const QSignalBlocker b1(txtnb_trous), b2(chksans_pouce), b3(chktrou_pouce),
            b4(txtnb_events), b5(chkmill), b6(chkequilibrage);
        txtnb_trous->setValue(d.grippingHoles.toInt());
        chksans_pouce->setChecked(d.thumbless == QLatin1String("O"));
        chktrou_pouce->setChecked(d.thumbHole == QLatin1String("O"));
        txtnb_events->setValue(d.ventHoles.toInt());
        chkmill->setChecked(d.millHole == QLatin1String("O"));
        chkequilibrage->setChecked(d.balanceHole == QLatin1String("O"));
        for (int b = 0; b < BoxCount; ++b) {
            const QSignalBlocker box(boxes_[b]);
            boxes_[b]->setText(d.*BoxTexts[b]);
        }
        const QSignalBlocker combo(cboregles);
        cboregles->setCurrentIndex(drilling::profileOf(d.profile) == drilling::Profile::Usbc ? 0
                                                                                             : 1);
    }
    recheck();
}

void HolesFrame::store(BallDrilling& d) const {
    d.grippingHoles = QString::number(txtnb_trous->value());
    d.thumbless = yesNo(chksans_pouce->isChecked());
    d.thumbHole = yesNo(chktrou_pouce->isChecked());
    d.ventHoles = QString::number(txtnb_events->value());
    d.millHole = yesNo(chkmill->isChecked());
    d.balanceHole = yesNo(chkequilibrage->isChecked());
    for (int b = 0; b < BoxCount; ++b)
        d.*BoxTexts[b] = boxes_[b]->text().trimmed();
    d.profile = drilling::profileCode(profile());
    if (const std::optional<drilling::Check> c = check())
        d.verdict = c->verdict;
}

void HolesFrame::setPounds(const QString& pounds) {
    // A customer record keeps 0 for a weight nobody noted: proposed blank.
    const std::optional<double> v = layout::readQuantity(pounds, Quantity::Distance);
    boxes_[Pounds]->setText(v && *v == 0 ? QString() : pounds.trimmed());
}

void HolesFrame::setReadOnly(bool readOnly) {
    for (QWidget* w :
         std::initializer_list<QWidget*>{txtnb_trous, chksans_pouce, chktrou_pouce, txtnb_events,
                                         chkmill, chkequilibrage, cboregles})
        w->setEnabled(!readOnly);
    for (QLineEdit* b : boxes_)
        b->setReadOnly(readOnly);
}

} // namespace vdn
