#pragma once

#include <QString>
#include <QStringList>

#include <array>
#include <cstddef>
#include <optional>

namespace vdn {

// A ball as the ball record shows and writes it. Null fields read as empty
// texts, except the lane condition, which stays unknown when never written.
// Each member is one column of strmateriel (BallFields says which).
struct BallRecord {
    QString code;  // MAT_CODE
    QString line;  // MAT_LG, "000"
    QString bag;   // MAT_SAC
    QString brand; // mat_marque
    QString ball;  // mat_boule
    QString serial;
    QString core;
    QString rg;
    QString diff;
    QString length;
    QString hook;
    QString surface;  // MAT_SURFACE, the whole text
    QString surface1; // mat_surface1, its first 50 characters
    QString layout1;
    QString layout2;
    QString layout3;
    QString layout; // mat_layout, the three joined
    QString date;   // MAT_DATE as the date box shows it
    QString dateKey;
    std::optional<QString> type; // MAT_TYPE
    qint64 revision = 0;         // the row version it was read at
};

// The fields of a strmateriel row, in their stored order.
enum class BallField {
    Code,
    Line,
    Bag,
    Brand,
    Ball,
    Serial,
    Core,
    Rg,
    Diff,
    Length,
    Hook,
    Surface,
    Surface1,
    Layout1,
    Layout2,
    Layout3,
    Layout,
    Date,
    DateKey,
    Type,
};

// Everything the program knows of one ball field: its column, its member of
// BallRecord, the record's control, its place in the grid, the printout and
// the changed-elsewhere question. One row per field, in BallField order.
struct BallFieldInfo {
    BallField field;
    const char* column; // in strmateriel
    // Its text in BallRecord (nullptr for the lane condition, which may be
    // unknown: BallRecord::type).
    QString BallRecord::*member;
    // The record's control (its object name); its place is the record
    // panel's layout table. nullptr: not typed on the record.
    const char* control = nullptr;
    // The field's place in the changed-elsewhere question, from 1, and its
    // name there (UTF-8). A field the question does not name (0) follows
    // `follows`, whose answer takes it along.
    int question = 0;
    const char* caption = nullptr;
    BallField follows = BallField::Code;
    // Shown in the question beside the first field of its group, joined by
    // " / " (the three parts of the layout); false for a field derived from
    // the others.
    bool shownInQuestion = false;
    // The ball grid's column, from 1 (0: not in the grid), and its heading.
    int gridColumn = 0;
    const char* gridHeading = nullptr;
    // The ball list printout's field, from 1 (0: not printed).
    int reported = 0;
    // The schema version that brought the column (1: the first table).
    int since = 1;
};

inline constexpr BallFieldInfo BallFields[] = {
    {.field = BallField::Code, .column = "MAT_CODE", .member = &BallRecord::code},
    {.field = BallField::Line,
     .column = "MAT_LG",
     .member = &BallRecord::line,
     .gridColumn = 1,
     .gridHeading = "N° ordre"},
    {.field = BallField::Bag,
     .column = "MAT_SAC",
     .member = &BallRecord::bag,
     .gridColumn = 2,
     .gridHeading = "Sac",
     .reported = 1},
    {.field = BallField::Brand,
     .column = "mat_marque",
     .member = &BallRecord::brand,
     .control = "Combo0",
     .question = 1,
     .caption = "Marque",
     .shownInQuestion = true,
     .gridColumn = 3,
     .gridHeading = "Marque",
     .reported = 2},
    {.field = BallField::Ball,
     .column = "mat_boule",
     .member = &BallRecord::ball,
     .control = "txtboule",
     .question = 2,
     .caption = "Boule",
     .shownInQuestion = true,
     .gridColumn = 4,
     .gridHeading = "BOULE",
     .reported = 3},
    {.field = BallField::Serial,
     .column = "mat_serie",
     .member = &BallRecord::serial,
     .control = "txtserie",
     .question = 3,
     .caption = "N° Série",
     .shownInQuestion = true,
     .gridColumn = 12,
     .gridHeading = "N° SERIE",
     .reported = 4},
    {.field = BallField::Core,
     .column = "mat_noyau",
     .member = &BallRecord::core,
     .control = "Combo1",
     .question = 4,
     .caption = "Noyau",
     .shownInQuestion = true,
     .gridColumn = 7,
     .gridHeading = "NOYAU",
     .reported = 8},
    {.field = BallField::Rg,
     .column = "mat_rg",
     .member = &BallRecord::rg,
     .control = "txtrg",
     .question = 5,
     .caption = "RG",
     .shownInQuestion = true,
     .gridColumn = 6,
     .gridHeading = "RG ",
     .reported = 6},
    {.field = BallField::Diff,
     .column = "mat_diff",
     .member = &BallRecord::diff,
     .control = "Combo2",
     .question = 6,
     .caption = "Différentiel",
     .shownInQuestion = true,
     .gridColumn = 8,
     .gridHeading = "DIFF",
     .reported = 7},
    {.field = BallField::Length,
     .column = "mat_length",
     .member = &BallRecord::length,
     .control = "Combo3",
     .question = 7,
     .caption = "Length",
     .shownInQuestion = true,
     .gridColumn = 9,
     .gridHeading = "LENGTH",
     .reported = 9},
    {.field = BallField::Hook,
     .column = "mat_hook",
     .member = &BallRecord::hook,
     .control = "Combo4",
     .question = 8,
     .caption = "Hook",
     .shownInQuestion = true,
     .gridColumn = 10,
     .gridHeading = "HOOK",
     .reported = 10},
    {.field = BallField::Surface,
     .column = "MAT_SURFACE",
     .member = &BallRecord::surface,
     .control = "txtsurface",
     .question = 11,
     .caption = "Surface",
     .shownInQuestion = true},
    {.field = BallField::Surface1,
     .column = "mat_surface1",
     .member = &BallRecord::surface1,
     .follows = BallField::Surface,
     .gridColumn = 11,
     .gridHeading = "SURFACE",
     .reported = 11},
    {.field = BallField::Layout1,
     .column = "MAT_LAYOUT1",
     .member = &BallRecord::layout1,
     .control = "Combo5",
     .question = 10,
     .caption = "Layout",
     .shownInQuestion = true},
    {.field = BallField::Layout2,
     .column = "MAT_LAYOUT2",
     .member = &BallRecord::layout2,
     .control = "Combo6",
     .follows = BallField::Layout1,
     .shownInQuestion = true},
    {.field = BallField::Layout3,
     .column = "MAT_LAYOUT3",
     .member = &BallRecord::layout3,
     .control = "Combo7",
     .follows = BallField::Layout1,
     .shownInQuestion = true},
    {.field = BallField::Layout,
     .column = "mat_layout",
     .member = &BallRecord::layout,
     .follows = BallField::Layout1,
     .gridColumn = 5,
     .gridHeading = "LAYOUT",
     .reported = 5},
    {.field = BallField::Date,
     .column = "MAT_DATE",
     .member = &BallRecord::date,
     .control = "Mskfdat",
     .question = 9,
     .caption = "Date de l'achat",
     .shownInQuestion = true,
     .gridColumn = 13,
     .gridHeading = "Date"},
    {.field = BallField::DateKey,
     .column = "MAT_DATE_TRI",
     .member = &BallRecord::dateKey,
     .follows = BallField::Date,
     .gridColumn = 14,
     .gridHeading = ""},
    {.field = BallField::Type,
     .column = "MAT_TYPE",
     .member = nullptr,
     .control = "Option4",
     .question = 12,
     .caption = "Huilée / Sec / Spare",
     .shownInQuestion = true},
};

inline constexpr int BallFieldCount = int(std::size(BallFields));
inline constexpr int BallGridColumnCount = 14;
inline constexpr int BallReportFieldCount = 11;
inline constexpr int BallQuestionCount = 12;

namespace ball_fields_check {

// Each row sits at its field's place, and each numbering (grid, printout,
// question) gives every number from 1 to its count exactly once.
constexpr bool inOrder() {
    for (int i = 0; i < BallFieldCount; ++i)
        if (int(BallFields[i].field) != i)
            return false;
    return true;
}
template <class Number> constexpr bool numbered(Number number, int count) {
    for (int n = 1; n <= count; ++n) {
        int found = 0;
        for (const BallFieldInfo& f : BallFields)
            found += number(f) == n;
        if (found != 1)
            return false;
    }
    for (const BallFieldInfo& f : BallFields)
        if (number(f) < 0 || number(f) > count)
            return false;
    return true;
}
// A field the question does not name follows one that it does; the lane
// condition alone has no text member.
constexpr bool grouped() {
    for (const BallFieldInfo& f : BallFields) {
        if (f.question == 0 && f.control && BallFields[int(f.follows)].question == 0)
            return false;
        if (f.question != 0 && !f.caption)
            return false;
        if ((f.member == nullptr) != (f.field == BallField::Type))
            return false;
    }
    return true;
}

} // namespace ball_fields_check

static_assert(BallFieldCount == int(BallField::Type) + 1, "one row per ball field");
static_assert(ball_fields_check::inOrder(), "BallFields in BallField order");
static_assert(ball_fields_check::numbered([](const BallFieldInfo& f) { return f.gridColumn; },
                                          BallGridColumnCount));
static_assert(ball_fields_check::numbered([](const BallFieldInfo& f) { return f.reported; },
                                          BallReportFieldCount));
static_assert(ball_fields_check::numbered([](const BallFieldInfo& f) { return f.question; },
                                          BallQuestionCount));
static_assert(ball_fields_check::grouped());

// The columns of the printout's fields, in BallReportField order.
inline constexpr auto BallPrintoutColumns = [] {
    std::array<const char*, BallReportFieldCount> columns{};
    for (const BallFieldInfo& f : BallFields)
        if (f.reported > 0)
            columns[std::size_t(f.reported - 1)] = f.column;
    return columns;
}();

constexpr const BallFieldInfo& infoOf(BallField f) {
    return BallFields[std::size_t(f)];
}

// The newest schema version a ball column came with.
constexpr int newestBallColumn() {
    int newest = 1;
    for (const BallFieldInfo& f : BallFields)
        newest = f.since > newest ? f.since : newest;
    return newest;
}

// The column names of every field, in stored order.
QStringList ballColumnNames();
// The column names of the fields that came with schema version `since`.
QStringList ballColumnsSince(int since);
// The field of a grid column (from 0) and of a printout field (from 0).
BallField ballGridField(int column);
BallField ballReportField(int field);
// A field's text in a ball (the lane condition: its text, empty when unknown).
QString ballText(const BallRecord& ball, BallField f);

} // namespace vdn
