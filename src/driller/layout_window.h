#pragma once

#include "driller/layout_geometry.h"
#include "driller/layout_printout.h"
#include "platform/services.h"

#include <QDialog>

#include <array>
#include <optional>

class QGridLayout;
class QLabel;
class QLineEdit;
class QPushButton;

namespace vdn {

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

signals:
    void layoutReported(const QString& drillingAngle, const QString& pinToPap,
                        const QString& valAngle);

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

    // The answers of the last VLS conversion, and the one taken.
    QList<layout::DualAngle> vlsAnswers_;
    int vlsTaken_ = 0;
};

} // namespace vdn
