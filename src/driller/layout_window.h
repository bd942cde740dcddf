#pragma once

#include "data/drilling_store.h"
#include "driller/layout_geometry.h"
#include "driller/layout_printout.h"
#include "platform/services.h"

#include <QDialog>
#include <QSqlDatabase>

#include <array>
#include <optional>

class QBoxLayout;
class QGridLayout;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace vdn {

class HolesFrame;
class LayoutPicture;

// What the layout window is opened with: values only, taken by the customer
// window from the open ball record, the customer and the customer's sheet.
struct LayoutRequest {
    QString customer; // sigle and name
    // Known only when the customer's hand is "D" or "G".
    std::optional<layout::Hand> hand;
    QString ball; // brand and name
    // The ball record's Combo5, Combo6 and Combo7 as they stand.
    QString drillingAngle;
    QString pinToPap;
    QString valAngle;
    // The customer's sheet: fields 30 ("over") and 31 ("up"); none when the
    // customer has no sheet.
    bool hasSheet = false;
    QString over;
    QString up;
    QString driller;
    QString shopName;

    // Drillings: where they are read and written (none: the window records
    // nothing), the ball's key, and the row version of the saved ball when
    // its record holds no unsaved change (none: "validate the ball first").
    QSqlDatabase db;
    QString code;
    QString line;
    std::optional<qint64> savedRevision;
    // The customer's weight of ball (clt_lbs), proposed for a new drilling.
    QString pounds;
    // The shop's rule profile, "USBC" or "IBF".
    QString profile;
};

// The window "Implantation de la boule" (VDN_implantation): the layout of
// the open ball turned into the marks on the ball and what they mean,
// recomputed and drawn on every change, printed on one page, with the
// conversion from VLS numbers. It writes nothing itself: "Reporter dans la
// boule" hands the three Dual Angle values back (layoutReported) and closes.
class LayoutWindow : public QDialog {
    Q_OBJECT
public:
    LayoutWindow(const Services& services, const LayoutRequest& request, QWidget* parent);

    // The three texts "Reporter dans la boule" writes, when the layout can
    // be read.
    struct Reported {
        QString drillingAngle;
        QString pinToPap;
        QString valAngle;
    };
    std::optional<Reported> reported() const;
    // The page the print button prints, when everything can be drawn.
    std::optional<LayoutPage> page() const;

    // The entry boxes, in the order of their rules.
    enum Field { AnglePerc, DistPap, AngleVal, PinMb, PapH, PapV, VlsPsa, VlsTampon, FieldCount };

    // The drilling as it would be recorded now, when it can be.
    std::optional<BallDrilling> drilling() const;
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
    void layoutReported(const QString& drillingAngle, const QString& pinToPap,
                        const QString& valAngle);
    // A drilling of the ball was recorded.
    void drillingRecorded();

private:
    // The fields' values as they read now: none for a field that cannot be
    // read (its message says why).
    using Values = std::array<std::optional<double>, FieldCount>;

    void build();
    void addFields(QGridLayout* grid, std::initializer_list<Field> fields);
    // Reads the field; puts its message beside it when `say`.
    std::optional<double> value(Field f, bool say) const;
    Values values(bool sayVls) const;
    // Reads every field, shows the messages, the results and the drawing.
    void recompute();
    void convertVls();
    void takeVlsAnswer(int index);
    void report();
    void print();
    std::optional<layout::Scene> sceneOf(const Values& v) const;
    void buildDrillings(QBoxLayout* beside, QBoxLayout* below);
    // Reads the ball's drillings; false after reporting a failure.
    bool loadDrillings();
    void showLastDrilling();
    void setEditable(bool editable);
    // The holes, weights and comment of the current drilling as they stand.
    QStringList drillingEntry() const;
    // Writes the drilling after `confirm`'s question, when given; whether
    // it was written.
    bool writeDrilling(bool confirm);

    Services services_;
    LayoutRequest request_;

    QLabel* lblclient = nullptr;
    QLabel* lblmain = nullptr;
    QLabel* lblboule = nullptr;
    QLabel* lblmanque = nullptr;
    std::array<QLineEdit*, FieldCount> boxes_{};
    std::array<QLabel*, FieldCount> messages_{};
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

    // The ball's drillings, newest first; the one shown (none: the current
    // one, whose texts are kept while a past one is shown).
    QList<BallDrilling> drillings_;
    std::optional<int> shown_;
    QStringList currentTexts_;
    BallDrilling currentHoles_;
    // drillingEntry() when the window opened or last recorded.
    QStringList entryAtStart_;
    // What the window last recorded (drilledContent()), none before: the
    // same drilling is not recorded twice.
    std::optional<QStringList> recorded_;
    // Whether the drilling as it stands now is the one last recorded.
    bool sameAsRecorded() const;
    // Enables the record button while there is something new to record.
    void updateRecordButton();

    // The answers of the last VLS conversion, and the one taken.
    QList<layout::DualAngle> vlsAnswers_;
    int vlsTaken_ = 0;
};

} // namespace vdn
