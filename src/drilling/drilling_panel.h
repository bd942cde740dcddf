#pragma once

#include <QWidget>

class QLabel;

namespace vdn {

// The drilling sheet panel Frame400 of the customer window. It carries the
// name of the customer whose sheet it is (Label25); the sheet itself is laid
// out on it by the drilling sheet code.
class DrillingPanel : public QWidget {
    Q_OBJECT
public:
    explicit DrillingPanel(QWidget* parent = nullptr);

    // The customer's sigle and name, as the summary's name line.
    void setCustomerName(const QString& nameLine);

    QWidget* Frame24 = nullptr; // the diagram area
    QLabel* Label40 = nullptr;
    QLabel* Label25 = nullptr;
};

} // namespace vdn
