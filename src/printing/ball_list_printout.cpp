#include "printing/ball_list_printout.h"

#include "data/val.h"
#include "platform/print_dialog.h"
#include "platform/services.h"
#include "printing/page_headers.h"
#include "printing/page_writer.h"
#include "printing/printer_page_writer.h"
#include "printing/report_rows.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

#include <array>

namespace vdn {

namespace {

struct Column {
    const char* title;
    const char* field;
    double textX;
};

// In print order; each column but the last ends at a vertical rule.
constexpr Column Columns[] = {
    {"Marque", "mat_marque", 200},   {"Boule", "mat_boule", 1500},
    {"N° Série", "mat_serie", 3500}, {"Layout", "mat_layout", 5500},
    {" RG ", "mat_rg", 7500},        {"Différentiel", "mat_diff", 8500},
    {"Noyau", "mat_noyau", 9500},    {"Length", "mat_length", 11500},
    {"Hook", "mat_hook", 12300},     {"Surface", "mat_surface1", 13100},
};

constexpr double Rules[] = {1400, 3400, 5400, 7400, 8400, 9400, 11400, 12200, 13000};

constexpr double TableLeft = 100;
constexpr double TableRight = 16500;
constexpr double RowHeight = 400;
constexpr double RowGap = 300;
constexpr double TextDrop = 100;
constexpr double PageLimit = 10000;

// Texts stop this far before their column's rule (or the table's edge).
constexpr double ColumnGap = 100;

// Where the text of column i must stop.
double columnRight(std::size_t i) {
    return (i < std::size(Rules) ? Rules[i] : TableRight) - ColumnGap;
}

// One ruled row of the table, with its top at y.
void ruledRow(PageWriter& out, double y) {
    out.box(TableLeft, y, TableRight, y + RowHeight);
    for (double x : Rules)
        out.line(x, y, x, y + RowHeight);
}

void drawBand(PageWriter& out, double& y) {
    y += RowGap;
    ruledRow(out, y);
    y += TextDrop;
    // The fixed titles keep their last letters up to the rule itself
    // ("Différentiel" is a little wider than its column's room).
    for (std::size_t i = 0; i < std::size(Columns); ++i)
        out.printUpToAt(Columns[i].textX, y, QString::fromUtf8(Columns[i].title),
                        columnRight(i) + ColumnGap);
    y += RowGap;
}

// The places of the printed fields and of the bag number in the rows, found
// once for the whole list.
struct Places {
    std::array<int, std::size(Columns)> columns{};
    int bag = -1;

    explicit Places(const QSqlQuery& balls) {
        const QSqlRecord record = balls.record();
        for (std::size_t i = 0; i < columns.size(); ++i)
            columns[i] = record.indexOf(QString::fromLatin1(Columns[i].field));
        bag = record.indexOf(QStringLiteral("MAT_SAC"));
    }
};

void drawRow(PageWriter& out, const QSqlQuery& balls, const Places& places, double& y) {
    ruledRow(out, y);
    y += TextDrop;
    for (std::size_t i = 0; i < places.columns.size(); ++i) {
        const QString value = fieldAt(balls, places.columns[i]);
        if (!value.isEmpty())
            out.printUpToAt(Columns[i].textX, y, value, columnRight(i));
    }
}

bool isHistory(const QSqlQuery& balls, const Places& places) {
    return val(QStringView(fieldAt(balls, places.bag))) > LastCurrentBag;
}

Status drawBallList(PageWriter& out, QSqlQuery& balls, const QString& customerName,
                    const Services& services, QWidget* owner) {
    if (std::optional<Status> end =
            moveToFirstRow(balls, QStringLiteral("Aucune boule pour ce joueur"), services, owner))
        return *end;
    const Places places(balls);
    double y = drawBallListHeader(out, customerName, *services.clock);
    // The band of column titles opens the table and stands above each
    // history ball; current balls share the first one.
    bool band = true;
    for (;;) {
        out.setFontSize(9);
        if (band)
            drawBand(out, y);
        drawRow(out, balls, places, y);
        if (!out.ok())
            return out.status();
        if (!balls.next())
            break;
        if (y > PageLimit) {
            out.newPage();
            y = drawBallListHeader(out, customerName, *services.clock);
        }
        y += RowGap;
        band = isHistory(balls, places);
    }
    if (balls.lastError().isValid())
        return DataError::fromQuery(balls);
    return out.status();
}

} // namespace

PrintOutcome printBallList(QSqlQuery& balls, const QString& customerName, PageWriter& out,
                           const Services& services, QWidget* owner) {
    out.setDocumentTitle(ballListTitle(customerName));
    return runPrintJob(out, services, owner, [&](PageWriter& w) {
        return drawBallList(w, balls, customerName, services, owner);
    });
}

PrintOutcome printBallList(QSqlQuery& balls, const QString& customerName, const Services& services,
                           QWidget* owner) {
    PrinterPageWriter out(services.printDialog->currentPrinter());
    return printBallList(balls, customerName, out, services, owner);
}

} // namespace vdn
