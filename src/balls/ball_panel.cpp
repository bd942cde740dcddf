#include "balls/ball_panel.h"

#include "balls/ball_list_model.h"
#include "balls/ball_record_panel.h"
#include "platform/clickable_label.h"
#include "platform/twips.h"
#include "widgets/pictures.h"
#include "widgets/text_cell_delegate.h"

#include <QApplication>
#include <QEvent>
#include <QHeaderView>
#include <QTableView>

#include <QButtonGroup>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QRadioButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace vdn {

namespace {

const QColor SheetBlue(192, 192, 255);

// A record card with a pencil across it: modify the customer.
QPixmap editCard(int size) {
    return pictures::painted(QSize(size, size), [&](QPainter& g) {
        const double s = size;
        g.setPen(QPen(QColor(70, 90, 130), s * 0.04));
        g.setBrush(QColor(250, 250, 240));
        g.drawRoundedRect(QRectF(s * 0.08, s * 0.12, s * 0.62, s * 0.78), s * 0.05, s * 0.05);
        g.setPen(QPen(QColor(150, 160, 180), s * 0.035));
        for (int i = 0; i < 4; ++i) {
            const double y = s * (0.3 + 0.14 * i);
            g.drawLine(QPointF(s * 0.17, y), QPointF(s * 0.6, y));
        }
        g.translate(s * 0.62, s * 0.52);
        g.rotate(45);
        g.setPen(Qt::NoPen);
        g.setBrush(QColor(230, 170, 40));
        g.drawRect(QRectF(-s * 0.08, -s * 0.42, s * 0.16, s * 0.6));
        g.setBrush(QColor(230, 120, 130));
        g.drawRect(QRectF(-s * 0.08, -s * 0.5, s * 0.16, s * 0.08));
        QPainterPath tip;
        tip.moveTo(-s * 0.08, s * 0.18);
        tip.lineTo(s * 0.08, s * 0.18);
        tip.lineTo(0, s * 0.32);
        tip.closeSubpath();
        g.setBrush(QColor(240, 220, 180));
        g.drawPath(tip);
    });
}

// A sheet with a plus sign (create) or a magnifying glass (view).
QPixmap sheet(int size, bool create) {
    return pictures::painted(QSize(size, size), [&](QPainter& g) {
        const double s = size;
        g.setPen(QPen(QColor(60, 60, 90), s * 0.05));
        g.setBrush(Qt::white);
        g.drawRect(QRectF(s * 0.15, s * 0.08, s * 0.55, s * 0.8));
        g.setPen(QPen(QColor(140, 140, 170), s * 0.04));
        for (int i = 0; i < 3; ++i)
            g.drawLine(QPointF(s * 0.25, s * (0.28 + 0.15 * i)),
                       QPointF(s * 0.6, s * (0.28 + 0.15 * i)));
        if (create) {
            g.setPen(QPen(QColor(30, 140, 60), s * 0.12, Qt::SolidLine, Qt::RoundCap));
            g.drawLine(QPointF(s * 0.72, s * 0.55), QPointF(s * 0.72, s * 0.9));
            g.drawLine(QPointF(s * 0.55, s * 0.72), QPointF(s * 0.89, s * 0.72));
        } else {
            g.setPen(QPen(QColor(40, 70, 140), s * 0.08));
            g.setBrush(Qt::NoBrush);
            g.drawEllipse(QPointF(s * 0.68, s * 0.66), s * 0.14, s * 0.14);
            g.drawLine(QPointF(s * 0.78, s * 0.76), QPointF(s * 0.93, s * 0.92));
        }
    });
}

// Picture buttons of the ball list: a ball with a plus sign (add), with a
// cross (delete), a printer (print).
QPixmap ballButton(int size, int kind) {
    return pictures::painted(QSize(size, size), [&](QPainter& g) {
        const double s = size;
        if (kind == 2) {
            g.setPen(QPen(QColor(60, 60, 70), s * 0.05));
            g.setBrush(QColor(250, 250, 250));
            g.drawRect(QRectF(s * 0.28, s * 0.08, s * 0.44, s * 0.3));
            g.setBrush(QColor(150, 155, 170));
            g.drawRoundedRect(QRectF(s * 0.08, s * 0.34, s * 0.84, s * 0.36), s * 0.06, s * 0.06);
            g.setBrush(QColor(250, 250, 250));
            g.drawRect(QRectF(s * 0.26, s * 0.58, s * 0.48, s * 0.34));
            return;
        }
        QRadialGradient shine(QPointF(s * 0.35, s * 0.35), s * 0.5);
        shine.setColorAt(0, QColor(120, 150, 230));
        shine.setColorAt(1, QColor(30, 40, 120));
        g.setPen(Qt::NoPen);
        g.setBrush(shine);
        g.drawEllipse(QRectF(s * 0.04, s * 0.04, s * 0.72, s * 0.72));
        g.setBrush(QColor(10, 10, 30));
        for (const QPointF& hole : {QPointF(0.32, 0.26), QPointF(0.48, 0.26), QPointF(0.4, 0.46)})
            g.drawEllipse(QPointF(s * hole.x(), s * hole.y()), s * 0.05, s * 0.05);
        const QColor mark = kind == 0 ? QColor(30, 140, 60) : QColor(190, 40, 40);
        g.setPen(QPen(mark, s * 0.12, Qt::SolidLine, Qt::RoundCap));
        const QPointF c(s * 0.76, s * 0.76);
        const double r = s * 0.15;
        if (kind == 0) {
            g.drawLine(c - QPointF(0, r), c + QPointF(0, r));
            g.drawLine(c - QPointF(r, 0), c + QPointF(r, 0));
        } else {
            g.drawLine(c - QPointF(r, r), c + QPointF(r, r));
            g.drawLine(c - QPointF(r, -r), c + QPointF(r, -r));
        }
    });
}

QToolButton* pictureButton(const char* name, const QPixmap& picture, const QString& tip,
                           QWidget* parent) {
    auto* b = new QToolButton(parent);
    b->setObjectName(QLatin1String(name));
    b->setIcon(QIcon(picture));
    b->setIconSize(picture.size());
    b->setToolTip(tip);
    b->setAutoRaise(true);
    return b;
}

} // namespace

BallPanel::BallPanel(QWidget* parent) : QGroupBox(QStringLiteral("Suivi du Matériel "), parent) {
    setObjectName(QStringLiteral("Frame300"));
    setAutoFillBackground(true);

    QWidget* summary = buildSummary();
    buildEditButton();
    buildSheetFrame();

    // The balls of the customer: the list, then the filter and the
    // buttons, which the ball record covers while a ball is open.
    groupBoules = new QGroupBox(QStringLiteral("Boules"), this);
    groupBoules->setObjectName(QStringLiteral("groupBoules"));
    buildBalls(new QVBoxLayout(groupBoules));

    auto* top = new QHBoxLayout;
    top->addWidget(summary, 1);
    top->addWidget(Image2, 0, Qt::AlignTop);
    top->addSpacing(20);
    top->addWidget(Frame9, 0, Qt::AlignTop);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(groupBoules, 1);
}

BallPanel::~BallPanel() {
    // The grid's focus moves while the children go; the model may be gone.
    disconnect(focusWatch_);
}

QWidget* BallPanel::buildSummary() {
    auto* summary = new QWidget(this);
    summary->setObjectName(QStringLiteral("summary"));
    auto* summaryLayout = new QGridLayout(summary);
    summaryLayout->setVerticalSpacing(2);
    for (int i = 0; i < 8; ++i) {
        lbl[i] = new QLabel(summary);
        lbl[i]->setObjectName(QStringLiteral("lbl_%1").arg(i + 1));
        lbl[i]->setTextFormat(Qt::PlainText);
        lbl[i]->setMinimumWidth(330);
    }
    QFont nameFont = lbl[0]->font();
    nameFont.setBold(true);
    nameFont.setPointSizeF(nameFont.pointSizeF() * 1.25);
    lbl[0]->setFont(nameFont);
    // Name and address on the left, town and particulars on the right.
    summaryLayout->addWidget(lbl[0], 0, 0, 1, 2);
    summaryLayout->addWidget(lbl[1], 1, 0);
    summaryLayout->addWidget(lbl[2], 2, 0);
    summaryLayout->addWidget(lbl[3], 3, 0);
    summaryLayout->addWidget(lbl[4], 1, 1);
    summaryLayout->addWidget(lbl[5], 2, 1);
    summaryLayout->addWidget(lbl[6], 4, 0, 1, 2);
    summaryLayout->addWidget(lbl[7], 5, 0, 1, 2);
    return summary;
}

void BallPanel::buildEditButton() {
    Image2 = new ClickableLabel(this);
    Image2->setObjectName(QStringLiteral("Image2"));
    Image2->setPixmap(editCard(56));
    Image2->setFixedSize(60, 60);
    Image2->setCursor(Qt::PointingHandCursor);
    Image2->setToolTip(QStringLiteral("Modifier la fiche du client"));
    connect(Image2, &ClickableLabel::clicked, this, &BallPanel::modifyCustomerClicked);
}

void BallPanel::buildSheetFrame() {
    Frame9 = new QGroupBox(QStringLiteral("FICHE DE PERCAGE"), this);
    Frame9->setObjectName(QStringLiteral("Frame9"));
    Frame9->setFixedSize(px(5175), px(2055));
    Frame9->setAutoFillBackground(true);
    QPalette blue = Frame9->palette();
    blue.setColor(QPalette::Window, SheetBlue);
    Frame9->setPalette(blue);
    Label31 = new ClickableLabel(
        QStringLiteral("Visualisation/modification de la fiche de percage"), Frame9);
    Label31->setObjectName(QStringLiteral("Label31"));
    // Two lines: the caption is wider than the box at this font.
    Label31->setGeometry(twipsRect(240, 480, 3975, 2 * 375));
    Label31->setWordWrap(true);
    cmdmodif_fiche = new ClickableLabel(Frame9);
    cmdmodif_fiche->setObjectName(QStringLiteral("cmdmodif_fiche"));
    cmdmodif_fiche->setPixmap(sheet(30, false));
    cmdmodif_fiche->setGeometry(px(4320), px(360), 32, 32);
    cmdmodif_fiche->setCursor(Qt::PointingHandCursor);
    Label32 = new ClickableLabel(QStringLiteral("Création d'une fiche de percage"), Frame9);
    Label32->setObjectName(QStringLiteral("Label32"));
    Label32->setGeometry(twipsRect(240, 840, 3975, 375));
    cmdajout_fiche = new QToolButton(Frame9);
    cmdajout_fiche->setObjectName(QStringLiteral("cmdajout_fiche"));
    cmdajout_fiche->setIcon(QIcon(sheet(26, true)));
    cmdajout_fiche->setIconSize(QSize(26, 26));
    cmdajout_fiche->setGeometry(px(4320), px(720), 33, 33);
    cmdajout_fiche->setAutoRaise(true);
    connect(cmdajout_fiche, &QToolButton::clicked, this, &BallPanel::createSheetClicked);
    connect(Label32, &ClickableLabel::clicked, this, &BallPanel::createSheetClicked);
    connect(cmdmodif_fiche, &ClickableLabel::clicked, this, &BallPanel::openSheetClicked);
    connect(Label31, &ClickableLabel::clicked, this, &BallPanel::openSheetClicked);
}

void BallPanel::buildBalls(QVBoxLayout* ballsLayout) {
    model_ = new BallListModel(this);
    QLabel* gridCaption = buildGrid();
    connectGrid();
    buildListControls();
    Frame8 = new BallRecordPanel(groupBoules);
    Frame8->hide();
    Frame8->installEventFilter(this);

    ballsLayout->addWidget(gridCaption);
    ballsLayout->addWidget(DBGrid2, 1);
    ballsLayout->addWidget(listControls);
    ballsLayout->addWidget(Frame8);
}

QLabel* BallPanel::buildGrid() {
    DBGrid2 = new BallGrid(groupBoules);
    DBGrid2->setObjectName(QStringLiteral("DBGrid2"));
    DBGrid2->setAccessibleName(QStringLiteral("LE MATERIEL "));
    DBGrid2->setToolTip(QStringLiteral("LE MATERIEL "));
    DBGrid2->setModel(model_);
    DBGrid2->setItemDelegate(new TextCellDelegate(DBGrid2));
    DBGrid2->setSelectionBehavior(QAbstractItemView::SelectRows);
    DBGrid2->setSelectionMode(QAbstractItemView::SingleSelection);
    // Only the bag number accepts editing (the model refuses the others).
    DBGrid2->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                             QAbstractItemView::AnyKeyPressed);
    DBGrid2->verticalHeader()->hide();
    DBGrid2->verticalHeader()->setDefaultSectionSize(20);
    DBGrid2->horizontalHeader()->setSectionsClickable(true);
    DBGrid2->horizontalHeader()->setHighlightSections(false);
    const int widths[BallColumnCount] = {60, 45, 110, 130, 110, 45, 100,
                                         50, 60, 50,  180, 100, 80, 0};
    for (int c = 0; c < BallColumnCount; ++c)
        DBGrid2->setColumnWidth(c, widths[c]);
    // The date's sort key exists for the sort only.
    DBGrid2->setColumnHidden(int(BallColumn::DateKey), true);
    DBGrid2->setMinimumHeight(150);
    auto* gridCaption = new QLabel(QStringLiteral("LE MATERIEL "), groupBoules);
    gridCaption->setObjectName(QStringLiteral("DBGrid2Caption"));
    QFont bold = gridCaption->font();
    bold.setBold(true);
    gridCaption->setFont(bold);
    return gridCaption;
}

void BallPanel::connectGrid() {
    connect(DBGrid2, &QTableView::clicked, this, [this](const QModelIndex& index) {
        // The release that ends a double-click opening the editor is no row click.
        if (!index.isValid() || DBGrid2->isEditing())
            return;
        // A click on the bag number edits it in place; elsewhere it opens the
        // ball (which reloads the grid, so it could never reach the editor).
        if (index.column() == int(BallColumn::Bag))
            DBGrid2->edit(index);
        else
            emit ballRowClicked(index.row());
    });
    connect(DBGrid2->horizontalHeader(), &QHeaderView::sectionClicked, this, [this](int c) {
        if (c >= 0 && c < BallColumnCount)
            emit ballHeadingClicked(BallColumn(c));
    });
    connect(DBGrid2->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex&, const QModelIndex& previous) {
                if (previous.isValid() && model_->pendingRow() == previous.row())
                    commitBag();
            });
    // Leaving the grid for any other control leaves the row too.
    focusWatch_ = connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
        if (model_->pendingRow() && !(now && (now == DBGrid2 || DBGrid2->isAncestorOf(now))))
            commitBag();
    });
}

void BallPanel::buildListControls() {
    listControls = new QWidget(groupBoules);
    listControls->setObjectName(QStringLiteral("listControls"));
    QLayout* filterColumn = buildFilter();
    buildBallButtons();
    buildPrintButton();
    auto* controlsLayout = new QHBoxLayout(listControls);
    controlsLayout->setContentsMargins(0, 0, 0, 0);
    controlsLayout->addLayout(filterColumn);
    controlsLayout->addSpacing(30);
    controlsLayout->addWidget(Frame7);
    controlsLayout->addStretch(1);
    controlsLayout->addWidget(cmdimp_mat);
    controlsLayout->addWidget(Label45);
}

QLayout* BallPanel::buildFilter() {
    Option6 = new QButtonGroup(this);
    const QString captions[] = {QStringLiteral("Toutes les boules"),
                                QStringLiteral("Les boules en cours"),
                                QStringLiteral("Les boules historique")};
    QRadioButton** options[] = {&Option6_0, &Option6_1, &Option6_2};
    auto* filterColumn = new QVBoxLayout;
    for (int i = 0; i < 3; ++i) {
        *options[i] = new QRadioButton(captions[i], listControls);
        (*options[i])->setObjectName(QStringLiteral("Option6_%1").arg(i));
        Option6->addButton(*options[i], i);
        filterColumn->addWidget(*options[i]);
    }
    connect(Option6, &QButtonGroup::idToggled, this, [this](int, bool checked) {
        if (checked)
            emit filterChanged();
    });
    return filterColumn;
}

void BallPanel::buildBallButtons() {
    Frame7 = new QGroupBox(QStringLiteral("Boules"), listControls);
    Frame7->setObjectName(QStringLiteral("Frame7"));
    cmdajout_mat = pictureButton("cmdajout_mat", ballButton(36, 0),
                                 QStringLiteral("Ajouter une boule"), Frame7);
    cmdsupp_mat = pictureButton("cmdsupp_mat", ballButton(36, 1),
                                QStringLiteral("Supprimer la boule"), Frame7);
    auto* frame7Layout = new QHBoxLayout(Frame7);
    frame7Layout->addWidget(cmdajout_mat);
    frame7Layout->addWidget(cmdsupp_mat);
    connect(cmdajout_mat, &QToolButton::clicked, this, &BallPanel::addBallClicked);
    connect(cmdsupp_mat, &QToolButton::clicked, this, &BallPanel::deleteBallClicked);
}

void BallPanel::buildPrintButton() {
    cmdimp_mat = pictureButton("cmdimp_mat", ballButton(36, 2),
                               QStringLiteral("Edition du matériel du joueur"), listControls);
    Label45 = new ClickableLabel(QStringLiteral("Edition du matériel du joueur"), listControls);
    Label45->setObjectName(QStringLiteral("Label45"));
    Label45->setCursor(Qt::PointingHandCursor);
    connect(cmdimp_mat, &QToolButton::clicked, this, &BallPanel::printBallsClicked);
    connect(Label45, &ClickableLabel::clicked, this, &BallPanel::printBallsClicked);
}

bool BallPanel::eventFilter(QObject* watched, QEvent* event) {
    // The ball record lies over the filter and the add and delete buttons:
    // they are out of reach while a ball is open.
    if (watched == Frame8 && event->type() == QEvent::ShowToParent)
        listControls->hide();
    else if (watched == Frame8 && event->type() == QEvent::HideToParent)
        listControls->show();
    return QGroupBox::eventFilter(watched, event);
}

void BallPanel::showBalls(QList<BallRow> rows) {
    commitBag();
    // The ball that was current stays current when it is still listed, so
    // that the delete button takes the ball the user last looked at.
    QString currentLine;
    if (const std::optional<int> r = currentRow())
        currentLine = model_->row(*r).cell(BallColumn::Line);
    model_->setRows(std::move(rows));
    if (model_->rowCount() == 0)
        return;
    int row = 0;
    for (int r = 0; r < model_->rowCount(); ++r)
        if (model_->row(r).cell(BallColumn::Line) == currentLine)
            row = r;
    DBGrid2->setCurrentIndex(model_->index(row, 0));
}

std::optional<int> BallPanel::currentRow() const {
    if (model_->rowCount() == 0)
        return std::nullopt;
    const QModelIndex current = DBGrid2->currentIndex();
    return current.isValid() ? current.row() : 0;
}

bool BallPanel::commitBag() {
    if (const std::optional<int> row = model_->pendingRow())
        emit bagLeft(*row);
    return !model_->pendingRow();
}

void BallPanel::focusBag(int row) {
    const QModelIndex bag = model_->index(row, int(BallColumn::Bag));
    if (!bag.isValid())
        return;
    DBGrid2->setCurrentIndex(bag);
    DBGrid2->setFocus(Qt::OtherFocusReason);
}

void BallPanel::closeRecord() {
    Frame8->hide();
}

QString BallPanel::summaryName() const {
    return lbl[0]->text();
}

void BallPanel::showSummary(const CustomerSummary& s) {
    const QString texts[] = {s.nameLine, s.address1, s.address2, s.address3,
                             s.townLine, s.country,  s.handLine, s.phoneLine};
    for (int i = 0; i < 8; ++i)
        lbl[i]->setText(texts[i]);
}

BallFilter BallPanel::filter() const {
    if (Option6_1->isChecked())
        return BallFilter::Current;
    if (Option6_2->isChecked())
        return BallFilter::History;
    return BallFilter::All;
}

void BallPanel::setFilter(BallFilter filter) {
    QRadioButton* option = filter == BallFilter::Current   ? Option6_1
                           : filter == BallFilter::History ? Option6_2
                                                           : Option6_0;
    option->setChecked(true);
}

void BallPanel::setSheetExists(bool exists) {
    cmdajout_fiche->hide();
    cmdmodif_fiche->hide();
    Label31->hide();
    Label32->hide();
    cmdmodif_fiche->setVisible(exists);
    Label31->setVisible(exists);
    cmdajout_fiche->setVisible(!exists);
    Label32->setVisible(!exists);
}

} // namespace vdn
