#include "printing/customer_list_printout.h"

#include "data/globals.h"
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

// Where each item of a customer block goes: x, the line (0 or 1) of the
// block's two text lines, 300 twips apart, and where its text must stop: 100
// twips before the next item of its line, or before the block's right edge.
struct BlockItem {
    const char* field;
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
    {"clt_ad1", "", 4000, 0, 7000 - ItemGap},
    {"clt_ad3", "", 4000, 1, 7000 - ItemGap},
    {"clt_ad2", "", 7000, 0, 10000 - ItemGap},
    {"clt_cp", "", 7000, 1, 7500 - ItemGap},
    {"clt_vil", "", 7500, 1, 10000 - ItemGap},
    {"clt_tel", "Tel  ", 10000, 0, 12000 - ItemGap},
    {"clt_fax", "Fax  ", 10000, 1, BlockRight - ItemGap},
    {"clt_mail", "Mail  ", 12000, 0, BlockRight - ItemGap},
};
// The code and name stop before the first address line.
constexpr double NameRight = 4000 - ItemGap;

constexpr double BlockHeight = 600;
constexpr double LineGap = 300;
// A new page is started once the line position passes this limit.
constexpr double PageLimit = 10000;

// The places of the printed fields in the rows, found once for the whole
// list (a look-up by name on every row costs more than the drawing).
struct Places {
    int code = -1;
    int name = -1;
    std::array<int, std::size(BlockItems)> items{};

    explicit Places(const QSqlQuery& rows) {
        const QSqlRecord record = rows.record();
        code = record.indexOf(QStringLiteral("clt_cod"));
        name = record.indexOf(QStringLiteral("clt_nom"));
        for (std::size_t i = 0; i < items.size(); ++i)
            items[i] = record.indexOf(QString::fromLatin1(BlockItems[i].field));
    }
};

void drawBlock(PageWriter& out, const QSqlQuery& rows, const Places& places, double& y) {
    out.setFontSize(8);
    out.box(BlockLeft, y, BlockRight, y + BlockHeight);
    y += 100;
    out.printUpToAt(NameX, y,
                    fieldAt(rows, places.code) + QLatin1Char(' ') + fieldAt(rows, places.name),
                    NameRight);
    for (std::size_t i = 0; i < places.items.size(); ++i) {
        const BlockItem& item = BlockItems[i];
        const QString value = fieldAt(rows, places.items[i]);
        if (!value.isEmpty())
            out.printUpToAt(item.x, y + item.line * LineGap, QString::fromUtf8(item.label) + value,
                            item.right);
    }
}

Status drawCustomerList(PageWriter& out, QSqlQuery& rows, const Services& services,
                        QWidget* owner) {
    if (std::optional<Status> end =
            moveToFirstRow(rows, QStringLiteral("Aucun client à imprimer"), services, owner))
        return *end;
    const Places places(rows);
    double y = drawCustomerListHeader(out, shop_name, *services.clock);
    for (;;) {
        drawBlock(out, rows, places, y);
        if (!out.ok())
            return out.status();
        if (!rows.next())
            break;
        if (y > PageLimit) {
            out.newPage();
            y = drawCustomerListHeader(out, shop_name, *services.clock);
        }
        y += BlockHeight;
    }
    if (rows.lastError().isValid())
        return DataError::fromQuery(rows);
    return out.status();
}

} // namespace

PrintOutcome printCustomerList(QSqlQuery& rows, PageWriter& out, const Services& services,
                               QWidget* owner) {
    out.setDocumentTitle(CustomerListTitle);
    return runPrintJob(out, services, owner,
                       [&](PageWriter& w) { return drawCustomerList(w, rows, services, owner); });
}

PrintOutcome printCustomerList(QSqlQuery& rows, const Services& services, QWidget* owner) {
    PrinterPageWriter out(services.printDialog->currentPrinter());
    return printCustomerList(rows, out, services, owner);
}

} // namespace vdn
