#pragma once

#include "driller/layout_controller.h"

#include <QDialog>
#include <QSqlDatabase>

#include <array>
#include <optional>

class QBoxLayout;
class QComboBox;
class QGridLayout;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace vdn {

class HolesFrame;
class LayoutPicture;

// The window "Implantation de la boule" (VDN_implantation): the layout of
// the open ball turned into the marks on the ball and what they mean,
// recomputed and drawn on every change, printed on one page, with the
// conversion from VLS numbers. It writes nothing into the ball itself:
// "Reporter dans la boule" hands the three Dual Angle values back
// (valuesForBall) and closes. The window holds the widgets and their
// wiring; its LayoutController does the work and reaches the stores.
class LayoutWindow : public QDialog {
    Q_OBJECT
public:
    // `db`: where the ball's drillings are read and recorded and the rule
    // profile kept; an invalid one records nothing.
    LayoutWindow(const Services& services, const LayoutRequest& request, QSqlDatabase db,
                 QWidget* parent);

    using Field = LayoutController::Field;

    // The page the print button prints, when everything can be drawn.
    std::optional<LayoutPage> page() const;
    // cmdenregistrer_percage: asks, then records the drilling.
    void recordDrilling();
    // Holes, weights or a comment typed for the current drilling and not
    // recorded ask "Enregistrer le perçage de cette boule ?" (Oui / Non /
    // Annuler) before the window goes: false when the user goes back to
    // them (Annuler, or a recording refused). Nothing is asked when the
    // window records nothing.
    bool settleEntry();
    // The close box and Escape ask settleEntry() first.
    void reject() override;
    // Shows the ball's drilling at that place in the list (0: the current one).
    void showDrilling(int index);

signals:
    void valuesForBall(const QString& drillingAngle, const QString& pinToPap,
                       const QString& valAngle);
    // A drilling of the ball was recorded.
    void drillingRecorded();

private:
    using Values = LayoutController::Values;

    void build();
    void buildCustomer(QBoxLayout* left);
    void buildFields();
    void buildResults(QBoxLayout* left);
    void buildVls(QBoxLayout* left);
    void buildActions(QBoxLayout* left);
    void buildDrillings(QBoxLayout* beside, QBoxLayout* below);
    void connectControls();
    void showRequest();
    // The ball named in the title and beside the customer, with the weight
    // drilled.
    void showBallName(const QString& pounds);
    // Above the drawing: the newest drilling, or the one shown read-only.
    void showDrillingBanner();
    void addFields(QGridLayout* grid, std::initializer_list<Field> fields);
    // Reads the field; puts its message beside it when `say`.
    std::optional<double> value(Field f, bool say) const;
    Values values(bool sayVls) const;
    LayoutController::Texts texts() const;
    // The core chosen in cbonoyau.
    layout::Core core() const;
    // The drilling as the boxes, the holes frame and the comment show it.
    LayoutController::Entry entry() const;
    // The holes, weights and comment of the current drilling, kept aside
    // while a past one is shown.
    BallDrilling currentHoles() const;
    // Reads every field, shows the messages, the results and the drawing.
    void recompute();
    void showResults(const Values& v);
    void convertVls();
    void takeVlsAnswer(int index);
    void writeValuesToBall();
    void print();
    // The ball's drillings listed and the last one told.
    void showDrillings();
    void afterRecording();
    void setEditable(bool editable);
    // Writes the drilling after `confirm`'s question, when given; whether
    // it stands recorded.
    bool writeDrilling(bool confirm);
    // Enables the record button while there is something new to record.
    void updateRecordButton();

    LayoutController* controller_ = nullptr;

    QLabel* lblclient = nullptr;
    QLabel* lblmain = nullptr;
    QLabel* lblboule = nullptr;
    QLabel* lblmanque = nullptr;
    std::array<QLineEdit*, LayoutController::FieldCount> boxes_{};
    std::array<QLabel*, LayoutController::FieldCount> messages_{};
    // The line the drilling angle is turned from: pin-CG (symmetric core)
    // or pin-MB (asymmetric), as the ball's core says until changed here.
    QComboBox* cbonoyau = nullptr;
    QLabel* lbltampon = nullptr;
    QLabel* lblpsa_pap_caption = nullptr;
    QLabel* lblpsa_pap = nullptr;
    QLabel* lblhauteur_pin = nullptr;
    QLabel* lblpin_centre = nullptr;
    QPushButton* cmdconvertir = nullptr;
    QLabel* lblvls = nullptr;
    QPushButton* cmdvls_autre = nullptr;
    QPushButton* cmdreporter = nullptr;
    QLabel* lblreporter = nullptr;
    QPushButton* cmdimp_implantation = nullptr;
    LayoutPicture* picimplantation = nullptr;
    HolesFrame* frmtrous = nullptr;
    QLineEdit* txtcommentaire = nullptr;
    QListWidget* lstpercages = nullptr;
    QLabel* lbldernier = nullptr;
    QPushButton* cmdenregistrer_percage = nullptr;

    // The past drilling shown (none: the current one, whose texts are kept
    // while a past one is shown).
    std::optional<int> shown_;
    QStringList currentTexts_;
    BallDrilling currentHoles_;

    // The answers of the last VLS conversion, and the one taken.
    QList<layout::DualAngle> vlsAnswers_;
    int vlsTaken_ = 0;
};

} // namespace vdn
