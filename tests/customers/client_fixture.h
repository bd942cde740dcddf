#pragma once

// A customer window on a fresh data folder, shown and active so that focus
// rules run, with the ways a user reaches its controls.

#include "balls/ball_panel.h"
#include "customer_data.h"
#include "customers/customer_list_model.h"
#include "customers/customer_list_panel.h"
#include "customers/customer_record_panel.h"
#include "customers/vdn_client.h"
#include "data/error_report.h"
#include "drilling/drilling_sheet_panel.h"
#include "support/csv_reader.h"
#include "support/fixture.h"

#include <QApplication>
#include <QFile>
#include <QHeaderView>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTableView>
#include <QTest>

namespace vdn::test {

class ClientFixture {
public:
    ClientFixture() : db(folder.connect()) {}
    ~ClientFixture() { delete w.data(); }
    ClientFixture(const ClientFixture&) = delete;
    ClientFixture& operator=(const ClientFixture&) = delete;

    bool ready() const { return folder.ok() && db; }

    // Opens the window as the main window does: create, load, show.
    bool open() {
        w = new VdnClient(folder.services());
        w->load();
        w->show();
        w->activateWindow();
        return QTest::qWaitForWindowActive(w);
    }

    // Writes the test's customers with `add`, then opens the window.
    bool openWith(bool (*add)(Connection&)) { return ready() && add(*db) && open(); }

    template <class T = QWidget> T* find(const char* name) const {
        T* found = w->findChild<T*>(QLatin1String(name));
        if (!found)
            qWarning("no control %s", name);
        return found;
    }
    QLineEdit* box(const char* name) const { return find<QLineEdit>(name); }
    QTableView* grid() const { return find<QTableView>("DBGrid1"); }
    CustomerListModel* model() const { return qobject_cast<CustomerListModel*>(grid()->model()); }

    // The codes of the rows the grid holds now.
    QStringList gridCodes() const {
        QStringList codes;
        for (int r = 0; r < model()->rowCount(); ++r)
            codes << model()->code(r);
        return codes;
    }
    // The text of a column of every row the grid holds now.
    QStringList gridColumn(CustomerColumn column) const {
        QStringList texts;
        for (int r = 0; r < model()->rowCount(); ++r)
            texts << model()->index(r, int(column)).data().toString();
        return texts;
    }

    // The codes in the order the export writes them, which is the order the
    // printout uses: exports the list as a user does, then reads the file.
    QStringList exportedCodes() {
        const QString path = folder.folder() + QStringLiteral("Client_20261208.csv");
        QFile::remove(path);
        folder.boxes.expectMessage(QStringLiteral("FICHIER ") + path + QStringLiteral("TERMINE"));
        click("cmdexcel");
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return {QStringLiteral("no export")};
        const auto lines = parseCsv(file.readAll());
        if (!lines || lines->isEmpty())
            return {QStringLiteral("unreadable export")};
        QStringList codes;
        for (qsizetype i = 1; i < lines->size(); ++i)
            codes << QString::fromLatin1(lines->at(i).value(0));
        return codes;
    }

    void clickRow(int row) const {
        const QRect cell = grid()->visualRect(model()->index(row, int(CustomerColumn::Name)));
        QTest::mouseClick(grid()->viewport(), Qt::LeftButton, {}, cell.center());
    }
    void clickRowOf(const QString& code) const {
        const int row = int(gridCodes().indexOf(code));
        if (row < 0)
            qWarning("customer %s is not listed", qPrintable(code));
        else
            clickRow(row);
    }
    void clickHeading(CustomerColumn column) const {
        QHeaderView* h = grid()->horizontalHeader();
        const int c = int(column);
        QTest::mouseClick(
            h->viewport(), Qt::LeftButton, {},
            QPoint(h->sectionViewportPosition(c) + h->sectionSize(c) / 2, h->height() / 2));
    }
    void click(const char* name) const { QTest::mouseClick(find(name), Qt::LeftButton); }
    // Clicks an option button on its round indicator.
    void choose(const char* name) const {
        QWidget* option = find(name);
        QTest::mouseClick(option, Qt::LeftButton, {}, QPoint(8, option->height() / 2));
    }

    // Replaces a box's text the way a user does: click, select all, type.
    void retype(const char* name, const QString& text) const {
        QLineEdit* e = box(name);
        QTest::mouseClick(e, Qt::LeftButton);
        e->selectAll();
        QTest::keyClick(e, Qt::Key_Delete);
        typeText(e, text);
    }
    // Leaves a box for the next one, as Tab does.
    void leave(const char* name) const { QTest::keyClick(box(name), Qt::Key_Tab); }

    QString focusName() const {
        QWidget* f = QApplication::focusWidget();
        return f ? f->objectName() : QString();
    }

    // The failure a look-up meets now. The first look-up after another
    // connection changed the tables notices the change; the report then
    // carries the text of the steady failure that follows.
    template <class F> static DataError failureOf(F lookup) {
        (void)lookup();
        auto second = lookup();
        if (second.ok())
            qWarning("the look-up did not fail");
        return second.ok() ? DataError{} : second.error();
    }

    // The data-access error report the window shows for this failure.
    void expectReport(const DataError& error, const QString& operation = {}) {
        const QString text = errorReportText(error, operation);
        if (!error.engineErrors.isEmpty() && error.engineErrors.first().code == error.number)
            folder.boxes.expectQuestion(
                text + QStringLiteral("\r\n\r\nAfficher la liste des erreurs d'accès aux données?"),
                false);
        else
            folder.boxes.expectMessage(text);
    }

    DataFolder folder;
    std::unique_ptr<Connection> db; // a connection of the test's own, as another program
    QPointer<VdnClient> w;
};

} // namespace vdn::test
