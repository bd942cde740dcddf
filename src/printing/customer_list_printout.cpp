#include "printing/customer_list_printout.h"

#include "data/globals.h"
#include "platform/print_dialog.h"
#include "platform/progress.h"
#include "platform/services.h"
#include "printing/page_headers.h"
#include "printing/page_writer.h"
#include "printing/printer_page_writer.h"
#include "printing/first_row.h"

namespace vdn {

namespace {

// Where each item of a customer block goes: x, the line (0 or 1) of the
// block's two text lines, 300 twips apart, and where its text must stop: 100
// twips before the next item of its line, or before the block's right edge.
using F = CustomerField;

struct BlockItem {
    F field;
    const char* label; // printed before the value
    double x;
    int line;
    double right;
};

constexpr double BlockLeft = 100;
constexpr double BlockRight = 16000;
constexpr double ItemGap = 100;
constexpr double NameX = 300;

constexpr BlockItem BlockItems[] = {
    {F::Ad1, "", 4000, 0, 7000 - ItemGap},
    {F::Ad3, "", 4000, 1, 7000 - ItemGap},
    {F::Ad2, "", 7000, 0, 10000 - ItemGap},
    {F::Cp, "", 7000, 1, 7500 - ItemGap},
    {F::Vil, "", 7500, 1, 10000 - ItemGap},
    {F::Tel, "Tel  ", 10000, 0, 12000 - ItemGap},
    {F::Fax, "Fax  ", 10000, 1, BlockRight - ItemGap},
    {F::Mail, "Mail  ", 12000, 0, BlockRight - ItemGap},
};
// The code and name stop before the first address line.
constexpr double NameRight = 4000 - ItemGap;

constexpr double BlockHeight = 600;
constexpr double LineGap = 300;
// A new page is started once the line position passes this limit.
constexpr double PageLimit = 10000;

void drawBlock(PageWriter& out, const CustomerReportRow& row, double& y) {
    out.setFontSize(8);
    out.box(BlockLeft, y, BlockRight, y + BlockHeight);
    y += 100;
    out.printUpToAt(NameX, y, row[F::Cod].toString() + QLatin1Char(' ') + row[F::Nom].toString(),
                    NameRight);
    for (const BlockItem& item : BlockItems) {
        const QString value = row[item.field].toString();
        if (!value.isEmpty())
            out.printUpToAt(item.x, y + item.line * LineGap, QString::fromUtf8(item.label) + value,
                            item.right);
    }
}

Status drawCustomerList(PageWriter& out, CustomerRows& rows, Progress* progress,
                        const Services& services, QWidget* owner) {
    CustomerReportRow row;
    if (std::optional<Status> end =
            moveToFirstRow(rows, row, QStringLiteral("Aucun client à imprimer"), services, owner))
        return *end;
    ProgressTicker ticker(progress, rows.count(), 64);
    double y = drawCustomerListHeader(out, shop_name, *services.clock);
    for (;;) {
        drawBlock(out, row, y);
        if (!out.ok())
            return out.status();
        if (!ticker.tick())
            return stoppedByUser();
        if (!rows.next(row))
            break;
        if (y > PageLimit) {
            out.newPage();
            y = drawCustomerListHeader(out, shop_name, *services.clock);
        }
        y += BlockHeight;
    }
    if (Status read = rows.status(); !read)
        return read;
    return out.status();
}

} // namespace

PrintOutcome printCustomerList(CustomerRows& rows, PageWriter& out, const Services& services,
                               QWidget* owner) {
    out.setDocumentTitle(CustomerListTitle);
    return runPrintJob(out, services, owner, [&](PageWriter& w, Progress* progress) {
        return drawCustomerList(w, rows, progress, services, owner);
    });
}

PrintOutcome printCustomerList(CustomerRows& rows, const Services& services, QWidget* owner) {
    PrinterPageWriter out(services.printDialog->currentPrinter());
    return printCustomerList(rows, out, services, owner);
}

} // namespace vdn
