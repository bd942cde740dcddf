#pragma once

#include "balls/ball_store.h"
#include "customers/customer_summary.h"

#include <QGroupBox>

class QButtonGroup;
class QLabel;
class QRadioButton;
class QToolButton;

namespace vdn {

class ClickableLabel;

// The ball panel Frame300 "Suivi du Matériel ": the summary of the current
// customer with the button that opens it for modification (Image2), the
// ball status filter, the group "Boules" that holds the ball list and the
// ball record, and the way into the drilling sheet (Frame9).
class BallPanel : public QGroupBox {
    Q_OBJECT
public:
    explicit BallPanel(QWidget* parent = nullptr);

    void showSummary(const CustomerSummary& summary);
    // The status filter the user chose.
    BallFilter filter() const;
    void setFilter(BallFilter filter);
    // Shows the drilling sheet entry that fits: view/modify when the customer
    // has a sheet, create otherwise.
    void setSheetExists(bool exists);

    // Where the ball grid and its buttons go.
    QGroupBox* ballsGroup() const { return groupBoules; }

    std::array<QLabel*, 8> lbl{}; // lbl_1 .. lbl_8
    ClickableLabel* Image2 = nullptr;
    QGroupBox* groupBoules = nullptr;
    QRadioButton* Option6_0 = nullptr;
    QRadioButton* Option6_1 = nullptr;
    QRadioButton* Option6_2 = nullptr;
    QGroupBox* Frame9 = nullptr;
    QToolButton* cmdajout_fiche = nullptr;
    ClickableLabel* Label32 = nullptr;
    ClickableLabel* cmdmodif_fiche = nullptr;
    ClickableLabel* Label31 = nullptr;

signals:
    // Image2: open the current customer's record for modification.
    void modifyCustomerClicked();
    // One of the status filter buttons was selected.
    void filterChanged();
    void createSheetClicked();
    void openSheetClicked();

private:
    QButtonGroup* Option6 = nullptr;
};

} // namespace vdn
