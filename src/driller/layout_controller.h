#pragma once

#include "data/drilling_store.h"
#include "data/shop_store.h"
#include "driller/drilling_rules.h"
#include "driller/layout_geometry.h"
#include "driller/layout_numbers.h"
#include "driller/layout_printout.h"
#include "driller/layout_scene.h"
#include "platform/message_boxes.h"
#include "platform/services.h"

#include <QObject>
#include <QSqlDatabase>

#include <array>
#include <optional>

class QWidget;

namespace vdn {

// What the layout window is opened with: values only, taken by the customer
// window from the open ball record, the customer and the customer's sheet.
// Where drillings are read and written is given beside it.
struct LayoutRequest {
    QString customer; // sigle and name
    // Known only when the customer's hand is "D" or "G".
    std::optional<layout::Hand> hand;
    QString ball;   // brand and name
    QString serial; // the ball's serial number, as its record holds it
    QString core;   // the ball record's core, as its pick list wrote it
    // The ball record's Combo5, Combo6 and Combo7 as they stand.
    QString drillingAngle;
    QString pinToPap;
    QString valAngle;
    // The customer's sheet: fields 30 ("over") and 31 ("up"); none when the
    // customer has no sheet.
    bool hasSheet = false;
    QString over;
    QString up;
    // The number of the sheet version in force ("3"), which a drilling
    // recorded now is linked to; empty when the sheet has no version yet.
    QString sheetVersion;
    QString driller;
    QString shopName;

    // The ball's key, and the row version of the saved ball when its record
    // holds no unsaved change (none: "validate the ball first").
    QString code;
    QString line;
    std::optional<qint64> savedRevision;
    // The customer's weight of ball (clt_lbs), proposed for a new drilling.
    QString pounds;
    // The shop's rule profile, "USBC" or "IBF".
    QString profile;
};

// The rule of one entry box of the layout window: its object name, its
// caption, its name in messages, what it holds and the values that make
// sense.
struct LayoutFieldRule {
    const char* name;
    const char* caption;
    const char* what;
    layout::Quantity quantity;
    double low;
    double high;
    bool lowExcluded;
    const char* range;
};

// A box's text read by its rule: its value, or none and the message that
// says why.
struct LayoutFieldReading {
    std::optional<double> value;
    QString message;
};

// The three texts written into the ball's pick lists Combo5 to Combo7.
struct BallLayoutTexts {
    QString drillingAngle;
    QString pinToPap;
    QString valAngle;
};

// The work of the layout window VDN_implantation, without its widgets: the
// entry boxes' rules, what the layout gives, the ball's drillings read,
// checked against the rules and recorded through the drilling store, the
// rule profile stored through the shop store, the values handed back to the
// ball record and the printed page. The window hands it the texts it holds.
class LayoutController : public QObject {
    Q_OBJECT
public:
    // The entry boxes, in the order of their rules.
    enum Field { AnglePerc, DistPap, AngleVal, PinMb, PapH, PapV, VlsPsa, VlsTampon, FieldCount };
    using Texts = std::array<QString, FieldCount>;
    // The boxes' values as they read: none for one that cannot be read.
    using Values = std::array<std::optional<double>, FieldCount>;

    // The current drilling as the window holds it: the boxes' texts, the
    // holes, weights, profile and comment as a drilling stores them, and the
    // holes and weights as they read (none while one cannot be read).
    struct Entry {
        Texts texts;
        BallDrilling holes;
        std::optional<drilling::Holes> read;
        layout::Core core = layout::Core::Symmetric;
    };

    // `db`: where drillings are read and written and the rule profile kept;
    // an invalid one records nothing. Messages are shown over `owner`.
    LayoutController(const Services& services, const LayoutRequest& request, QSqlDatabase db,
                     QWidget* owner);

    static const LayoutFieldRule& rule(Field f);
    static LayoutFieldReading read(Field f, const QString& text);
    static Values values(const Texts& texts);

    const LayoutRequest& request() const { return request_; }
    // What the boxes open with: the ball's layout, the pin-to-MB distance of
    // a PSA, the PAP of the customer's sheet; nothing to convert.
    Texts openingTexts() const;
    // The ball's core as its record names it: asymmetric when the name
    // says so ("Asymétrique", "ASYM."), symmetric otherwise (a pancake or a
    // light-bulb core is symmetric, and so is a ball whose core is not
    // given until the user says otherwise).
    layout::Core core() const;
    // The lines that say what the window misses (no sheet, no hand).
    QStringList missing() const;
    // The ball as the title, the window and the page name it, so that two
    // like balls of one bowler are told apart: "Boule 002 – BRUNSWICK
    // HY-ROAD n° 2B41187 – 15 lb" ("Boule : STORM PHAZE II" for a ball not
    // yet saved); a part not known is left out. `pounds` is the weight
    // drilled (the customer's when none is typed).
    QString ballName(const QString& pounds) const;
    // "Le PAP de la fiche version 3 est 5 1/4 – 1/2 ; celui de
    // l'implantation est 5 1/2 – 1/2. Enregistrer quand même ?" when the
    // PAP typed differs from the sheet's, both read; none otherwise.
    std::optional<QString> papQuestion(const Texts& texts) const;

    // The drawing, when the layout, the PAP and the hand are known.
    std::optional<layout::Scene> scene(const Values& v, layout::Core core) const;
    // The texts "Reporter dans la boule" writes, when the layout reads.
    std::optional<BallLayoutTexts> ballTexts(const Texts& texts) const;
    // Hands the layout to the ball record (valuesForBall); false when it
    // cannot be read and nothing was handed.
    bool writeValuesToBall(const Texts& texts);
    // The rules' check of the holes and weights, none while they cannot be
    // read.
    static std::optional<drilling::Check> check(const Entry& entry);

    // Whether drillings are read and recorded (a connection was given).
    bool recordsDrillings() const { return db_.isValid(); }
    // Reads the ball's drillings, newest first; false after reporting a
    // failure.
    bool loadDrillings();
    const QList<BallDrilling>& drillings() const { return drillings_; }
    // "Dernier perçage ..." of the newest drilling against the ball's layout.
    QString lastDrillingText() const;
    // The shop's rule profile, chosen by the user.
    void storeProfile(drilling::Profile p);

    // The drilling as it would be recorded now, when it can be.
    std::optional<BallDrilling> drilling(const Entry& entry) const;
    // Whether a drilling was recorded since the window opened, and whether
    // the entry is that drilling as it stands.
    bool hasRecorded() const { return recorded_.has_value(); }
    bool sameAsRecorded(const Entry& entry) const;
    // Whether holes, weights or a comment were typed since the window opened
    // or last recorded (never when nothing is recorded).
    bool entryChanged(const BallDrilling& holes) const;
    // "Enregistrer le perçage de cette boule ?" (Oui / Non / Annuler), asked
    // before a changed entry goes.
    Answer askToRecord();
    // Takes the holes as they stand as the start of the entry.
    void startEntry(const BallDrilling& holes);
    // Writes the drilling after `confirm`'s question, when given, and after
    // papQuestion()'s when the PAP is not the sheet's; whether it stands
    // recorded (written now, or recorded already as it is). Emits
    // drillingRecorded when written.
    bool record(const Entry& entry, bool confirm);

    // The page the print button prints, when everything can be drawn; the
    // recorded drilling `shown` prints its own.
    std::optional<LayoutPage> page(const Entry& entry, const BallDrilling* shown) const;
    // Prints that page through the print dialog, when there is one.
    void print(const Entry& entry, const BallDrilling* shown);

signals:
    void valuesForBall(const QString& drillingAngle, const QString& pinToPap,
                       const QString& valAngle);
    void drillingRecorded();

private:
    Services services_;
    LayoutRequest request_;
    QSqlDatabase db_;
    QWidget* owner_;
    // The ball's drillings, newest first.
    QList<BallDrilling> drillings_;
    // The entry's holes, weights and comment when the window opened or last
    // recorded.
    QStringList entryAtStart_;
    // What was last recorded (drilledContent()), none before: the same
    // drilling is not recorded twice.
    std::optional<QStringList> recorded_;
};

} // namespace vdn
