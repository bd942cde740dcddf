#pragma once

#include <QString>
#include <QStringList>

#include <cstddef>
#include <optional>

namespace vdn {

// One drilling of a ball (a row of strperc_boule): every value a text, the
// numbers as the layout window shows them. Each member but the sheet's date
// is one column (DrillingFields says which).
struct BallDrilling {
    QString code;   // MAT_CODE
    QString line;   // MAT_LG
    QString number; // pb_num, "000001" for the ball's first
    QString date;   // "yyyy-MM-dd HH:mm:ss"
    QString driller;
    QString sheetVersion; // his_num of the sheet drilled with; empty without a sheet
    QString drillingAngle, pinToPap, valAngle, pinToMb, psaToPap, pinBuffer;
    QString over, up, hand; // the PAP used; "D" or "G"
    QString pounds;
    QString grippingHoles, thumbless, thumbHole; // "O"/"N" for yes/no
    QString ventHoles, ventDiameter;
    QString millHole, millDiameter, millDepth;
    QString balanceHole;
    QString topBottom, side, fingerThumb; // ounces, signed
    // As printed on the ball's box: the top weight (ounces) and the pin-out
    // (inches from the pin to the CG).
    QString boxTopWeight, boxPinOut;
    // The gripping holes as drilled, in inches: the thumb hole's diameter
    // and depth, the widest and the deepest finger hole.
    QString thumbDiameter, thumbDepth, fingerDiameter, fingerDepth;
    QString profile, verdict, comment;
    // Read, not stored: the date of that sheet version ("yyyy-MM-dd
    // HH:mm:ss"), empty without one.
    QString sheetDate;

    // "dd/MM/yyyy" of the stored date (the stored text when it is not one).
    QString dayText() const;
    // The sheet version by its number and the moment it was validated, since
    // a sheet may be validated twice a day: "n° 2 du 01/12/2026 à 16:45"
    // ("n° 2" when its date is gone); empty without a sheet.
    QString sheetText() const;
};

// The fields of a strperc_boule row, in their stored order.
enum class DrillingField {
    Code,
    Line,
    Number,
    Date,
    Driller,
    SheetVersion,
    DrillingAngle,
    PinToPap,
    ValAngle,
    PinToMb,
    PsaToPap,
    PinBuffer,
    Over,
    Up,
    Hand,
    Pounds,
    GrippingHoles,
    Thumbless,
    ThumbHole,
    VentHoles,
    VentDiameter,
    MillHole,
    MillDiameter,
    MillDepth,
    BalanceHole,
    TopBottom,
    Side,
    FingerThumb,
    Profile,
    Verdict,
    Comment,
    // Added later: at the end, where a newer version adds its columns.
    BoxTopWeight,
    BoxPinOut,
    ThumbDiameter,
    ThumbDepth,
    FingerDiameter,
    FingerDepth,
};

// What the program knows of one drilling field. One row per field, in
// DrillingField order.
struct DrillingFieldInfo {
    DrillingField field;
    const char* column; // in strperc_boule
    QString BallDrilling::*member;
    // Part of what a drilling says (two drillings saying the same are one
    // drilling recorded twice); false for its number, date, owner and what
    // is computed from the rest.
    bool content = false;
    // Typed by hand in the layout window's holes and weights (a change there
    // is typed work to keep or drop on leaving).
    bool typedEntry = false;
    // The schema version that brought the column (the table came with 7).
    int since = 7;
};

inline constexpr DrillingFieldInfo DrillingFields[] = {
    {.field = DrillingField::Code, .column = "MAT_CODE", .member = &BallDrilling::code},
    {.field = DrillingField::Line, .column = "MAT_LG", .member = &BallDrilling::line},
    {.field = DrillingField::Number, .column = "pb_num", .member = &BallDrilling::number},
    {.field = DrillingField::Date, .column = "pb_date", .member = &BallDrilling::date},
    {.field = DrillingField::Driller, .column = "pb_perceur", .member = &BallDrilling::driller},
    {.field = DrillingField::SheetVersion,
     .column = "his_num",
     .member = &BallDrilling::sheetVersion},
    {.field = DrillingField::DrillingAngle,
     .column = "pb_angle_perc",
     .member = &BallDrilling::drillingAngle,
     .content = true},
    {.field = DrillingField::PinToPap,
     .column = "pb_dist_pap",
     .member = &BallDrilling::pinToPap,
     .content = true},
    {.field = DrillingField::ValAngle,
     .column = "pb_angle_val",
     .member = &BallDrilling::valAngle,
     .content = true},
    {.field = DrillingField::PinToMb,
     .column = "pb_pin_mb",
     .member = &BallDrilling::pinToMb,
     .content = true},
    {.field = DrillingField::PsaToPap, .column = "pb_psa_pap", .member = &BallDrilling::psaToPap},
    {.field = DrillingField::PinBuffer, .column = "pb_tampon", .member = &BallDrilling::pinBuffer},
    {.field = DrillingField::Over,
     .column = "pb_pap_h",
     .member = &BallDrilling::over,
     .content = true},
    {.field = DrillingField::Up,
     .column = "pb_pap_v",
     .member = &BallDrilling::up,
     .content = true},
    {.field = DrillingField::Hand,
     .column = "pb_main",
     .member = &BallDrilling::hand,
     .content = true},
    {.field = DrillingField::Pounds,
     .column = "pb_lbs",
     .member = &BallDrilling::pounds,
     .content = true,
     .typedEntry = true},
    {.field = DrillingField::GrippingHoles,
     .column = "pb_trous",
     .member = &BallDrilling::grippingHoles,
     .content = true,
     .typedEntry = true},
    {.field = DrillingField::Thumbless,
     .column = "pb_sans_pouce",
     .member = &BallDrilling::thumbless,
     .content = true,
     .typedEntry = true},
    {.field = DrillingField::ThumbHole,
     .column = "pb_trou_pouce",
     .member = &BallDrilling::thumbHole,
     .content = true,
     .typedEntry = true},
    {.field = DrillingField::VentHoles,
     .column = "pb_events",
     .member = &BallDrilling::ventHoles,
     .content = true,
     .typedEntry = true},
    {.field = DrillingField::VentDiameter,
     .column = "pb_event_diam",
     .member = &BallDrilling::ventDiameter,
     .content = true,
     .typedEntry = true},
    {.field = DrillingField::MillHole,
     .column = "pb_mill",
     .member = &BallDrilling::millHole,
     .content = true,
     .typedEntry = true},
    {.field = DrillingField::MillDiameter,
     .column = "pb_mill_diam",
     .member = &BallDrilling::millDiameter,
     .content = true,
     .typedEntry = true},
    {.field = DrillingField::MillDepth,
     .column = "pb_mill_prof",
     .member = &BallDrilling::millDepth,
     .content = true,
     .typedEntry = true},
    {.field = DrillingField::BalanceHole,
     .column = "pb_equilibrage",
     .member = &BallDrilling::balanceHole,
     .content = true,
     .typedEntry = true},
    {.field = DrillingField::TopBottom,
     .column = "pb_poids_haut",
     .member = &BallDrilling::topBottom,
     .content = true,
     .typedEntry = true},
    {.field = DrillingField::Side,
     .column = "pb_poids_cote",
     .member = &BallDrilling::side,
     .content = true,
     .typedEntry = true},
    {.field = DrillingField::FingerThumb,
     .column = "pb_poids_doigts",
     .member = &BallDrilling::fingerThumb,
     .content = true,
     .typedEntry = true},
    {.field = DrillingField::Profile,
     .column = "pb_regles",
     .member = &BallDrilling::profile,
     .content = true},
    {.field = DrillingField::Verdict, .column = "pb_verdict", .member = &BallDrilling::verdict},
    {.field = DrillingField::Comment,
     .column = "pb_comment",
     .member = &BallDrilling::comment,
     .content = true,
     .typedEntry = true},
    {.field = DrillingField::BoxTopWeight,
     .column = "pb_boite_poids_haut",
     .member = &BallDrilling::boxTopWeight,
     .content = true,
     .typedEntry = true,
     .since = 10},
    {.field = DrillingField::BoxPinOut,
     .column = "pb_boite_pin_out",
     .member = &BallDrilling::boxPinOut,
     .content = true,
     .typedEntry = true,
     .since = 10},
    {.field = DrillingField::ThumbDiameter,
     .column = "pb_pouce_diam",
     .member = &BallDrilling::thumbDiameter,
     .content = true,
     .typedEntry = true,
     .since = 12},
    {.field = DrillingField::ThumbDepth,
     .column = "pb_pouce_prof",
     .member = &BallDrilling::thumbDepth,
     .content = true,
     .typedEntry = true,
     .since = 12},
    {.field = DrillingField::FingerDiameter,
     .column = "pb_doigts_diam",
     .member = &BallDrilling::fingerDiameter,
     .content = true,
     .typedEntry = true,
     .since = 12},
    {.field = DrillingField::FingerDepth,
     .column = "pb_doigts_prof",
     .member = &BallDrilling::fingerDepth,
     .content = true,
     .typedEntry = true,
     .since = 12},
};

inline constexpr int DrillingFieldCount = int(std::size(DrillingFields));
static_assert(DrillingFieldCount == int(DrillingField::FingerDepth) + 1,
              "one row per drilling field");
static_assert(
    [] {
        for (int i = 0; i < DrillingFieldCount; ++i)
            if (int(DrillingFields[i].field) != i || !DrillingFields[i].member)
                return false;
        return true;
    }(),
    "DrillingFields in DrillingField order, each with its member");

constexpr const DrillingFieldInfo& infoOf(DrillingField f) {
    return DrillingFields[std::size_t(f)];
}

// The schema version the table came with, and the newest a column came with.
inline constexpr int DrillingTableVersion = 7;
constexpr int newestDrillingColumn() {
    int newest = DrillingTableVersion;
    for (const DrillingFieldInfo& f : DrillingFields)
        newest = f.since > newest ? f.since : newest;
    return newest;
}

// The column names of every field, in stored order.
QStringList drillingColumnNames();
// The column names of the fields that came with schema version `since`.
QStringList drillingColumnsSince(int since);
// The texts of the fields marked `content`, or `typedEntry`, in stored order.
QStringList drillingContent(const BallDrilling& d);
QStringList drillingTypedEntry(const BallDrilling& d);

// A measure the layout window computes (PSA-PAP, pin buffer), as stored: a
// plain decimal number of inches with a point, at most three decimals and
// no trailing zeros ("3.918", "4.5", "-0.25"), which any SQL tool reads as
// a number. The window makes its own text when it shows one.
QString storedInches(double inches);
// The stored number of a measure written as the layout window once showed
// it ("3,918 po (≈ 3 15/16)"), or already a number ("3.918"): nothing when
// the text is neither. An empty text stays empty.
std::optional<QString> inchesFromShown(const QString& text);

} // namespace vdn
