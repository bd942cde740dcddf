#include "printing/ball_list_printout.h"

#include "data/val.h"
#include "platform/print_dialog.h"
#include "platform/progress.h"
#include "platform/services.h"
#include "printing/page_headers.h"
#include "printing/page_writer.h"
#include "printing/printer_page_writer.h"
#include "printing/first_row.h"

namespace vdn {

namespace {

using F = BallReportField;

struct Column {
    const char* title;
    F field;
    double textX;
};

// In print order; each column but the last ends at a vertical rule.
constexpr Column Columns[] = {
    {"Marque", F::Brand, 200},     {"Boule", F::Ball, 1500},
    {"N° Série", F::Serial, 3500}, {"Layout", F::Layout, 5500},
    {" RG ", F::Rg, 7500},         {"Différentiel", F::Differential, 8500},
    {"Noyau", F::Core, 9500},      {"Length", F::Length, 11500},
    {"Hook", F::Hook, 12300},      {"Surface", F::Surface, 13100},
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

void drawRow(PageWriter& out, const BallReportRow& row, double& y) {
    ruledRow(out, y);
    y += TextDrop;
    for (std::size_t i = 0; i < std::size(Columns); ++i) {
        const QString value = row[Columns[i].field].toString();
        if (!value.isEmpty())
            out.printUpToAt(Columns[i].textX, y, value, columnRight(i));
    }
}

bool isHistory(const BallReportRow& row) {
    return val(QStringView(row[F::Bag].toString())) > LastCurrentBag;
}

Status drawBallList(PageWriter& out, BallRows& balls, const QString& customerName,
                    Progress* progress, const Services& services, QWidget* owner) {
    BallReportRow row;
    if (std::optional<Status> end = moveToFirstRow(
            balls, row, QStringLiteral("Aucune boule pour ce joueur"), services, owner))
        return *end;
    ProgressTicker ticker(progress, balls.count(), 64);
    double y = drawBallListHeader(out, customerName, *services.clock);
    // The band of column titles opens the table and stands above each
    // history ball; current balls share the first one.
    bool band = true;
    for (;;) {
        out.setFontSize(9);
        if (band)
            drawBand(out, y);
        drawRow(out, row, y);
        if (!out.ok())
            return out.status();
        if (!ticker.tick())
            return stoppedByUser();
        if (!balls.next(row))
            break;
        if (y > PageLimit) {
            out.newPage();
            y = drawBallListHeader(out, customerName, *services.clock);
        }
        y += RowGap;
        band = isHistory(row);
    }
    if (Status read = balls.status(); !read)
        return read;
    return out.status();
}

} // namespace

PrintOutcome printBallList(BallRows& balls, const QString& customerName, PageWriter& out,
                           const Services& services, QWidget* owner) {
    out.setDocumentTitle(ballListTitle(customerName));
    return runPrintJob(out, services, owner, [&](PageWriter& w, Progress* progress) {
        return drawBallList(w, balls, customerName, progress, services, owner);
    });
}

PrintOutcome printBallList(BallRows& balls, const QString& customerName, const Services& services,
                           QWidget* owner) {
    PrinterPageWriter out(services.printDialog->currentPrinter());
    return printBallList(balls, customerName, out, services, owner);
}

} // namespace vdn
