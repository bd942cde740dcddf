#include "printing/customer_list_printout.h"

#include "data/globals.h"
#include "platform/message_boxes.h"
#include "platform/pointer.h"
#include "platform/print_dialog.h"
#include "platform/services.h"
#include "printing/page_headers.h"
#include "printing/page_writer.h"
#include "printing/printer_page_writer.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

namespace vdn {

namespace {

// Where each item of a customer block goes: x, and the line (0 or 1) of the
// block's two text lines, 300 twips apart.
struct BlockItem {
    const char* field;
    const char* label; // printed before the value
    double x;
    int line;
};

constexpr BlockItem BlockItems[] = {
    {"clt_ad1", "", 4000, 0},       {"clt_ad3", "", 4000, 1},
    {"clt_ad2", "", 7000, 0},       {"clt_cp", "", 7000, 1},
    {"clt_vil", "", 7500, 1},       {"clt_tel", "Tel  ", 10000, 0},
    {"clt_fax", "Fax  ", 10000, 1}, {"clt_mail", "Mail  ", 12000, 0},
};

constexpr double BlockHeight = 600;
constexpr double LineGap = 300;
// A new page is started once the line position passes this limit.
constexpr double PageLimit = 10000;

QString field(const QSqlQuery& rows, const char* name) {
    return rows.value(QString::fromLatin1(name)).toString();
}

void printAt(PageWriter& out, double x, double y, const QString& text) {
    out.setCurrentX(x);
    out.setCurrentY(y);
    out.print(text);
}

void drawBlock(PageWriter& out, const QSqlQuery& rows, double& y) {
    out.setFontSize(8);
    out.box(100, y, 16000, y + BlockHeight);
    y += 100;
    printAt(out, 300, y, field(rows, "clt_cod") + QLatin1Char(' ') + field(rows, "clt_nom"));
    for (const BlockItem& item : BlockItems) {
        const QString value = field(rows, item.field);
        if (!value.isEmpty())
            printAt(out, item.x, y + item.line * LineGap, QString::fromUtf8(item.label) + value);
    }
}

Status drawCustomerList(PageWriter& out, QSqlQuery& rows, const Services& services,
                        QWidget* owner) {
    if (!rows.isActive())
        return DataError::fromQuery(rows);
    if (!rows.next()) {
        if (rows.lastError().isValid())
            return DataError::fromQuery(rows);
        services.pointer->setDefault();
        services.boxes->message(owner, QStringLiteral("Aucun client à imprimer"));
        return {};
    }
    double y = drawCustomerListHeader(out, shop_name, *services.clock);
    for (;;) {
        drawBlock(out, rows, y);
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
    return runPrintJob(out, services, owner,
                       [&](PageWriter& w) { return drawCustomerList(w, rows, services, owner); });
}

PrintOutcome printCustomerList(QSqlQuery& rows, const Services& services, QWidget* owner) {
    PrinterPageWriter out(services.printDialog->currentPrinter());
    return printCustomerList(rows, out, services, owner);
}

} // namespace vdn
