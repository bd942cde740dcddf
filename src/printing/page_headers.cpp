#include "printing/page_headers.h"

#include "platform/clock.h"
#include "printing/page_writer.h"

namespace vdn {

namespace {

// Room left before the next item of the header line.
constexpr double Gap = 100;

// A text of variable length, cut so that it stops short of the next item.
void printAt(PageWriter& out, double x, double y, const QString& text, double next) {
    out.printUpToAt(x, y, text, next - Gap);
}

// "Page : " and the page number on the same line, the number at x 15000.
void printPageNumber(PageWriter& out) {
    out.setCurrentX(14000);
    out.setCurrentY(200);
    out.print(QStringLiteral("Page : "), PageWriter::LineEnd::Stay);
    out.setCurrentX(15000);
    out.print(QString::number(out.page()));
}

void startTitle(PageWriter& out, double frameRight) {
    out.box(100, 100, frameRight, HeaderBottom);
    out.setBold(true);
    out.setFontName(ReportFont);
    out.setFontSize(13);
}

double finish(PageWriter& out) {
    out.setBold(false);
    out.setFontSize(10);
    return HeaderBottom;
}

} // namespace

double drawCustomerListHeader(PageWriter& out, const QString& shopName, const Clock& clock) {
    startTitle(out, 16000);
    printAt(out, 200, 200, shopName, 6000);
    printAt(out, 6000, 200, QStringLiteral("LISTE DES CLIENTS"), 11000);
    out.setFontSize(10);
    const QDateTime now = clock.now();
    printAt(out, 11000, 200,
            QStringLiteral("Edition du : ") + now.toString(QStringLiteral("dd/MM/yyyy")) +
                QStringLiteral(" à ") + now.toString(QStringLiteral("HH:mm")),
            14000);
    printPageNumber(out);
    return finish(out);
}

double drawBallListHeader(PageWriter& out, const QString& customerName, const Clock& clock) {
    startTitle(out, 16500);
    printAt(out, 200, 200, QStringLiteral("LISTE DES BOULES DE ") + customerName, 11000);
    out.setFontSize(10);
    printAt(out, 11000, 200,
            QStringLiteral("Edition du : ") + clock.today().toString(QStringLiteral("dd/MM/yyyy")),
            14000);
    printPageNumber(out);
    return finish(out);
}

} // namespace vdn
