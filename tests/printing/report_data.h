#pragma once

// Rows for the printout and export tests, written straight into the test
// database, and the queries the windows will hand to the reports.

#include "balls/ball_store.h"
#include "data/connection.h"
#include "printing/ball_list_printout.h"
#include "printing/recording_page_writer.h"
#include "support/query_reports.h"

#include <QMap>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <QTest>

namespace vdn::test {

using Fields = QMap<QString, QString>;

// Inserts one row; fields not given stay null.
inline bool insertRow(Connection& c, const QString& table, const Fields& fields) {
    QStringList marks;
    for (qsizetype i = 0; i < fields.size(); ++i)
        marks << QStringLiteral("?");
    QSqlQuery q(c.db());
    q.prepare(QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                  .arg(table, fields.keys().join(QLatin1Char(',')), marks.join(QLatin1Char(','))));
    for (const QString& v : fields)
        q.addBindValue(v);
    if (!q.exec()) {
        qWarning("insert failed: %s", qPrintable(q.lastError().text()));
        return false;
    }
    return true;
}

inline bool insertCustomer(Connection& c, const QString& code, const QString& name,
                           Fields more = {}) {
    more.insert(QStringLiteral("clt_cod"), code);
    more.insert(QStringLiteral("clt_nom"), name);
    return insertRow(c, QStringLiteral("strclient"), more);
}

// Customers 000001... named "CLIENT 001"... so that name order is code order.
inline bool insertCustomers(Connection& c, int count) {
    for (int i = 1; i <= count; ++i)
        if (!insertCustomer(c, QStringLiteral("%1").arg(i, 6, 10, QLatin1Char('0')),
                            QStringLiteral("CLIENT %1").arg(i, 3, 10, QLatin1Char('0'))))
            return false;
    return true;
}

inline bool insertBall(Connection& c, const QString& code, int line, const QString& bag,
                       Fields more = {}) {
    more.insert(QStringLiteral("MAT_CODE"), code);
    more.insert(QStringLiteral("MAT_LG"), QStringLiteral("%1").arg(line, 3, 10, QLatin1Char('0')));
    more.insert(QStringLiteral("MAT_SAC"), bag);
    return insertRow(c, QStringLiteral("strmateriel"), more);
}

// The customer list as the list panel runs it: forward-only, by name.
inline QSqlQuery
customerQuery(Connection& c,
              const QString& sql = QStringLiteral("SELECT * FROM strclient ORDER BY clt_nom")) {
    QSqlQuery q(c.db());
    q.setForwardOnly(true);
    if (!q.prepare(sql) || !q.exec())
        qWarning("customer query failed: %s", qPrintable(q.lastError().text()));
    return q;
}

inline QSqlQuery ballQuery(Connection& c, const QString& code) {
    QSqlQuery q(c.db());
    q.setForwardOnly(true);
    q.prepare(BallPrintoutStatement);
    q.addBindValue(code);
    if (!q.exec())
        qWarning("ball query failed: %s", qPrintable(q.lastError().text()));
    return q;
}

using Op = RecordingPageWriter::Op;
using Kind = RecordingPageWriter::Kind;

// Boxes of the document other than the page headers' frames.
inline QList<Op> bodyBoxes(const RecordingPageWriter& out) {
    QList<Op> boxes;
    for (const Op& op : out.ofKind(Kind::Box))
        if (op.y != 100)
            boxes << op;
    return boxes;
}

// Texts printed at one x below the header, in order.
inline QStringList columnTexts(const RecordingPageWriter& out, double x) {
    QStringList texts;
    for (const Op& op : out.ofKind(Kind::Text))
        if (op.x == x && op.y > 500)
            texts << op.text;
    return texts;
}

// The page numbers printed in the headers, each with the page it is on:
// "p1 1", "p2 2"...
inline QStringList headerPageNumbers(const RecordingPageWriter& out) {
    QStringList numbers;
    for (const Op& op : out.ofKind(Kind::Text))
        if (op.x == 15000)
            numbers << QStringLiteral("p%1 %2").arg(op.page).arg(op.text);
    return numbers;
}

// What headerPageNumbers() gives for a document of that many pages.
inline QStringList pagesNumberedInTurn(int pages) {
    QStringList wanted;
    for (int p = 1; p <= pages; ++p)
        wanted << QStringLiteral("p%1 %1").arg(p);
    return wanted;
}

// One operation as a line of text, for readable comparisons:
// "p1 box 100,100 16000,500", "p1 text 200,200 [LE STRIKE] Times New Roman 13 bold".
inline QString describe(const Op& op) {
    const QString page = QStringLiteral("p%1 ").arg(op.page);
    switch (op.kind) {
    case Kind::Text:
        return page + QStringLiteral("text %1,%2 [%3] %4 %5%6")
                          .arg(op.x)
                          .arg(op.y)
                          .arg(op.text, op.fontName)
                          .arg(op.fontSize)
                          .arg(op.bold ? QStringLiteral(" bold") : QString());
    case Kind::Box:
        return page + QStringLiteral("box %1,%2 %3,%4").arg(op.x).arg(op.y).arg(op.x2).arg(op.y2);
    case Kind::Line:
        return page + QStringLiteral("line %1,%2 %3,%4").arg(op.x).arg(op.y).arg(op.x2).arg(op.y2);
    case Kind::NewPage:
        return page + QStringLiteral("new page");
    case Kind::EndDocument:
        return op.sent ? QStringLiteral("end document (sent)") : QStringLiteral("end document");
    case Kind::Orientation:
        return op.orientation == PageWriter::Orientation::Landscape ? QStringLiteral("landscape")
                                                                    : QStringLiteral("portrait");
    }
    return {};
}

inline QStringList describe(const QList<Op>& ops) {
    QStringList out;
    for (const Op& op : ops)
        out << describe(op);
    return out;
}

} // namespace vdn::test
