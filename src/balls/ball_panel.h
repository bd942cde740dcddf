#pragma once

#include "balls/ball_store.h"
#include "session/customer_summary.h"

#include <QGroupBox>
#include <QTableView>

#include <optional>

class QButtonGroup;
class QLabel;
class QLayout;
class QRadioButton;
class QToolButton;
class QVBoxLayout;

namespace vdn {

class BallListModel;
class BallRecordPanel;
class ClickableLabel;

// The ball grid DBGrid2.
class BallGrid : public QTableView {
    Q_OBJECT
public:
    using QTableView::QTableView;
    // Whether a cell editor is open.
    bool isEditing() const { return state() == EditingState; }
};

// The ball panel Frame300 "Suivi du Matériel ": the summary of the current
// customer with the button that opens it for modification (Image2), the
// ball status filter, the group "Boules" that holds the ball list and the
// ball record, and the way into the drilling sheet (Frame9).
class BallPanel : public QGroupBox {
    Q_OBJECT
public:
    explicit BallPanel(QWidget* parent = nullptr);
    ~BallPanel() override;

    void showSummary(const CustomerSummary& summary);
    // The status filter the user chose.
    BallFilter filter() const;
    void setFilter(BallFilter filter);
    // Shows the drilling sheet entry that fits: view/modify when the customer
    // has a sheet, create otherwise.
    void setSheetExists(bool exists);

    // Where the ball grid and its buttons go.
    QGroupBox* ballsGroup() const { return groupBoules; }

    // Shows these balls in the grid DBGrid2, the first one current. A bag
    // number edited and not written yet is handed over for writing first.
    void showBalls(QList<BallRow> rows);
    BallListModel* ballModel() const { return model_; }
    // The grid's current row; the first row when none was chosen.
    std::optional<int> currentRow() const;
    // Hands over an edited bag number that waits to be written (bagLeft).
    // False when it still waits, kept on screen by the user: what would
    // read the grid again waits too.
    bool commitBag();
    // Puts the row's bag number current, the focus on the grid, ready to
    // be edited again.
    void focusBag(int row);

    // The ball record Frame8, which this panel holds.
    BallRecordPanel& record() const { return *Frame8; }
    // Closes the ball record: the filter and the ball buttons come back.
    void closeRecord();
    // The customer's name line of the summary (lbl_1), the title of the
    // ball list printout.
    QString summaryName() const;

signals:
    // Image2: open the current customer's record for modification.
    void modifyCustomerClicked();
    // One of the status filter buttons was selected.
    void filterChanged();
    void createSheetClicked();
    void openSheetClicked();
    // cmdajout_mat, cmdsupp_mat.
    void addBallClicked();
    void deleteBallClicked();
    // cmdimp_mat or its caption Label45: print the customer's balls.
    void printBallsClicked();
    // A row of DBGrid2 was clicked.
    void ballRowClicked(int row);
    // A column head of DBGrid2 was clicked.
    void ballHeadingClicked(vdn::BallColumn column);
    // The user left a row whose bag number was edited: write it, then call
    // the model's clearPending() or, when it could not be written,
    // revertPending().
    void bagLeft(int row);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
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
    BallGrid* DBGrid2 = nullptr;
    QWidget* listControls = nullptr; // the filter and Frame7, covered by Frame8
    QGroupBox* Frame7 = nullptr;
    QToolButton* cmdajout_mat = nullptr;
    QToolButton* cmdsupp_mat = nullptr;
    QToolButton* cmdimp_mat = nullptr;
    ClickableLabel* Label45 = nullptr;
    BallRecordPanel* Frame8 = nullptr;

    // The summary of the current customer, lbl_1 to lbl_8.
    QWidget* buildSummary();
    // Image2, which opens the customer's record.
    void buildEditButton();
    // Frame9, the way into the drilling sheet.
    void buildSheetFrame();
    // The group "Boules": the grid, the controls below it and the record.
    void buildBalls(QVBoxLayout* layout);
    // DBGrid2; returns its caption.
    QLabel* buildGrid();
    void connectGrid();
    // The filter, the add and delete buttons and the print button, which
    // the ball record covers.
    void buildListControls();
    QLayout* buildFilter();
    void buildBallButtons();
    void buildPrintButton();

    QButtonGroup* Option6 = nullptr;
    BallListModel* model_ = nullptr;
    QMetaObject::Connection focusWatch_;
};

} // namespace vdn
