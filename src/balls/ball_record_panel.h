#pragma once

#include "balls/ball_store.h"
#include "reference/pick_lists.h"

#include <QGroupBox>

#include <array>

class QButtonGroup;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;

namespace vdn {

// The ball record Frame8 "Enregistrement d'une boule ": one ball of the
// current customer, its eight pick lists with the brand pictures, the entry
// aids of its text boxes and the date check. What the buttons and the pick
// lists start (checks, writes, going back to the list) is the ball panel's
// work, asked for through the signals.
class BallRecordPanel : public QGroupBox {
    Q_OBJECT
public:
    explicit BallRecordPanel(QWidget* parent = nullptr);

    // The empty date as the date box shows it.
    static QString emptyDate();
    // The purchase date as a sort key: yyyymmdd from dd/mm/yyyy.
    static QString dateKey(const QString& date);
    // The layout text: the three layout values joined by " < ".
    static QString layoutText(const QString& angle1, const QString& distance,
                              const QString& angle2);
    // Whether a date box text is acceptable on leaving: the empty mask or a
    // real day/month/year date.
    static bool acceptableDate(const QString& text);

    // Empties the text boxes and shows the empty date.
    void clearEntry();
    // Fills the eight pick lists, Combo0 to Combo7, each in its order.
    Status fillPickLists(const ParamStore& params);
    // Empties the text of every pick list.
    void clearPickTexts();
    // Shows a stored ball. A field never written shows as an empty text, not
    // as the pick list's first value.
    void showBall(const BallRecord& ball);
    // The ball as entered, with every field in its stored format.
    BallRecord enteredBall(const QString& code, int line) const;
    // The eight pick lists as the reference value check examines them.
    QList<CheckedPickList> checkedPickLists() const;
    // Shows the brand picture that names the text of Combo0, if any.
    void updateBrandPictures();
    void hideBrandPictures();
    // The text of the date box as the mask shows it.
    QString dateText() const;

    std::array<QComboBox*, 8> combos() const;
    // Puts a layout in Combo5, Combo6 and Combo7 (the layout window's
    // values); the ball's validation writes them as it writes any typed value.
    void writeLayout(const QString& angle1, const QString& distance, const QString& angle2);

    // lblpercage: the ball's last drilling, and the sheet version it was
    // drilled with (a click asks to show it; none without one).
    void setDrillingText(const QString& text, const QString& code = {},
                         const QString& sheetVersion = {});

    // Ready for a new ball: no brand picture, the focus on the brand.
    void startNewBall();
    // Puts the focus on the ball's name.
    void focusBallName();
    // Puts the focus back on the purchase date.
    void focusDate();

signals:
    void validateClicked();
    void cancelClicked();
    // cmdimplantation: the driller's layout window for this ball.
    void implantationClicked();
    // lblpercage clicked: the customer's sheet at that version.
    void drillingSheetClicked(const QString& code, const QString& sheetVersion);
    // One of Combo1 to Combo7 was left or a value was picked in it: the
    // reference value check is due.
    void pickListLeft();
    // The date box was left holding something that is not a date.
    void invalidDateLeft();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The control of a field that shows its text as it is: a pick list, a
    // box or the surface's text (nullptr for the others).
    QWidget* plainControl(const BallFieldInfo& f) const;

    QRadioButton* Option4_0 = nullptr;
    QRadioButton* Option4_1 = nullptr;
    QRadioButton* Option4_2 = nullptr;
    QComboBox* Combo0 = nullptr;
    QLabel* Image_amf = nullptr;
    QLabel* Image_Bwk = nullptr;
    QLabel* Image_storm = nullptr;
    QLineEdit* txtboule = nullptr;
    QLineEdit* txtserie = nullptr;
    QComboBox* Combo1 = nullptr;
    QComboBox* Combo2 = nullptr;
    QComboBox* Combo3 = nullptr;
    QComboBox* Combo4 = nullptr;
    QLineEdit* Mskfdat = nullptr;
    QPlainTextEdit* txtsurface = nullptr;
    QComboBox* Combo5 = nullptr;
    QComboBox* Combo6 = nullptr;
    QComboBox* Combo7 = nullptr;
    QLineEdit* txtrg = nullptr;
    QPushButton* cmdvalide3 = nullptr;
    QPushButton* cmdannule3 = nullptr;
    QPushButton* cmdimplantation = nullptr;
    QLabel* lblpercage = nullptr;
    QString drilledCode_;
    QString drilledSheet_;

    void build();
    // The controls of the layout table, in creation (and Tab) order.
    void placeControls();
    // The members that name the controls the table made.
    void findControls();
    // The brand pictures, hidden, in their place beside the brand.
    void buildBrandPictures();
    // Text format, tips, entry limits, button pictures and focus policy.
    void setUpControls();
    void connectControls();
    bool leftForGood(QWidget* field, QEvent* event) const;
    // Shows a brand picture, drawn the first time it is needed: drawing all
    // of them as the window opens would make the opening slower.
    void showBrandPicture(QLabel* picture);

    QButtonGroup* Option4 = nullptr;
};

} // namespace vdn
