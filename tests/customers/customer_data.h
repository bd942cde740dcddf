#pragma once

// Customers, balls and drilling sheets written straight into a test
// database, so that each test states the rows it starts from.

#include "data/connection.h"
#include "data/french_text.h"
#include "data/schema.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <QVariantMap>

namespace vdn::test {

// Inserts one row; fields not given stay null.
inline bool insertRow(Connection& c, const QString& table, const QVariantMap& fields) {
    QStringList names, marks;
    for (auto it = fields.begin(); it != fields.end(); ++it) {
        names << it.key();
        marks << QStringLiteral("?");
    }
    QSqlQuery q(c.db());
    if (!q.prepare(QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                       .arg(table, names.join(QLatin1Char(',')), marks.join(QLatin1Char(',')))))
        return false;
    for (const QVariant& v : fields)
        q.addBindValue(v);
    if (!q.exec()) {
        qWarning("insert into %s failed: %s", qPrintable(table), qPrintable(q.lastError().text()));
        return false;
    }
    return true;
}

// A customer with every field written as the record panel writes it.
inline QVariantMap customerRow(const QString& code, const QString& name,
                               const QString& town = QString(), const QVariantMap& more = {}) {
    QVariantMap row;
    for (const QString& f : clientFields())
        row.insert(f, QString(QLatin1String("")));
    row[QStringLiteral("clt_cod")] = code;
    row[QStringLiteral("clt_nom")] = name;
    row[QStringLiteral("clt_vil")] = town;
    row[QStringLiteral("clt_tar")] = QStringLiteral("T");
    row[QStringLiteral("clt_dg")] = QStringLiteral("D");
    row[QStringLiteral("clt_poig")] = QStringLiteral("S");
    row[QStringLiteral("clt_lbs")] = QStringLiteral("0");
    for (auto it = more.begin(); it != more.end(); ++it)
        row[it.key()] = it.value();
    return row;
}

// A customer as the program writes it: the row, then its ordering and
// search keys (a row inserted by another program has none until the
// customer window computes them).
inline bool addCustomer(Connection& c, const QString& code, const QString& name,
                        const QString& town = QString(), const QVariantMap& more = {}) {
    const QVariantMap row = customerRow(code, name, town, more);
    if (!insertRow(c, QStringLiteral("strclient"), row))
        return false;
    const auto text = [&](const char* field) { return row.value(QLatin1String(field)).toString(); };
    QSqlQuery q(c.db());
    q.prepare(QStringLiteral("UPDATE strclient SET clt_nom_k1 = ?, clt_nom_k2 = ?, clt_vil_k1 = ?, "
                             "clt_vil_k2 = ?, clt_tel_k = ?, clt_gsm_k = ?, clt_fax_k = ? "
                             "WHERE clt_cod = ?"));
    for (const QString& v : {sortKey1(name), sortKey2(name), sortKey1(town), sortKey2(town),
                             phoneDigits(text("clt_tel")), phoneDigits(text("clt_gsm")),
                             phoneDigits(text("clt_fax")), code})
        q.addBindValue(v);
    if (!q.exec()) {
        qWarning("keys of %s: %s", qPrintable(code), qPrintable(q.lastError().text()));
        return false;
    }
    return true;
}

// The customers the customer window tests start from: DUPONT JEAN of
// Annecy (sigle, address, postcode and phone, and `dupont`), DURAND MARIE of
// Zurich (and `durand`) and ADUR PAUL of Lyon, codes 000001 to 000003.
inline bool addSampleCustomers(Connection& c, const QVariantMap& dupont = {},
                               const QVariantMap& durand = {}) {
    QVariantMap first{{QStringLiteral("clt_int"), QStringLiteral("M.")},
                      {QStringLiteral("clt_ad1"), QStringLiteral("3, rue des Lilas")},
                      {QStringLiteral("clt_cp"), QStringLiteral("74000")},
                      {QStringLiteral("clt_tel"), QStringLiteral("04 50 00 00 01")}};
    first.insert(dupont);
    return addCustomer(c, QStringLiteral("000001"), QStringLiteral("DUPONT JEAN"),
                       QStringLiteral("Annecy"), first) &&
           addCustomer(c, QStringLiteral("000002"), QStringLiteral("DURAND MARIE"),
                       QStringLiteral("Zurich"), durand) &&
           addCustomer(c, QStringLiteral("000003"), QStringLiteral("ADUR PAUL"),
                       QStringLiteral("Lyon"));
}

inline bool addBall(Connection& c, const QString& code, const QString& line,
                    const QString& sac = QStringLiteral("000")) {
    return insertRow(c, QStringLiteral("strmateriel"),
                     {{QStringLiteral("MAT_CODE"), code},
                      {QStringLiteral("MAT_LG"), line},
                      {QStringLiteral("MAT_SAC"), sac},
                      {QStringLiteral("mat_marque"), QStringLiteral("STORM")}});
}

inline bool addSheet(Connection& c, const QString& code) {
    return insertRow(c, QStringLiteral("strpercage"),
                     {{QStringLiteral("per_code"), code}, {QStringLiteral("PER_08"), "1/4"}});
}

} // namespace vdn::test
