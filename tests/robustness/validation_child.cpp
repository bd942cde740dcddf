// Validates customers, drilling sheets and balls in a loop until it is
// killed, through the real customer window and sheet panel (offscreen). After
// each validation has returned and its row is reported written, it prints one
// line on standard output naming what the user saw acknowledged:
//   C <code>           a customer
//   S <code>           the drilling sheet of that customer
//   B <code> <line>    a ball
// "READY" comes first, once the window is open. The parent kills this
// program at random moments and checks that every acknowledged row survived.
//
//   robustness_child DATA_FOLDER
#include "../customers/customer_data.h"
#include "customers/vdn_client.h"
#include "data/connection.h"
#include "data/globals.h"
#include "drilling/drilling_sheet_panel.h"
#include "platform/clock.h"
#include "platform/message_boxes.h"
#include "platform/pointer.h"
#include "platform/print_dialog.h"
#include "platform/spreadsheet.h"
#include "support/widget_lookup.h"

#include <QApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include <cstdio>

using namespace vdn;

namespace {

// Answers Yes to every question (registering unknown values) and remembers
// that a box was shown: any message means the validation did not go through.
class YesBoxes : public MessageBoxes {
public:
    void message(QWidget*, const QString& text) override {
        std::fprintf(stderr, "message: %s\n", qPrintable(text));
        ++shown;
    }
    bool question(QWidget*, const QString&) override { return true; }
    Answer questionWithCancel(QWidget*, const QString&, Answer) override { return Answer::Yes; }
    std::optional<QList<bool>> chooseValues(QWidget*, const QString&,
                                            const QList<FieldChoice>& fields) override {
        return QList<bool>(fields.size(), true);
    }
    void beep() override {}
    int shown = 0;
};

void acknowledge(const QString& line) {
    std::fputs(qPrintable(line + QLatin1Char('\n')), stdout);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: robustness_child DATA_FOLDER\n");
        return 2;
    }
    chemin_base = QString::fromLocal8Bit(argv[1]);
    YesBoxes boxes;
    FixedClock clock{QDateTime(QDate(2026, 12, 8), QTime(14, 30, 0))};
    RecordingPointer pointer;
    ScriptedPrintDialog printDialog;
    ScriptedSpreadsheet spreadsheet;
    const Services services{&boxes, &clock, &pointer, &printDialog, &spreadsheet};

    VdnClient w(services);
    w.load();
    w.show();
    if (boxes.shown != 0)
        return 3;
    // A connection of its own for the balls, as the ball window has.
    auto opened = Connection::open(databasePath());
    if (!opened)
        return 3;
    Connection& other = **opened;
    acknowledge(QStringLiteral("READY"));

    for (int i = 0;; ++i) {
        // A customer through the record panel.
        QTest::mouseClick(test::control(&w, "cmdajout"), Qt::LeftButton);
        const QString code = test::control<QLineEdit>(&w, "Txtcod")->text();
        test::control<QLineEdit>(&w, "Txtnom")->setText(QStringLiteral("CLIENT %1").arg(i));
        test::control<QLineEdit>(&w, "txtvil")->setText(QStringLiteral("VILLE %1 é'\"%_").arg(i));
        test::control<QPlainTextEdit>(&w, "txtmemo")
            ->setPlainText(QStringLiteral("Note\n").repeated(i % 50));
        QTest::mouseClick(test::control(&w, "cmdvalide"), Qt::LeftButton);
        if (boxes.shown != 0 || !test::control(&w, "Frame200")->isVisible())
            return 4;
        acknowledge(QStringLiteral("C ") + code);

        // Its drilling sheet.
        DrillingSheetPanel sheet(services, w.database());
        if (!sheet.startCreate({code, QStringLiteral("CLIENT"), QString()}))
            return 5;
        sheet.validate();
        if (boxes.shown != 0)
            return 5;
        acknowledge(QStringLiteral("S ") + code);

        // Two balls, in one transaction.
        {
            Transaction t(other.db());
            if (!t.started() || !test::addBall(other, code, QStringLiteral("001")) ||
                !test::addBall(other, code, QStringLiteral("002")) || !t.commit())
                return 6;
        }
        acknowledge(QStringLiteral("B ") + code + QStringLiteral(" 001"));
        acknowledge(QStringLiteral("B ") + code + QStringLiteral(" 002"));
    }
}
