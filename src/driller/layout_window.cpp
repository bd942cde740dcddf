#include "driller/layout_window.h"

#include "data/shop_store.h"
#include "driller/holes_frame.h"
#include "driller/layout_numbers.h"
#include "driller/layout_picture.h"
#include "platform/clock.h"
#include "platform/message_boxes.h"
#include "session/error_box.h"
#include "widgets/guide_page.h"
#include "widgets/screen_fit.h"

#include <QDateTime>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include <cmath>

namespace vdn {

namespace {

using layout::Quantity;

// The rule of an entry box: its caption, its name in messages, what it
// holds and the values that make sense.
struct FieldRule {
    const char* name;
    const char* caption;
    const char* what;
    Quantity quantity;
    double low;
    double high;
    bool lowExcluded;
    const char* range;
};

constexpr double Quarter = layout::QuarterTurn;

// In the order of LayoutWindow::Field.
const FieldRule Rules[LayoutWindow::FieldCount] = {
    {"txtangle_perc", "Angle de perçage", "Angle de perçage", Quantity::Angle, 0, 180, false,
     "de 0 à 180°"},
    {"txtdist_pap", "Distance pin-PAP", "Distance pin-PAP", Quantity::Distance, 0, Quarter, true,
     "plus de 0 et au plus 6 3/4 po"},
    {"txtangle_val", "Angle VAL", "Angle VAL", Quantity::Angle, 0, 180, false, "de 0 à 180°"},
    {"txtpin_mb", "Distance pin-MB", "Distance pin-MB", Quantity::Distance, 0, Quarter, true,
     "plus de 0 et au plus 6 3/4 po"},
    {"txtpap_h", "Horizontal", "PAP horizontal", Quantity::Distance, 0, Quarter, false,
     "de 0 à 6 3/4 po"},
    {"txtpap_v", "Vertical", "PAP vertical", Quantity::Height, -Quarter, Quarter, false,
     "de 6 3/4 po en bas à 6 3/4 po en haut"},
    {"txtvls_psa", "Distance PSA-PAP", "Distance PSA-PAP", Quantity::Distance, 0, layout::HalfTurn,
     false, "de 0 à 13 1/2 po"},
    {"txtvls_tampon", "Tampon du pin", "Tampon du pin", Quantity::Distance, 0, Quarter, false,
     "de 0 à 6 3/4 po"},
};

const QString Red = QStringLiteral("color: #b41e1e;");

// A value as a message quotes it back.
QString shown(double v, Quantity q) {
    return q == Quantity::Angle ? layout::degreesText(v)
                                : layout::plainNumber(v, 3) + QStringLiteral(" po");
}

// A distance for the tape: the sixteenth alone when it is one, else the
// thousandth with the nearest sixteenth.
QString tape(double inches) {
    if (std::fabs(inches * 16 - std::round(inches * 16)) < 0.002)
        return layout::nearestSixteenth(inches) + QStringLiteral(" po");
    return layout::inchesText(inches);
}

QString heightText(double height) {
    return layout::inchesText(std::fabs(height)) +
           (height >= 0 ? QStringLiteral(" au-dessus de la ligne médiane")
                        : QStringLiteral(" au-dessous de la ligne médiane"));
}

// The text written back into a pick list: the ball's own text when it
// already says the same (the shop keeps its way of writing), else the
// program's.
QString writtenAngle(const QString& original, double v) {
    const QString stored = layout::storedAngle(v);
    const std::optional<double> o = layout::readQuantity(original, Quantity::Angle);
    if (o && *o == std::round(*o) && layout::storedAngle(*o) == stored)
        return original.trimmed();
    return stored;
}
QString writtenDistance(const QString& original, double v) {
    const std::optional<double> o = layout::readQuantity(original, Quantity::Distance);
    if (o && std::fabs(*o - v) < 1e-9 && original.trimmed().size() <= 5)
        return original.trimmed();
    return layout::storedDistance(v);
}

QLabel* named(const char* name, QWidget* parent, const QString& text = {}) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(QLatin1String(name));
    l->setTextFormat(Qt::PlainText);
    return l;
}

QPushButton* button(const char* name, const QString& text, QWidget* parent) {
    auto* b = new QPushButton(text, parent);
    b->setObjectName(QLatin1String(name));
    b->setAutoDefault(false);
    return b;
}

QString yes(const QString& stored) {
    return stored == QLatin1String("O") ? QStringLiteral("oui") : QStringLiteral("non");
}

QString orNone(const QString& text, const QString& unit) {
    return text.isEmpty() ? QStringLiteral("non noté") : text + unit;
}

// What a recorded drilling adds to the page: its number, the sheet it was
// drilled with, its holes and weights, its verdict.
QList<LayoutSection> recordedSections(const BallDrilling& d) {
    QStringList holes{
        QStringLiteral("Trous de prise : %1 (sans pouce : %2, trou de pouce : %3)")
            .arg(d.grippingHoles, yes(d.thumbless), yes(d.thumbHole)),
        QStringLiteral("Trous d'aération : %1, le plus large : %2")
            .arg(d.ventHoles, orNone(d.ventDiameter, QStringLiteral(" po"))),
        QStringLiteral("Trou de fraisage : %1").arg(yes(d.millHole)) +
            (d.millHole == QLatin1String("O")
                 ? QStringLiteral(" (%1 de diamètre, %2 de profondeur)")
                       .arg(orNone(d.millDiameter, QStringLiteral(" po")),
                            orNone(d.millDepth, QStringLiteral(" po")))
                 : QString()),
        QStringLiteral("Trou d'équilibrage : %1").arg(yes(d.balanceHole)),
        QStringLiteral("Poids de la boule : %1").arg(orNone(d.pounds, QStringLiteral(" lb"))),
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

// What a drilling says, without when it was recorded and under what number.
QStringList drilledContent(const BallDrilling& d) {
    return {
        d.drillingAngle, d.pinToPap,    d.valAngle,      d.pinToMb,   d.over,        d.up,
        d.hand,          d.pounds,      d.grippingHoles, d.thumbless, d.thumbHole,   d.ventHoles,
        d.ventDiameter,  d.millHole,    d.millDiameter,  d.millDepth, d.balanceHole, d.topBottom,
        d.side,          d.fingerThumb, d.profile,       d.comment};
}

} // namespace

LayoutWindow::LayoutWindow(const Services& services, const LayoutRequest& request, QWidget* parent)
    : QDialog(parent), services_(services), request_(request) {
    setObjectName(QStringLiteral("VDN_implantation"));
    setWindowTitle(QStringLiteral("Implantation de la boule"));
    // The ball record cannot change under the window.
    setWindowModality(Qt::WindowModal);
    setAttribute(Qt::WA_DeleteOnClose);
    setGuidePage(this, QStringLiteral("implantation.md"));
    build();

    lblclient->setText(QStringLiteral("Client : ") + request_.customer);
    lblmain->setText(QStringLiteral("Main : ") + (!request_.hand ? QStringLiteral("non notée")
                                                  : *request_.hand == layout::Hand::Right
                                                      ? QStringLiteral("Droitier")
                                                      : QStringLiteral("Gaucher")));
    lblboule->setText(QStringLiteral("Boule : ") + request_.ball);
    QStringList missing;
    if (!request_.hasSheet)
        missing << QStringLiteral("Ce client n'a pas de fiche de perçage : tapez la position de "
                                  "son PAP (horizontal et vertical).");
    if (!request_.hand)
        missing << QStringLiteral("La main du client n'est pas notée (D ou G dans sa fiche "
                                  "client) : le dessin et l'impression l'attendent.");
    lblmanque->setText(missing.join(QLatin1Char('\n')));
    lblmanque->setVisible(!missing.isEmpty());

    boxes_[AnglePerc]->setText(request_.drillingAngle);
    boxes_[DistPap]->setText(request_.pinToPap);
    boxes_[AngleVal]->setText(request_.valAngle);
    boxes_[PinMb]->setText(layout::nearestSixteenth(layout::DefaultPinToMb));
    boxes_[PapH]->setText(request_.over);
    boxes_[PapV]->setText(request_.up);
    for (int f = 0; f < FieldCount; ++f)
        connect(boxes_[f], &QLineEdit::textChanged, this, [this, f] {
            if (f == VlsPsa || f == VlsTampon || f == DistPap || f == PinMb) {
                // A conversion stands for the numbers it was made from.
                vlsAnswers_.clear();
                cmdvls_autre->hide();
                lblvls->clear();
                messages_[VlsPsa]->clear();
                messages_[VlsTampon]->clear();
            }
            recompute();
        });
    frmtrous->setPounds(request_.pounds);
    frmtrous->setProfile(drilling::profileOf(request_.profile));
    connect(frmtrous, &HolesFrame::changed, this, &LayoutWindow::recompute);
    connect(frmtrous, &HolesFrame::profileChosen, this, [this](drilling::Profile p) {
        // The shop's setting, kept beside the driller.
        if (!request_.db.isValid())
            return;
        if (Status s = ShopStore(request_.db).setRuleProfile(drilling::profileCode(p)); !s)
            erreur_donnees(s.error(), services_, this, QStringLiteral("Profil de règles"));
    });
    if (request_.db.isValid() && loadDrillings())
        showLastDrilling();
    recompute();
    entryAtStart_ = drillingEntry();
}

QStringList LayoutWindow::drillingEntry() const {
    BallDrilling d = currentHoles_;
    QString comment = currentHoles_.comment;
    // While a past drilling is shown, the current one waits in currentHoles_.
    if (!shown_) {
        frmtrous->store(d);
        comment = txtcommentaire->text();
    }
    return {d.grippingHoles, d.thumbless,    d.thumbHole, d.ventHoles,      d.ventDiameter,
            d.millHole,      d.millDiameter, d.millDepth, d.balanceHole,    d.topBottom,
            d.side,          d.fingerThumb,  d.pounds,    comment.trimmed()};
}

bool LayoutWindow::settleEntry() {
    if (!request_.db.isValid() || drillingEntry() == entryAtStart_)
        return true;
    switch (services_.boxes->questionWithCancel(
        this, QStringLiteral("Enregistrer le perçage de cette boule ?"), Answer::Yes)) {
    case Answer::No:
        return true;
    case Answer::Cancel:
        return false;
    case Answer::Yes:
        break;
    }
    // Back to the current drilling, which is the one recorded.
    if (shown_)
        lstpercages->setCurrentRow(0);
    return writeDrilling(false);
}

void LayoutWindow::reject() {
    if (settleEntry())
        QDialog::reject();
}

void LayoutWindow::build() {
    auto* left = new QVBoxLayout;
    lblclient = named("lblclient", this);
    lblmain = named("lblmain", this);
    lblboule = named("lblboule", this);
    lblmanque = named("lblmanque", this);
    lblmanque->setWordWrap(true);
    lblmanque->setStyleSheet(Red);
    QFont bold = lblclient->font();
    bold.setBold(true);
    lblclient->setFont(bold);
    for (QLabel* l : {lblclient, lblmain, lblboule, lblmanque})
        left->addWidget(l);

    for (int f = 0; f < FieldCount; ++f) {
        boxes_[f] = new QLineEdit(this);
        boxes_[f]->setObjectName(QLatin1String(Rules[f].name));
        boxes_[f]->setMaxLength(64);
        boxes_[f]->setFixedWidth(110);
        messages_[f] = named("", this);
        messages_[f]->setObjectName(QStringLiteral("lblmsg_") + QLatin1String(Rules[f].name));
        messages_[f]->setWordWrap(true);
        messages_[f]->setStyleSheet(Red);
        messages_[f]->setMinimumWidth(300);
        // Room for two lines from the start: the rows keep their places as
        // messages come and go while typing.
        messages_[f]->setMinimumHeight(2 * messages_[f]->fontMetrics().lineSpacing());
    }

    auto* dual = new QGroupBox(QStringLiteral("Layout Dual Angle de la boule"), this);
    dual->setObjectName(QStringLiteral("frmdual"));
    auto* dualGrid = new QGridLayout(dual);
    addFields(dualGrid, {AnglePerc, DistPap, AngleVal, PinMb});
    left->addWidget(dual);

    auto* pap = new QGroupBox(QStringLiteral("PAP du client (depuis le centre de prise)"), this);
    pap->setObjectName(QStringLiteral("frmpap"));
    addFields(new QGridLayout(pap), {PapH, PapV});
    left->addWidget(pap);

    auto* results = new QGroupBox(QStringLiteral("Ce que donne le layout"), this);
    results->setObjectName(QStringLiteral("frmresultats"));
    auto* resultGrid = new QGridLayout(results);
    lbltampon = named("lbltampon", results);
    lblpsa_pap_caption = named("lblpsa_pap_caption", results);
    lblpsa_pap = named("lblpsa_pap", results);
    lblhauteur_pin = named("lblhauteur_pin", results);
    lblpin_centre = named("lblpin_centre", results);
    const std::pair<QLabel*, QLabel*> rows[] = {
        {named("", results, QStringLiteral("Tampon du pin :")), lbltampon},
        {lblpsa_pap_caption, lblpsa_pap},
        {named("", results, QStringLiteral("Hauteur du pin :")), lblhauteur_pin},
        {named("", results, QStringLiteral("Pin - centre de prise :")), lblpin_centre},
    };
    for (int r = 0; r < int(std::size(rows)); ++r) {
        resultGrid->addWidget(rows[r].first, r, 0);
        resultGrid->addWidget(rows[r].second, r, 1);
        rows[r].second->setTextInteractionFlags(Qt::TextSelectableByMouse);
    }
    resultGrid->setColumnStretch(1, 1);
    left->addWidget(results);

    auto* vls =
        new QGroupBox(QStringLiteral("Layout VLS à convertir (même distance pin-PAP)"), this);
    vls->setObjectName(QStringLiteral("frmvls"));
    auto* vlsGrid = new QGridLayout(vls);
    addFields(vlsGrid, {VlsPsa, VlsTampon});
    cmdconvertir = button("cmdconvertir", QStringLiteral("Convertir en Dual Angle"), vls);
    cmdvls_autre = button("cmdvls_autre", QString(), vls);
    cmdvls_autre->hide();
    lblvls = named("lblvls", vls);
    lblvls->setWordWrap(true);
    auto* vlsButtons = new QHBoxLayout;
    vlsButtons->addWidget(cmdconvertir);
    vlsButtons->addWidget(cmdvls_autre);
    vlsButtons->addStretch(1);
    vlsGrid->addLayout(vlsButtons, 2, 0, 1, 3);
    vlsGrid->addWidget(lblvls, 3, 0, 1, 3);
    left->addWidget(vls);

    cmdreporter = button("cmdreporter", QStringLiteral("Reporter dans la boule"), this);
    lblreporter = named("lblreporter", this);
    cmdimp_implantation =
        button("cmdimp_implantation", QStringLiteral("Imprimer l'implantation..."), this);
    auto* actions = new QHBoxLayout;
    actions->addWidget(cmdreporter);
    actions->addWidget(lblreporter, 1);
    actions->addWidget(cmdimp_implantation);
    left->addLayout(actions);
    left->addStretch(1);

    picimplantation = new LayoutPicture(this);
    auto* right = new QVBoxLayout;
    lbldernier = named("lbldernier", this);
    lbldernier->setWordWrap(true);
    right->addWidget(lbldernier);
    // The drawing with the ball's drillings beside it, the holes below.
    auto* drawn = new QHBoxLayout;
    drawn->addWidget(picimplantation, 1);
    right->addLayout(drawn, 1);
    buildDrillings(drawn, right);
    // On a small screen (or a large scaling) the window is cut down to the
    // screen and its content scrolls.
    auto* all = new QHBoxLayout(screen_fit::install(this));
    all->addLayout(left, 0);
    all->addLayout(right, 1);
    screen_fit::resize(this, QSize(1340, 740).expandedTo(all->minimumSize()));

    connect(cmdconvertir, &QPushButton::clicked, this, &LayoutWindow::convertVls);
    connect(cmdvls_autre, &QPushButton::clicked, this,
            [this] { takeVlsAnswer(vlsTaken_ == 0 ? 1 : 0); });
    connect(cmdreporter, &QPushButton::clicked, this, &LayoutWindow::report);
    connect(cmdimp_implantation, &QPushButton::clicked, this, &LayoutWindow::print);
}

void LayoutWindow::buildDrillings(QBoxLayout* beside, QBoxLayout* below) {
    frmtrous = new HolesFrame(this);
    below->addWidget(frmtrous);
    auto* column = new QVBoxLayout;
    column->addWidget(named("", this, QStringLiteral("Perçages de la boule :")));
    lstpercages = new QListWidget(this);
    lstpercages->setObjectName(QStringLiteral("lstpercages"));
    lstpercages->setFixedWidth(250);
    column->addWidget(lstpercages, 1);
    column->addWidget(named("", this, QStringLiteral("Commentaire :")));
    txtcommentaire = new QLineEdit(this);
    txtcommentaire->setObjectName(QStringLiteral("txtcommentaire"));
    txtcommentaire->setMaxLength(200);
    column->addWidget(txtcommentaire);
    cmdenregistrer_percage =
        button("cmdenregistrer_percage", QStringLiteral("Enregistrer le perçage"), this);
    column->addWidget(cmdenregistrer_percage);
    txtcommentaire->setFixedWidth(250);
    beside->addLayout(column);
    lstpercages->addItem(QStringLiteral("Perçage actuel"));
    lstpercages->setCurrentRow(0);
    connect(lstpercages, &QListWidget::currentRowChanged, this, &LayoutWindow::showDrilling);
    connect(cmdenregistrer_percage, &QPushButton::clicked, this, &LayoutWindow::recordDrilling);
    connect(txtcommentaire, &QLineEdit::textChanged, this, &LayoutWindow::updateRecordButton);
}

bool LayoutWindow::loadDrillings() {
    Result<QList<BallDrilling>> list =
        DrillingStore(request_.db).list(request_.code, request_.line);
    if (!list) {
        erreur_donnees(list.error(), services_, parentWidget());
        return false;
    }
    drillings_ = *list;
    const QSignalBlocker quiet(lstpercages);
    while (lstpercages->count() > 1)
        delete lstpercages->takeItem(1);
    for (const BallDrilling& d : std::as_const(drillings_))
        lstpercages->addItem(
            QStringLiteral("N° %1 du %2 par %3").arg(d.number.toInt()).arg(d.dayText(), d.driller));
    return true;
}

void LayoutWindow::showLastDrilling() {
    if (drillings_.isEmpty()) {
        lbldernier->setText(QStringLiteral("Pas de perçage enregistré pour cette boule."));
        return;
    }
    const BallDrilling& d = drillings_.first();
    QString text = QStringLiteral("Dernier perçage n° %1 du %2 par %3")
                       .arg(d.number.toInt())
                       .arg(d.dayText(), d.driller);
    // The ball record's layout against the drilled one, read as numbers.
    auto same = [](const QString& a, const QString& b, Quantity q) {
        const std::optional<double> x = layout::readQuantity(a, q);
        const std::optional<double> y = layout::readQuantity(b, q);
        return x && y ? std::fabs(*x - *y) < 1e-6 : a.trimmed() == b.trimmed();
    };
    if (same(d.drillingAngle, request_.drillingAngle, Quantity::Angle) &&
        same(d.pinToPap, request_.pinToPap, Quantity::Distance) &&
        same(d.valAngle, request_.valAngle, Quantity::Angle))
        text += QStringLiteral(" : même layout que la boule.");
    else
        text += QStringLiteral(" : son layout (%1 < %2 < %3) diffère de celui de la boule.")
                    .arg(d.drillingAngle, d.pinToPap, d.valAngle);
    lbldernier->setText(text);
}

void LayoutWindow::setEditable(bool editable) {
    for (QLineEdit* b : boxes_)
        b->setReadOnly(!editable);
    frmtrous->setReadOnly(!editable);
    txtcommentaire->setReadOnly(!editable);
    cmdconvertir->setEnabled(editable);
}

void LayoutWindow::showDrilling(int index) {
    const Field drawn[] = {AnglePerc, DistPap, AngleVal, PinMb, PapH, PapV};
    if (index <= 0 || index > drillings_.size()) {
        if (!shown_)
            return;
        shown_.reset();
        for (int i = 0; i < int(std::size(drawn)); ++i)
            boxes_[drawn[i]]->setText(currentTexts_.value(i));
        frmtrous->fill(currentHoles_);
        txtcommentaire->setText(currentHoles_.comment);
        setEditable(true);
        recompute();
        return;
    }
    if (!shown_) {
        currentTexts_.clear();
        for (Field f : drawn)
            currentTexts_ << boxes_[f]->text();
        currentHoles_ = {};
        frmtrous->store(currentHoles_);
        currentHoles_.comment = txtcommentaire->text();
    }
    shown_ = index - 1;
    const BallDrilling& d = drillings_.at(index - 1);
    const QString* texts[] = {&d.drillingAngle, &d.pinToPap, &d.valAngle,
                              &d.pinToMb,       &d.over,     &d.up};
    for (int i = 0; i < int(std::size(drawn)); ++i)
        boxes_[drawn[i]]->setText(*texts[i]);
    frmtrous->fill(d);
    txtcommentaire->setText(d.comment);
    setEditable(false);
    recompute();
}

std::optional<BallDrilling> LayoutWindow::drilling() const {
    const Values v = values(false);
    for (Field f : {AnglePerc, DistPap, AngleVal, PinMb, PapH, PapV})
        if (!v[f])
            return std::nullopt;
    if (!request_.hand || !frmtrous->check())
        return std::nullopt;
    const layout::DualAngle da{*v[AnglePerc], *v[DistPap], *v[AngleVal]};
    const layout::Vls vls = layout::toVls(da, *v[PinMb]);
    BallDrilling d;
    d.code = request_.code;
    d.line = request_.line;
    d.date = services_.clock->now().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    d.driller = request_.driller;
    // The entries as typed, the results as the window shows them.
    d.drillingAngle = boxes_[AnglePerc]->text().trimmed();
    d.pinToPap = boxes_[DistPap]->text().trimmed();
    d.valAngle = boxes_[AngleVal]->text().trimmed();
    d.pinToMb = boxes_[PinMb]->text().trimmed();
    d.psaToPap = layout::inchesText(vls.psaToPap);
    d.pinBuffer = layout::inchesText(vls.pinBuffer);
    d.over = boxes_[PapH]->text().trimmed();
    d.up = boxes_[PapV]->text().trimmed();
    d.hand = *request_.hand == layout::Hand::Right ? QStringLiteral("D") : QStringLiteral("G");
    frmtrous->store(d);
    d.comment = txtcommentaire->text().trimmed();
    return d;
}

void LayoutWindow::recordDrilling() {
    if (!request_.db.isValid() || shown_)
        return;
    writeDrilling(true);
}

bool LayoutWindow::writeDrilling(bool confirm) {
    if (!request_.savedRevision) {
        services_.boxes->message(this, QStringLiteral("Validez d'abord la boule : son perçage "
                                                      "s'enregistre sur la boule enregistrée, "
                                                      "sans modification en cours."));
        return false;
    }
    // Recorded already, as it stands: nothing new to write.
    if (sameAsRecorded())
        return true;
    const std::optional<BallDrilling> d = drilling();
    if (!d) {
        services_.boxes->message(this, QStringLiteral("Corrigez d'abord les valeurs signalées : "
                                                      "rien n'est enregistré."));
        return false;
    }
    if (confirm && !services_.boxes->question(this, QStringLiteral("Enregistrer le perçage de "
                                                                   "cette boule ?\n%1")
                                                        .arg(d->verdict)))
        return false;
    Result<BallDrilling> written = DrillingStore(request_.db).record(*d, *request_.savedRevision);
    if (!written) {
        erreur_donnees(written.error(), services_, this,
                       QStringLiteral("Enregistrement du perçage"));
        return false;
    }
    entryAtStart_ = drillingEntry();
    recorded_ = drilledContent(*written);
    if (loadDrillings())
        showLastDrilling();
    updateRecordButton();
    emit drillingRecorded();
    return true;
}

void LayoutWindow::addFields(QGridLayout* grid, std::initializer_list<Field> fields) {
    int row = grid->rowCount() > 1 ? grid->rowCount() : 0;
    for (Field f : fields) {
        auto* caption = named("", boxes_[f]->parentWidget(), QString::fromUtf8(Rules[f].caption));
        grid->addWidget(caption, row, 0);
        grid->addWidget(boxes_[f], row, 1);
        grid->addWidget(messages_[f], row, 2);
        ++row;
    }
    grid->setColumnStretch(2, 1);
}

std::optional<double> LayoutWindow::value(Field f, bool say) const {
    const FieldRule& rule = Rules[f];
    const QString text = boxes_[f]->text();
    const QString what = QString::fromUtf8(rule.what);
    const QString example =
        QStringLiteral(" : tapez par exemple ") + layout::typingExample(rule.quantity);
    QString message;
    std::optional<double> v;
    if (text.trimmed().isEmpty()) {
        message = what + QStringLiteral(" à remplir") + example;
    } else if (!(v = layout::readQuantity(text, rule.quantity))) {
        const QString quoted = text.size() > 24 ? text.left(24) + QStringLiteral("…") : text;
        message = what + QStringLiteral(" « ") + quoted + QStringLiteral(" » illisible") + example;
    } else if (*v < rule.low || *v > rule.high || (rule.lowExcluded && *v == rule.low)) {
        message = what + QStringLiteral(" de ") + shown(*v, rule.quantity) +
                  QStringLiteral(" hors limites : ") + QString::fromUtf8(rule.range);
        v.reset();
    }
    if (say)
        messages_[f]->setText(message);
    return v;
}

LayoutWindow::Values LayoutWindow::values(bool sayVls) const {
    Values v;
    for (int f = 0; f < FieldCount; ++f) {
        const bool vlsField = f == VlsPsa || f == VlsTampon;
        v[f] = value(Field(f), !vlsField || sayVls);
    }
    return v;
}

std::optional<layout::Scene> LayoutWindow::sceneOf(const Values& v) const {
    for (Field f : {AnglePerc, DistPap, AngleVal, PinMb, PapH, PapV})
        if (!v[f])
            return std::nullopt;
    if (!request_.hand)
        return std::nullopt;
    const layout::DualAngle da{*v[AnglePerc], *v[DistPap], *v[AngleVal]};
    const double m = *v[PinMb];
    const layout::LayoutMarks marks =
        layout::layoutMarks(da, m, {*v[PapH], *v[PapV]}, *request_.hand);
    layout::SceneTexts texts;
    texts.pinToPap = layout::nearestSixteenth(da.pinToPap);
    texts.pinBuffer = layout::nearestSixteenth(layout::pinBuffer(da));
    texts.mbToPap = layout::nearestSixteenth(layout::mbToPap(da, m));
    texts.drillingAngle = layout::degreesText(da.drillingAngle);
    texts.valAngle = layout::degreesText(da.valAngle);
    texts.mbName = m == layout::DefaultPinToMb ? QStringLiteral("PSA") : QStringLiteral("MB");
    return layout::layoutScene(marks, texts);
}

void LayoutWindow::recompute() {
    const Values v = values(false);
    const bool layoutRead = v[AnglePerc] && v[DistPap] && v[AngleVal];
    const bool papRead = v[PapH] && v[PapV];
    const layout::DualAngle da{v[AnglePerc].value_or(0), v[DistPap].value_or(0),
                               v[AngleVal].value_or(0)};
    const double m = v[PinMb].value_or(layout::DefaultPinToMb);
    lblpsa_pap_caption->setText(m == layout::DefaultPinToMb ? QStringLiteral("Distance PSA-PAP :")
                                                            : QStringLiteral("Distance MB-PAP :"));

    // A result that cannot be worked out keeps its last value, greyed.
    lbltampon->setEnabled(layoutRead);
    lblpsa_pap->setEnabled(layoutRead && v[PinMb]);
    lblhauteur_pin->setEnabled(layoutRead && papRead);
    lblpin_centre->setEnabled(layoutRead && papRead);
    if (layoutRead) {
        lbltampon->setText(layout::inchesText(layout::pinBuffer(da)));
        if (v[PinMb])
            lblpsa_pap->setText(layout::inchesText(layout::mbToPap(da, m)));
    }
    if (layoutRead && papRead) {
        const layout::Pap pap{*v[PapH], *v[PapV]};
        lblhauteur_pin->setText(heightText(layout::pinHeight(da, pap)));
        lblpin_centre->setText(layout::inchesText(layout::pinToGrip(da, pap)));
    }

    const std::optional<layout::Scene> scene = sceneOf(v);
    if (scene)
        picimplantation->setScene(*scene);
    picimplantation->setEnabled(scene.has_value());
    cmdimp_implantation->setEnabled(scene.has_value());

    if (const std::optional<Reported> r = reported()) {
        lblreporter->setText(QStringLiteral("Sera écrit : ") + r->drillingAngle +
                             QStringLiteral(" < ") + r->pinToPap + QStringLiteral(" < ") +
                             r->valAngle);
        cmdreporter->setEnabled(true);
    } else {
        lblreporter->setText(QStringLiteral("Layout à corriger avant de le reporter"));
        cmdreporter->setEnabled(false);
    }
    // A past drilling is only looked at.
    if (shown_)
        cmdreporter->setEnabled(false);
    updateRecordButton();
}

bool LayoutWindow::sameAsRecorded() const {
    if (!recorded_ || shown_)
        return false;
    const std::optional<BallDrilling> d = drilling();
    return d && drilledContent(*d) == *recorded_;
}

void LayoutWindow::updateRecordButton() {
    // Once recorded, the same drilling waits for a change before it can be
    // recorded again: a second click makes no second row.
    const bool recorded = sameAsRecorded();
    cmdenregistrer_percage->setEnabled(request_.db.isValid() && !shown_ && !recorded);
    cmdenregistrer_percage->setToolTip(
        recorded ? QStringLiteral("Ce perçage est enregistré : modifiez-le pour en enregistrer un "
                                  "autre.")
                 : QString());
}

std::optional<LayoutWindow::Reported> LayoutWindow::reported() const {
    const std::optional<double> a = value(AnglePerc, false);
    const std::optional<double> p = value(DistPap, false);
    const std::optional<double> b = value(AngleVal, false);
    if (!a || !p || !b)
        return std::nullopt;
    return Reported{writtenAngle(boxes_[AnglePerc]->text(), *a),
                    writtenDistance(boxes_[DistPap]->text(), *p),
                    writtenAngle(boxes_[AngleVal]->text(), *b)};
}

void LayoutWindow::convertVls() {
    const Values v = values(true);
    vlsAnswers_.clear();
    cmdvls_autre->hide();
    if (!v[DistPap] || !v[PinMb] || !v[VlsPsa] || !v[VlsTampon]) {
        lblvls->setText(QStringLiteral("Conversion impossible : corrigez les valeurs signalées."));
        return;
    }
    const layout::FromVls f = layout::fromVls({*v[DistPap], *v[VlsPsa], *v[VlsTampon]}, *v[PinMb]);
    switch (f.problem) {
    case layout::FromVls::Problem::BufferTooWide:
        lblvls->setText(QStringLiteral("Impossible : un tampon du pin de %1 demande une distance "
                                       "pin-PAP d'au moins autant (ici %2).")
                            .arg(tape(*v[VlsTampon]), tape(*v[DistPap])));
        return;
    case layout::FromVls::Problem::PsaOutOfReach:
        lblvls->setText(QStringLiteral("Impossible : à %1 du pin, le PAP est à %2 à %3 du %4 "
                                       "(ici %5).")
                            .arg(tape(*v[DistPap]), tape(f.reachFrom), tape(f.reachTo),
                                 *v[PinMb] == layout::DefaultPinToMb ? QStringLiteral("PSA")
                                                                     : QStringLiteral("MB"),
                                 tape(*v[VlsPsa])));
        return;
    case layout::FromVls::Problem::None:
        break;
    }
    vlsAnswers_ = f.answers;
    takeVlsAnswer(0);
}

void LayoutWindow::takeVlsAnswer(int index) {
    if (index < 0 || index >= vlsAnswers_.size())
        return;
    const QList<layout::DualAngle> answers = vlsAnswers_;
    const layout::DualAngle& a = answers.at(index);
    // Filling the boxes recomputes and would forget the answers.
    {
        const QSignalBlocker angle(boxes_[AnglePerc]);
        const QSignalBlocker val(boxes_[AngleVal]);
        boxes_[AnglePerc]->setText(layout::plainNumber(a.drillingAngle, 2));
        boxes_[AngleVal]->setText(layout::plainNumber(a.valAngle, 2));
    }
    vlsAnswers_ = answers;
    vlsTaken_ = index;
    recompute();
    const QString one =
        QStringLiteral("angle de perçage %1, angle VAL %2")
            .arg(layout::degreesText(a.drillingAngle), layout::degreesText(a.valAngle));
    if (answers.size() == 1) {
        lblvls->setText(QStringLiteral("Converti : ") + one + QLatin1Char('.'));
        return;
    }
    const layout::DualAngle& other = answers.at(index == 0 ? 1 : 0);
    lblvls->setText(QStringLiteral("Deux layouts répondent : angle VAL %1 (pin au-dessus du "
                                   "niveau du PAP) ou %2 (pin au-dessous), angle de perçage %3 "
                                   "pour les deux. Repris : angle VAL %4.")
                        .arg(layout::degreesText(answers.at(0).valAngle),
                             layout::degreesText(answers.at(1).valAngle),
                             layout::degreesText(a.drillingAngle),
                             layout::degreesText(a.valAngle)));
    cmdvls_autre->setText(QStringLiteral("Prendre l'angle VAL de ") +
                          layout::degreesText(other.valAngle));
    cmdvls_autre->show();
}

void LayoutWindow::report() {
    const std::optional<Reported> r = reported();
    if (!r)
        return;
    emit layoutReported(r->drillingAngle, r->pinToPap, r->valAngle);
    accept();
}

std::optional<LayoutPage> LayoutWindow::page() const {
    const Values v = values(false);
    const std::optional<layout::Scene> scene = sceneOf(v);
    if (!scene)
        return std::nullopt;
    const layout::DualAngle da{*v[AnglePerc], *v[DistPap], *v[AngleVal]};
    const double m = *v[PinMb];
    const layout::Pap pap{*v[PapH], *v[PapV]};
    const bool right = *request_.hand == layout::Hand::Right;
    const QString mbName =
        m == layout::DefaultPinToMb ? QStringLiteral("PSA") : QStringLiteral("MB");
    const layout::Vls vls = layout::toVls(da, m);
    const double height = layout::pinHeight(da, pap);

    // A recorded drilling prints its own date and driller.
    const BallDrilling* recorded = shown_ ? &drillings_.at(*shown_) : nullptr;
    const QString driller = recorded ? recorded->driller : request_.driller;
    LayoutPage p;
    p.shopName = request_.shopName;
    p.customer = request_.customer;
    p.date =
        recorded
            ? QDateTime::fromString(recorded->date, QStringLiteral("yyyy-MM-dd HH:mm:ss")).date()
            : services_.clock->today();
    if (!p.date.isValid())
        p.date = services_.clock->today();
    p.scene = *scene;
    p.sections = {
        {QStringLiteral("Client et boule"),
         {QStringLiteral("Client : ") + request_.customer,
          QStringLiteral("Main : ") +
              (right ? QStringLiteral("Droitier") : QStringLiteral("Gaucher")),
          QStringLiteral("Boule : ") + request_.ball, QStringLiteral("Perceur : ") + driller,
          QStringLiteral("Date : ") + p.date.toString(QStringLiteral("dd/MM/yyyy"))}},
        {QStringLiteral("Layout Dual Angle"),
         {QStringLiteral("Angle de perçage : ") + layout::degreesText(da.drillingAngle),
          QStringLiteral("Distance pin-PAP : ") + layout::inchesText(da.pinToPap),
          QStringLiteral("Angle VAL : ") + layout::degreesText(da.valAngle),
          QStringLiteral("Distance pin-%1 : ").arg(mbName) + layout::inchesText(m)}},
        {QStringLiteral("Layout VLS"),
         {QStringLiteral("Distance pin-PAP : ") + layout::inchesText(vls.pinToPap),
          QStringLiteral("Distance %1-PAP : ").arg(mbName) + layout::inchesText(vls.psaToPap),
          QStringLiteral("Tampon du pin : ") + layout::inchesText(vls.pinBuffer)}},
        {QStringLiteral("PAP et centre de prise"),
         {QStringLiteral("PAP horizontal : ") + layout::inchesText(pap.over),
          QStringLiteral("PAP vertical : ") + layout::inchesText(std::fabs(pap.up)) +
              (pap.up >= 0 ? QStringLiteral(" en haut") : QStringLiteral(" en bas")),
          QStringLiteral("Hauteur du pin : ") + heightText(height),
          QStringLiteral("Pin - centre de prise : ") +
              layout::inchesText(layout::pinToGrip(da, pap))}},
    };
    if (recorded)
        p.sections << recordedSections(*recorded);
    else if (const std::optional<drilling::Check> c = frmtrous->check())
        p.sections << LayoutSection{QStringLiteral("Règles"), {c->verdict}};
    const QString turnAtPin =
        right ? QStringLiteral("dans le sens inverse des aiguilles d'une montre")
              : QStringLiteral("dans le sens des aiguilles d'une montre");
    const QString turnAtPap =
        right ? QStringLiteral("dans le sens des aiguilles d'une montre")
              : QStringLiteral("dans le sens inverse des aiguilles d'une montre");
    p.steps = {
        QStringLiteral("Boule vue de l'extérieur, le CG sous le pin : tracer la ligne qui part du "
                       "pin vers le CG, et y marquer le %1 à %2 du pin.")
            .arg(mbName, tape(m)),
        QStringLiteral("Au pin, tourner de %1 à partir de la ligne pin-CG, %2, et mesurer %3 : "
                       "c'est le PAP.")
            .arg(layout::degreesText(da.drillingAngle), turnAtPin, tape(da.pinToPap)),
        QStringLiteral("Au PAP, tourner de %1 à partir de la ligne PAP-pin, %2 : c'est la moitié "
                       "haute de la VAL ; la tracer. Contrôle : le pin est à %3 de la VAL "
                       "(tampon du pin) et le %4 à %5 du PAP.")
            .arg(layout::degreesText(da.valAngle), turnAtPap, tape(vls.pinBuffer), mbName,
                 tape(vls.psaToPap)),
        QStringLiteral("Sur la VAL, mesurer %1 %2 depuis le PAP et y tracer la ligne médiane, "
                       "perpendiculaire à la VAL.")
            .arg(tape(std::fabs(pap.up)),
                 pap.up >= 0 ? QStringLiteral("vers le bas") : QStringLiteral("vers le haut")),
        QStringLiteral("Sur la ligne médiane, mesurer %1 vers la %2 de la VAL : c'est le centre de "
                       "prise. Contrôle : le pin est à %3 du centre de prise, %4.")
            .arg(tape(pap.over), right ? QStringLiteral("gauche") : QStringLiteral("droite"),
                 tape(layout::pinToGrip(da, pap)),
                 tape(std::fabs(height)) +
                     (height >= 0 ? QStringLiteral(" au-dessus de la ligne médiane")
                                  : QStringLiteral(" au-dessous de la ligne médiane"))),
    };
    return p;
}

void LayoutWindow::print() {
    if (const std::optional<LayoutPage> p = page())
        printLayout(*p, services_, this);
}

} // namespace vdn
