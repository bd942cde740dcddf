#include "driller/layout_window.h"

#include "data/stored_moment.h"

#include "driller/holes_frame.h"
#include "driller/layout_numbers.h"
#include "driller/layout_picture.h"
#include "widgets/guide_page.h"
#include "widgets/screen_fit.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace vdn {

namespace {

using enum LayoutController::Field;

const QString Red = QStringLiteral("color: #b41e1e;");

// The boxes a drilling keeps, in the order of currentTexts_.
constexpr LayoutController::Field Drawn[] = {AnglePerc, DistPap, AngleVal, PinMb, PapH, PapV};

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

} // namespace

LayoutWindow::LayoutWindow(const Services& services, const LayoutRequest& request, QSqlDatabase db,
                           QWidget* parent)
    : QDialog(parent), controller_(new LayoutController(services, request, std::move(db), this)) {
    setObjectName(QStringLiteral("VDN_implantation"));
    setWindowTitle(QStringLiteral("Implantation de la boule"));
    // The ball record cannot change under the window.
    setWindowModality(Qt::WindowModal);
    setAttribute(Qt::WA_DeleteOnClose);
    setGuidePage(this, QStringLiteral("implantation.md"));
    build();
    showRequest();
    connectControls();
    if (controller_->recordsDrillings() && controller_->loadDrillings())
        showDrillings();
    recompute();
    controller_->startEntry(currentHoles());
}

void LayoutWindow::showRequest() {
    const LayoutRequest& request = controller_->request();
    lblclient->setText(QStringLiteral("Client : ") + request.customer);
    lblmain->setText(QStringLiteral("Main : ") + (!request.hand ? QStringLiteral("non notée")
                                                  : *request.hand == layout::Hand::Right
                                                      ? QStringLiteral("Droitier")
                                                      : QStringLiteral("Gaucher")));
    showBallName(request.pounds);
    const QStringList missing = controller_->missing();
    lblmanque->setText(missing.join(QLatin1Char('\n')));
    lblmanque->setVisible(!missing.isEmpty());
    const LayoutController::Texts opening = controller_->openingTexts();
    for (Field f : Drawn)
        boxes_[f]->setText(opening[f]);
    cbonoyau->setCurrentIndex(controller_->core() == layout::Core::Asymmetric ? 1 : 0);
    frmtrous->setPounds(request.pounds);
    frmtrous->setProfile(drilling::profileOf(request.profile));
}

void LayoutWindow::connectControls() {
    for (int f = 0; f < LayoutController::FieldCount; ++f)
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
    connect(frmtrous, &HolesFrame::changed, this, &LayoutWindow::recompute);
    connect(cbonoyau, &QComboBox::currentIndexChanged, this, &LayoutWindow::recompute);
    connect(frmtrous, &HolesFrame::profileChosen, controller_, &LayoutController::storeProfile);
    connect(controller_, &LayoutController::valuesForBall, this, &LayoutWindow::valuesForBall);
    connect(controller_, &LayoutController::drillingRecorded, this, &LayoutWindow::afterRecording);
}

BallDrilling LayoutWindow::currentHoles() const {
    // While a past drilling is shown, the current one waits in currentHoles_.
    if (shown_)
        return currentHoles_;
    BallDrilling d;
    frmtrous->store(d);
    d.comment = txtcommentaire->text();
    return d;
}

layout::Core LayoutWindow::core() const {
    return cbonoyau->currentIndex() == 1 ? layout::Core::Asymmetric : layout::Core::Symmetric;
}

LayoutController::Texts LayoutWindow::texts() const {
    LayoutController::Texts t;
    for (int f = 0; f < LayoutController::FieldCount; ++f)
        t[f] = boxes_[f]->text();
    return t;
}

LayoutController::Entry LayoutWindow::entry() const {
    LayoutController::Entry e{texts(), {}, frmtrous->holes(), core()};
    frmtrous->store(e.holes);
    e.holes.comment = txtcommentaire->text();
    return e;
}

bool LayoutWindow::settleEntry() {
    if (!controller_->entryChanged(currentHoles()))
        return true;
    switch (controller_->askToRecord()) {
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
    buildCustomer(left);
    buildFields();

    auto* dual = new QGroupBox(QStringLiteral("Layout Dual Angle de la boule"), this);
    dual->setObjectName(QStringLiteral("frmdual"));
    auto* dualGrid = new QGridLayout(dual);
    addFields(dualGrid, {AnglePerc, DistPap, AngleVal, PinMb});
    cbonoyau = new QComboBox(dual);
    cbonoyau->setObjectName(QStringLiteral("cbonoyau"));
    cbonoyau->addItem(QStringLiteral("Symétrique : depuis le CG"));
    cbonoyau->addItem(QStringLiteral("Asymétrique : depuis le MB"));
    const int coreRow = dualGrid->rowCount();
    dualGrid->addWidget(named("", dual, QStringLiteral("Noyau :")), coreRow, 0);
    dualGrid->addWidget(cbonoyau, coreRow, 1, 1, 2, Qt::AlignLeft);
    left->addWidget(dual);

    auto* pap = new QGroupBox(QStringLiteral("PAP du client (depuis le centre de prise)"), this);
    pap->setObjectName(QStringLiteral("frmpap"));
    addFields(new QGridLayout(pap), {PapH, PapV});
    left->addWidget(pap);

    buildResults(left);
    buildVls(left);
    buildActions(left);

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
}

void LayoutWindow::showBallName(const QString& pounds) {
    const QString name = controller_->ballName(pounds);
    lblboule->setText(name);
    setWindowTitle(controller_->request().line.isEmpty()
                       ? QStringLiteral("Implantation de la boule")
                       : QStringLiteral("Implantation – ") + name);
}

void LayoutWindow::showDrillingBanner() {
    if (!shown_) {
        lbldernier->setStyleSheet(QString());
        lbldernier->setText(controller_->lastDrillingText());
        return;
    }
    // A past drilling cannot be changed: said where the eye is, in the
    // place of the newest drilling's line, so that nothing below moves.
    const BallDrilling& d = controller_->drillings().at(*shown_);
    const QDateTime when = readStoredMoment(d.date);
    lbldernier->setStyleSheet(QStringLiteral("font-weight: bold; background: #fff3c4;"));
    lbldernier->setText(
        QStringLiteral("Perçage n° %1 du %2 (lecture seule)")
            .arg(d.number.toInt())
            .arg(when.isValid() ? when.toString(QStringLiteral("dd/MM/yyyy' à 'HH:mm")) : d.date));
}

void LayoutWindow::buildCustomer(QBoxLayout* left) {
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
}

void LayoutWindow::buildFields() {
    for (int f = 0; f < LayoutController::FieldCount; ++f) {
        const LayoutFieldRule& rule = LayoutController::rule(Field(f));
        boxes_[f] = new QLineEdit(this);
        boxes_[f]->setObjectName(QLatin1String(rule.name));
        boxes_[f]->setMaxLength(64);
        boxes_[f]->setFixedWidth(110);
        messages_[f] = named("", this);
        messages_[f]->setObjectName(QStringLiteral("lblmsg_") + QLatin1String(rule.name));
        messages_[f]->setWordWrap(true);
        messages_[f]->setStyleSheet(Red);
        messages_[f]->setMinimumWidth(300);
        // Room for two lines from the start: the rows keep their places as
        // messages come and go while typing.
        messages_[f]->setMinimumHeight(2 * messages_[f]->fontMetrics().lineSpacing());
    }
}

void LayoutWindow::buildResults(QBoxLayout* left) {
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
}

void LayoutWindow::buildVls(QBoxLayout* left) {
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
    connect(cmdconvertir, &QPushButton::clicked, this, &LayoutWindow::convertVls);
    connect(cmdvls_autre, &QPushButton::clicked, this,
            [this] { takeVlsAnswer(vlsTaken_ == 0 ? 1 : 0); });
}

void LayoutWindow::buildActions(QBoxLayout* left) {
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
    connect(cmdreporter, &QPushButton::clicked, this, &LayoutWindow::writeValuesToBall);
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

void LayoutWindow::showDrillings() {
    {
        const QSignalBlocker quiet(lstpercages);
        while (lstpercages->count() > 1)
            delete lstpercages->takeItem(1);
        for (const BallDrilling& d : controller_->drillings())
            lstpercages->addItem(QStringLiteral("N° %1 du %2 par %3")
                                     .arg(d.number.toInt())
                                     .arg(d.dayText(), d.driller));
    }
    showDrillingBanner();
}

void LayoutWindow::setEditable(bool editable) {
    for (QLineEdit* b : boxes_)
        b->setReadOnly(!editable);
    frmtrous->setReadOnly(!editable);
    txtcommentaire->setReadOnly(!editable);
    cmdconvertir->setEnabled(editable);
}

void LayoutWindow::showDrilling(int index) {
    const QList<BallDrilling>& drillings = controller_->drillings();
    if (index <= 0 || index > drillings.size()) {
        if (!shown_)
            return;
        shown_.reset();
        for (int i = 0; i < int(std::size(Drawn)); ++i)
            boxes_[Drawn[i]]->setText(currentTexts_.value(i));
        frmtrous->fill(currentHoles_);
        txtcommentaire->setText(currentHoles_.comment);
        setEditable(true);
        showBallName(controller_->request().pounds);
        showDrillingBanner();
        recompute();
        return;
    }
    if (!shown_) {
        currentTexts_.clear();
        for (Field f : Drawn)
            currentTexts_ << boxes_[f]->text();
        currentHoles_ = {};
        frmtrous->store(currentHoles_);
        currentHoles_.comment = txtcommentaire->text();
    }
    shown_ = index - 1;
    const BallDrilling& d = drillings.at(index - 1);
    const QString* texts[] = {&d.drillingAngle, &d.pinToPap, &d.valAngle,
                              &d.pinToMb,       &d.over,     &d.up};
    for (int i = 0; i < int(std::size(Drawn)); ++i)
        boxes_[Drawn[i]]->setText(*texts[i]);
    frmtrous->fill(d);
    txtcommentaire->setText(d.comment);
    setEditable(false);
    showBallName(d.pounds);
    showDrillingBanner();
    recompute();
}

void LayoutWindow::recordDrilling() {
    if (!controller_->recordsDrillings() || shown_)
        return;
    writeDrilling(true);
}

bool LayoutWindow::writeDrilling(bool confirm) {
    return controller_->record(entry(), confirm);
}

void LayoutWindow::afterRecording() {
    if (controller_->loadDrillings())
        showDrillings();
    updateRecordButton();
    emit drillingRecorded();
}

void LayoutWindow::addFields(QGridLayout* grid, std::initializer_list<Field> fields) {
    int row = grid->rowCount() > 1 ? grid->rowCount() : 0;
    for (Field f : fields) {
        auto* caption = named("", boxes_[f]->parentWidget(),
                              QString::fromUtf8(LayoutController::rule(f).caption));
        grid->addWidget(caption, row, 0);
        grid->addWidget(boxes_[f], row, 1);
        grid->addWidget(messages_[f], row, 2);
        ++row;
    }
    grid->setColumnStretch(2, 1);
}

std::optional<double> LayoutWindow::value(Field f, bool say) const {
    LayoutFieldReading r = LayoutController::read(f, boxes_[f]->text());
    if (say)
        messages_[f]->setText(r.message);
    return r.value;
}

LayoutWindow::Values LayoutWindow::values(bool sayVls) const {
    Values v;
    for (int f = 0; f < LayoutController::FieldCount; ++f) {
        const bool vlsField = f == VlsPsa || f == VlsTampon;
        v[f] = value(Field(f), !vlsField || sayVls);
    }
    return v;
}

void LayoutWindow::recompute() {
    const Values v = values(false);
    showResults(v);

    const std::optional<layout::Scene> scene = controller_->scene(v, core());
    if (scene)
        picimplantation->setScene(*scene);
    picimplantation->setEnabled(scene.has_value());
    cmdimp_implantation->setEnabled(scene.has_value());

    if (const std::optional<BallLayoutTexts> t = controller_->ballTexts(texts())) {
        lblreporter->setText(QStringLiteral("Sera écrit : ") + t->drillingAngle +
                             QStringLiteral(" < ") + t->pinToPap + QStringLiteral(" < ") +
                             t->valAngle);
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

void LayoutWindow::showResults(const Values& v) {
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
        lblhauteur_pin->setText(layout::heightText(layout::pinHeight(da, pap)));
        lblpin_centre->setText(layout::inchesText(layout::pinToGrip(da, pap)));
    }
}

void LayoutWindow::updateRecordButton() {
    // Once recorded, the same drilling waits for a change before it can be
    // recorded again: a second click makes no second row.
    const bool recorded =
        !shown_ && controller_->hasRecorded() && controller_->sameAsRecorded(entry());
    cmdenregistrer_percage->setEnabled(controller_->recordsDrillings() && !shown_ && !recorded);
    cmdenregistrer_percage->setToolTip(
        recorded ? QStringLiteral("Ce perçage est enregistré : modifiez-le pour en enregistrer un "
                                  "autre.")
                 : QString());
}

void LayoutWindow::convertVls() {
    const Values v = values(true);
    vlsAnswers_.clear();
    cmdvls_autre->hide();
    if (!v[DistPap] || !v[PinMb] || !v[VlsPsa] || !v[VlsTampon]) {
        lblvls->setText(QStringLiteral("Conversion impossible : corrigez les valeurs signalées."));
        return;
    }
    using layout::tapeText;
    const layout::FromVls f = layout::fromVls({*v[DistPap], *v[VlsPsa], *v[VlsTampon]}, *v[PinMb]);
    switch (f.problem) {
    case layout::FromVls::Problem::BufferTooWide:
        lblvls->setText(QStringLiteral("Impossible : un tampon du pin de %1 demande une distance "
                                       "pin-PAP d'au moins autant (ici %2).")
                            .arg(tapeText(*v[VlsTampon]), tapeText(*v[DistPap])));
        return;
    case layout::FromVls::Problem::PsaOutOfReach:
        lblvls->setText(QStringLiteral("Impossible : à %1 du pin, le PAP est à %2 à %3 du %4 "
                                       "(ici %5).")
                            .arg(tapeText(*v[DistPap]), tapeText(f.reachFrom), tapeText(f.reachTo),
                                 *v[PinMb] == layout::DefaultPinToMb ? QStringLiteral("PSA")
                                                                     : QStringLiteral("MB"),
                                 tapeText(*v[VlsPsa])));
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

void LayoutWindow::writeValuesToBall() {
    if (controller_->writeValuesToBall(texts()))
        accept();
}

std::optional<LayoutPage> LayoutWindow::page() const {
    return controller_->page(entry(), shown_ ? &controller_->drillings().at(*shown_) : nullptr);
}

void LayoutWindow::print() {
    controller_->print(entry(), shown_ ? &controller_->drillings().at(*shown_) : nullptr);
}

} // namespace vdn
