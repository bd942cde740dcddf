#include "drilling/drilling_panel.h"

#include <QLabel>

namespace vdn {

namespace {
constexpr int px(int twips) {
    return twips / 15;
}
} // namespace

DrillingPanel::DrillingPanel(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("Frame400"));
    setAutoFillBackground(true);
    QPalette blue = palette();
    blue.setColor(QPalette::Window, QColor(192, 192, 255));
    setPalette(blue);

    Frame24 = new QWidget(this);
    Frame24->setObjectName(QStringLiteral("Frame24"));
    Frame24->setGeometry(0, px(120), px(11055), px(10575));

    Label40 = new QLabel(QStringLiteral("Fiche de perçage"), Frame24);
    Label40->setObjectName(QStringLiteral("Label40"));
    Label40->setGeometry(px(240), px(240), px(2055), px(615));
    QFont title = Label40->font();
    title.setBold(true);
    title.setPointSizeF(title.pointSizeF() * 1.3);
    Label40->setFont(title);

    Label25 = new QLabel(Frame24);
    Label25->setObjectName(QStringLiteral("Label25"));
    Label25->setTextFormat(Qt::PlainText);
    Label25->setGeometry(px(7200), px(240), px(3495), px(660));
    QFont name = Label25->font();
    name.setBold(true);
    Label25->setFont(name);
}

void DrillingPanel::setCustomerName(const QString& nameLine) {
    Label25->setText(nameLine);
}

} // namespace vdn
