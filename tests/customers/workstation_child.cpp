// Another workstation of the shop, for the tests of several programs adding
// to one database at the same moment. It adds N customers, each under the
// code a new customer is proposed (moved on when another program took it
// meanwhile), and after each a ball of the customer CODE under the next line
// number; it prints "C <code>" and "B <line>" for each row saved.
//
//   workstation_child DATABASE add N NAME_PREFIX CODE
#include "balls/ball_store.h"
#include "customers/customer_store.h"
#include "data/connection.h"
#include "drilling/sheet_store.h"

#include <QCoreApplication>

#include <cstdio>

using namespace vdn;

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 6 || args.at(2) != QLatin1String("add")) {
        std::fprintf(stderr, "usage: workstation_child DATABASE add N NAME_PREFIX CODE\n");
        return 2;
    }
    Result<std::unique_ptr<Connection>> c = Connection::open(args.at(1));
    if (!c) {
        std::fprintf(stderr, "%s\n", qPrintable(c.error().text));
        return 1;
    }
    CustomerStore customers((*c)->db());
    BallStore balls((*c)->db());
    const SheetStore sheets((*c)->db());
    const int count = args.at(3).toInt();
    for (int i = 0; i < count; ++i) {
        Result<QString> proposed = customers.nextCode(sheets);
        if (!proposed) {
            std::fprintf(stderr, "%s\n", qPrintable(proposed.error().text));
            return 1;
        }
        CustomerRecord r;
        r.set(CustomerField::Cod, *proposed);
        r.set(CustomerField::Nom, QStringLiteral("%1%2").arg(args.at(4)).arg(i));
        Result<QString> used = customers.insertUnderFreeCode(r, sheets);
        if (!used) {
            std::fprintf(stderr, "%s\n", qPrintable(used.error().text));
            return 1;
        }
        std::printf("C %s\n", qPrintable(*used));
        Result<int> highest = balls.highestLine(args.at(5));
        if (!highest) {
            std::fprintf(stderr, "%s\n", qPrintable(highest.error().text));
            return 1;
        }
        BallRecord b;
        b.code = args.at(5);
        b.line = formatBallLine(*highest + 1);
        Result<QString> line = balls.insertUnderFreeLine(b);
        if (!line) {
            std::fprintf(stderr, "%s\n", qPrintable(line.error().text));
            return 1;
        }
        std::printf("B %s\n", qPrintable(*line));
        std::fflush(stdout);
    }
    return 0;
}
