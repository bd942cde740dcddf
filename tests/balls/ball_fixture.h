#pragma once

// A customer window opened on one customer's ball panel, with the ways a
// user reaches the ball grid and the ball record.

#include "balls/ball_list_model.h"
#include "balls/ball_panel.h"
#include "balls/ball_record_panel.h"
#include "customers/client_fixture.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QHash>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QSqlRecord>
#include <QToolButton>

namespace vdn::test {

// A ball with the fields a test names; the others stay null.
inline bool addBallRow(Connection& c, const QString& code, const QString& line,
                       const QVariantMap& more = {}) {
    QVariantMap row{{QStringLiteral("MAT_CODE"), code}, {QStringLiteral("MAT_LG"), line}};
    for (auto it = more.begin(); it != more.end(); ++it)
        row[it.key()] = it.value();
    return insertRow(c, QStringLiteral("strmateriel"), row);
}

class BallFixture : public ClientFixture {
public:
    // Opens the window and clicks the customer in the list.
    bool openCustomer(const QString& code) {
        if (!w && !open())
            return false;
        clickRowOf(code);
        return find("Frame300")->isVisible();
    }

    // Gives the eight pick lists of the open ball record values their lists
    // hold, so that the reference value check asks nothing.
    void fillKnownBall() const {
        const QStringList v{"STORM", "Pancake", "0,04", "15,00", "3,00", "45", "4", "30"};
        for (int i = 0; i < 8; ++i)
            combo(i)->setEditText(v.at(i));
    }
    // Adds a ball for the customer shown as a user does (the add button,
    // known pick list values, validate) and returns the line number it was
    // stored under.
    QString addBallLine() const {
        click("cmdajout_mat");
        fillKnownBall();
        click("cmdvalide3");
        return scalar(*db, QStringLiteral("SELECT MAX(MAT_LG) FROM strmateriel WHERE MAT_CODE = ?"),
                      {box("Txtcod")->text()})
            .toString();
    }

    BallPanel* panel() const { return find<BallPanel>("Frame300"); }
    BallRecordPanel* record() const { return find<BallRecordPanel>("Frame8"); }
    BallGrid* ballGrid() const { return find<BallGrid>("DBGrid2"); }
    // Edits the bag number of a row in the grid, as F2 and typing do.
    bool editBag(int row, const QString& bag) const {
        BallGrid* grid = ballGrid();
        grid->setFocus();
        grid->setCurrentIndex(ballModel()->index(row, int(BallColumn::Bag)));
        QTest::keyClick(grid, Qt::Key_F2);
        auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
        if (!editor || !grid->isEditing())
            return false;
        editor->selectAll();
        typeText(editor, bag);
        QTest::keyClick(editor, Qt::Key_Return);
        // The editor hands its text over once the key is handled.
        QCoreApplication::processEvents();
        return !grid->isEditing();
    }
    BallListModel* ballModel() const { return qobject_cast<BallListModel*>(ballGrid()->model()); }
    QComboBox* combo(int i) const {
        return find<QComboBox>(QStringLiteral("Combo%1").arg(i).toLatin1().constData());
    }

    // The texts of one column of the grid's rows, top to bottom.
    QStringList ballColumn(BallColumn column) const {
        QStringList out;
        for (int r = 0; r < ballModel()->rowCount(); ++r)
            out << ballModel()->index(r, int(column)).data().toString();
        return out;
    }
    QStringList ballLines() const { return ballColumn(BallColumn::Line); }

    void clickBallRow(int row) const {
        const QRect cell = ballGrid()->visualRect(ballModel()->index(row, int(BallColumn::Brand)));
        QTest::mouseClick(ballGrid()->viewport(), Qt::LeftButton, {}, cell.center());
    }
    void clickBallLine(const QString& line) const {
        const int row = int(ballLines().indexOf(line));
        if (row < 0)
            qWarning("ball %s is not listed", qPrintable(line));
        else
            clickBallRow(row);
    }
    void clickBallHeading(BallColumn column) const {
        QHeaderView* h = ballGrid()->horizontalHeader();
        const int c = int(column);
        QTest::mouseClick(
            h->viewport(), Qt::LeftButton, {},
            QPoint(h->sectionViewportPosition(c) + h->sectionSize(c) / 2, h->height() / 2));
    }

    // Types into a pick list as a user does: click, select all, type.
    void typeInto(QComboBox* c, const QString& text) const {
        QTest::mouseClick(c->lineEdit(), Qt::LeftButton);
        c->lineEdit()->selectAll();
        QTest::keyClick(c->lineEdit(), Qt::Key_Delete);
        typeText(c->lineEdit(), text);
    }
    void typeInto(int combo, const QString& text) const { typeInto(this->combo(combo), text); }
    // Picks an entry of a pick list's drop-down.
    void pick(QComboBox* c, const QString& value) const {
        const int i = c->findText(value, Qt::MatchExactly);
        if (i < 0) {
            qWarning("%s offers no %s", qPrintable(c->objectName()), qPrintable(value));
            return;
        }
        c->setFocus(Qt::MouseFocusReason);
        c->setCurrentIndex(i);
        emit c->activated(i);
    }

    // Types the date as the user does: into the mask, from its start.
    void typeDate(const QString& digits) const {
        QLineEdit* d = box("Mskfdat");
        QTest::mouseClick(d, Qt::LeftButton);
        d->setCursorPosition(0);
        typeText(d, digits);
    }

    // The stored fields of one ball, by name; empty when the ball is missing.
    QVariantMap storedBall(const QString& code, const QString& line) const {
        QSqlQuery q(db->db());
        q.prepare(QStringLiteral("SELECT * FROM strmateriel WHERE MAT_CODE = ? AND MAT_LG = ?"));
        q.addBindValue(code);
        q.addBindValue(line);
        QVariantMap out;
        // Named as the schema spells them: a server gives the names in lower case.
        QHash<QString, QString> spelling;
        for (const QString& field : ballFields())
            spelling.insert(field.toLower(), field);
        if (q.exec() && q.next())
            for (int i = 0; i < q.record().count(); ++i) {
                const QString name = q.record().fieldName(i);
                out.insert(spelling.value(name.toLower(), name), q.value(i));
            }
        return out;
    }
    QStringList values(int code) const {
        // In the order they were added: SQLite's rowid, the server's vdn_ordre.
        return column(
            *db,
            QStringLiteral("SELECT par_lib FROM strparam WHERE par_table = ? "
                           "ORDER BY %1")
                .arg(db->onServer() ? QStringLiteral("vdn_ordre") : QStringLiteral("rowid")),
            {QString::number(code)});
    }
    int ballCount(const QString& code) const {
        return scalar(*db, QStringLiteral("SELECT count(*) FROM strmateriel WHERE MAT_CODE = ?"),
                      {code})
            .toInt();
    }

    // The question asked for an unknown pick list value.
    void expectUnknown(const QString& label, const QString& value, bool yes) {
        folder.boxes.expectQuestion(
            label + value + QStringLiteral(" est inconnu, voulez-vous l'enregistrer ? "), yes);
    }
};

} // namespace vdn::test
