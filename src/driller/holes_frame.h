#pragma once

#include "data/drilling_store.h"
#include "driller/drilling_rules.h"

#include <QGroupBox>

#include <array>
#include <optional>

class QCheckBox;
class QComboBox;
class QGridLayout;
class QLabel;
class QLineEdit;
class QScrollArea;
class QSpinBox;

namespace vdn {

// The frame "Trous et poids" of the layout window: the holes drilled
// besides the layout, the static weights after drilling, the ball's
// weight, the rule profile and the rules the drilling breaks.
class HolesFrame : public QGroupBox {
    Q_OBJECT
public:
    explicit HolesFrame(QWidget* parent);

    // The boxes that hold a size or a weight, in the order of their rules.
    enum Box {
        ThumbDiameter,
        ThumbDepth,
        FingerDiameter, // the widest finger hole
        FingerDepth,    // the deepest
        VentDiameter,
        MillDiameter,
        MillDepth,
        TopBottom,
        Side,
        FingerThumb,
        Pounds,
        BoxTopWeight, // as printed on the ball's box
        BoxPinOut,
        BoxCount
    };

    // The holes and weights as they read, or none while a box cannot be
    // read (its message says why). A size or static weight left empty
    // counts as none; the ball's weight left empty is not noted.
    std::optional<drilling::Holes> holes() const;
    drilling::Profile profile() const;
    void setProfile(drilling::Profile p);
    // The rule check of what reads now; none while a box cannot be read.
    std::optional<drilling::Check> check() const;

    // Puts the texts of the drilling into the frame's boxes (its own
    // values when showing a past drilling), and back.
    void fill(const BallDrilling& d);
    // The texts as the drilling stores them.
    void store(BallDrilling& d) const;
    // The customer's weight of ball, proposed; 0 (not noted) leaves it blank.
    void setPounds(const QString& pounds);
    // A past drilling is shown, never edited.
    void setReadOnly(bool readOnly);

signals:
    void changed();
    // The profile was chosen by the user (the shop's setting).
    void profileChosen(drilling::Profile p);

private:
    // A hole count or a check box; a change checks the rules again.
    QSpinBox* countBox(const char* name);
    QCheckBox* checkBox(const char* name, const QString& text);
    // The size and weight boxes, each with its message below.
    void buildBoxes();
    // The hole counts, the kinds of holes and the rule profile.
    void buildHoleControls();
    // Places the controls and the boxes' messages in the grid, with their
    // captions; returns the first free row.
    int placeControls(QGridLayout* grid);
    // The broken rules and the reminders, below everything else.
    void buildRuleTexts(QGridLayout* grid, int row);
    std::optional<double> value(Box b, bool say) const;
    void recheck();

    QSpinBox* txtnb_trous = nullptr;
    QCheckBox* chksans_pouce = nullptr;
    QCheckBox* chktrou_pouce = nullptr;
    QSpinBox* txtnb_events = nullptr;
    QCheckBox* chkmill = nullptr;
    QCheckBox* chkequilibrage = nullptr;
    QComboBox* cboregles = nullptr;
    QLabel* lblnb_regles = nullptr; // "3 règles non respectées"
    QLabel* lblregles = nullptr;
    QScrollArea* scrregles = nullptr; // holds lblregles
    QLabel* lblrappels = nullptr;
    std::array<QLineEdit*, BoxCount> boxes_{};
    std::array<QLabel*, BoxCount> messages_{};
};

} // namespace vdn
