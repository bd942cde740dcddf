#include "balls/ball_panel.h"

#include "platform/clickable_label.h"

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

QPixmap blank(int size) {
    QPixmap p(size, size);
    p.fill(Qt::transparent);
    return p;
}

// A record card with a pencil across it: modify the customer.
QPixmap editCard(int size) {
    QPixmap p = blank(size);
    QPainter g(&p);
    g.setRenderHint(QPainter::Antialiasing);
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
    return p;
}

// A sheet with a plus sign (create) or a magnifying glass (view).
QPixmap sheet(int size, bool create) {
    QPixmap p = blank(size);
    QPainter g(&p);
    g.setRenderHint(QPainter::Antialiasing);
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
    return p;
}

} // namespace

BallPanel::BallPanel(QWidget* parent) : QGroupBox(QStringLiteral("Suivi du Matériel "), parent) {
    setObjectName(QStringLiteral("Frame300"));
    setAutoFillBackground(true);

    // Summary of the current customer.
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

    Image2 = new ClickableLabel(this);
    Image2->setObjectName(QStringLiteral("Image2"));
    Image2->setPixmap(editCard(56));
    Image2->setFixedSize(60, 60);
    Image2->setCursor(Qt::PointingHandCursor);
    Image2->setToolTip(QStringLiteral("Modifier la fiche du client"));

    // The way into the drilling sheet.
    Frame9 = new QGroupBox(QStringLiteral("FICHE DE PERCAGE"), this);
    Frame9->setObjectName(QStringLiteral("Frame9"));
    Frame9->setFixedSize(5175 / 15, 2055 / 15);
    Frame9->setAutoFillBackground(true);
    QPalette blue = Frame9->palette();
    blue.setColor(QPalette::Window, SheetBlue);
    Frame9->setPalette(blue);
    Label31 = new ClickableLabel(
        QStringLiteral("Visualisation/modification de la fiche de percage"), Frame9);
    Label31->setObjectName(QStringLiteral("Label31"));
    Label31->setGeometry(240 / 15, 480 / 15, 3975 / 15, 375 / 15);
    Label31->setWordWrap(true);
    cmdmodif_fiche = new ClickableLabel(Frame9);
    cmdmodif_fiche->setObjectName(QStringLiteral("cmdmodif_fiche"));
    cmdmodif_fiche->setPixmap(sheet(30, false));
    cmdmodif_fiche->setGeometry(4320 / 15, 360 / 15, 32, 32);
    cmdmodif_fiche->setCursor(Qt::PointingHandCursor);
    Label32 = new ClickableLabel(QStringLiteral("Création d'une fiche de percage"), Frame9);
    Label32->setObjectName(QStringLiteral("Label32"));
    Label32->setGeometry(240 / 15, 840 / 15, 3975 / 15, 375 / 15);
    cmdajout_fiche = new QToolButton(Frame9);
    cmdajout_fiche->setObjectName(QStringLiteral("cmdajout_fiche"));
    cmdajout_fiche->setIcon(QIcon(sheet(26, true)));
    cmdajout_fiche->setIconSize(QSize(26, 26));
    cmdajout_fiche->setGeometry(4320 / 15, 720 / 15, 33, 33);
    cmdajout_fiche->setAutoRaise(true);
    connect(cmdajout_fiche, &QToolButton::clicked, this, &BallPanel::createSheetClicked);
    connect(Label32, &ClickableLabel::clicked, this, &BallPanel::createSheetClicked);
    connect(cmdmodif_fiche, &ClickableLabel::clicked, this, &BallPanel::openSheetClicked);
    connect(Label31, &ClickableLabel::clicked, this, &BallPanel::openSheetClicked);

    // The balls of the customer: the filter, then room for the list and
    // the ball record.
    groupBoules = new QGroupBox(QStringLiteral("Boules"), this);
    groupBoules->setObjectName(QStringLiteral("groupBoules"));
    Option6 = new QButtonGroup(this);
    const QString captions[] = {QStringLiteral("Toutes les boules"),
                                QStringLiteral("Les boules en cours"),
                                QStringLiteral("Les boules historique")};
    QRadioButton** options[] = {&Option6_0, &Option6_1, &Option6_2};
    auto* filterRow = new QHBoxLayout;
    for (int i = 0; i < 3; ++i) {
        *options[i] = new QRadioButton(captions[i], groupBoules);
        (*options[i])->setObjectName(QStringLiteral("Option6_%1").arg(i));
        Option6->addButton(*options[i], i);
        filterRow->addWidget(*options[i]);
    }
    filterRow->addStretch(1);
    auto* ballsLayout = new QVBoxLayout(groupBoules);
    ballsLayout->addLayout(filterRow);
    ballsLayout->addStretch(1);
    connect(Option6, &QButtonGroup::idToggled, this, [this](int, bool checked) {
        if (checked)
            emit filterChanged();
    });

    connect(Image2, &ClickableLabel::clicked, this, &BallPanel::modifyCustomerClicked);

    auto* top = new QHBoxLayout;
    top->addWidget(summary, 1);
    top->addWidget(Image2, 0, Qt::AlignTop);
    top->addSpacing(20);
    top->addWidget(Frame9, 0, Qt::AlignTop);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(groupBoules, 1);
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
