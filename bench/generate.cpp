#include "generate.h"

#include "data/connection.h"
#include "data/database_creator.h"
#include "data/demo_data.h"
#include "data/globals.h"
#include "data/schema.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QVariantList>

#include <sqlite3.h>

#include <memory>
#include <random>

namespace bench {

namespace {

// The tables the bulk writes; their indexes and triggers are set aside
// while it writes, then made again, each index in one sorted pass.
const QStringList& bulkTables() {
    static const QStringList tables{QStringLiteral("strclient"), QStringLiteral("strmateriel"),
                                    QStringLiteral("strpercage"), vdn::sheetHistoryTable()};
    return tables;
}

QString insertText(const QString& table, const QStringList& fields) {
    QStringList marks;
    for (qsizetype i = 0; i < fields.size(); ++i)
        marks << QStringLiteral("?");
    return QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
        .arg(table, fields.join(QStringLiteral(", ")), marks.join(QStringLiteral(", ")));
}

class Bulk {
public:
    ~Bulk() {
        for (sqlite3_stmt* s : statements_)
            sqlite3_finalize(s);
        sqlite3_close(db_);
    }

    enum class Use { Bulk, Count };
    QString open(const QString& file, Use use = Use::Bulk) {
        // One thread: no mutex.
        if (sqlite3_open_v2(QFile::encodeName(file).constData(), &db_,
                            SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr) != SQLITE_OK)
            return error();
        // Counting a file in use: its own journal as it is (a pass killed
        // while writing leaves one to roll back).
        if (use == Use::Count)
            return {};
        // A file made anew and removed on any failure: no journal, no
        // flush before the end; a page cache of 64 MiB.
        return run("PRAGMA journal_mode = OFF; PRAGMA synchronous = OFF; "
                   "PRAGMA cache_size = -65536");
    }

    QString run(const QByteArray& sql) {
        char* message = nullptr;
        if (sqlite3_exec(db_, sql.constData(), nullptr, nullptr, &message) == SQLITE_OK)
            return {};
        const QString text = QString::fromUtf8(message ? message : "?") + QStringLiteral(" (") +
                             QString::fromUtf8(sql) + QLatin1Char(')');
        sqlite3_free(message);
        return text;
    }

    // A prepared insert into TABLE of FIELDS; returns its index.
    int prepare(const QString& table, const QStringList& fields, QString* failure) {
        sqlite3_stmt* s = nullptr;
        if (sqlite3_prepare_v2(db_, insertText(table, fields).toUtf8().constData(), -1, &s,
                               nullptr) != SQLITE_OK)
            *failure = error();
        statements_.push_back(s);
        return int(statements_.size()) - 1;
    }

    QString insert(int statement, const QVariantList& values) {
        sqlite3_stmt* s = statements_.at(std::size_t(statement));
        // Bound without a copy: the texts live until the step.
        texts_.resize(values.size());
        for (int i = 0; i < int(values.size()); ++i) {
            texts_[i] = values.at(i).toString().toUtf8();
            sqlite3_bind_text(s, i + 1, texts_[i].constData(), int(texts_[i].size()),
                              SQLITE_STATIC);
        }
        const int step = sqlite3_step(s);
        sqlite3_reset(s);
        return step == SQLITE_DONE ? QString() : error();
    }

    QString count(const char* table, qint64* n) {
        sqlite3_stmt* s = nullptr;
        const QByteArray sql = QByteArray("SELECT count(*) FROM ") + table;
        if (sqlite3_prepare_v2(db_, sql.constData(), -1, &s, nullptr) != SQLITE_OK)
            return error();
        const bool row = sqlite3_step(s) == SQLITE_ROW;
        *n = row ? sqlite3_column_int64(s, 0) : 0;
        sqlite3_finalize(s);
        return row ? QString() : error();
    }

    // The indexes and triggers of the tables: dropped now, their statements
    // kept to make them again.
    QString setAside(QList<QByteArray>* remade) {
        sqlite3_stmt* s = nullptr;
        const QByteArray sql =
            QStringLiteral("SELECT name, sql FROM sqlite_schema WHERE type IN ('index', "
                           "'trigger') AND sql IS NOT NULL AND tbl_name IN ('%1')")
                .arg(bulkTables().join(QStringLiteral("', '")))
                .toUtf8();
        if (sqlite3_prepare_v2(db_, sql.constData(), -1, &s, nullptr) != SQLITE_OK)
            return error();
        QList<QByteArray> names;
        while (sqlite3_step(s) == SQLITE_ROW) {
            names << reinterpret_cast<const char*>(sqlite3_column_text(s, 0));
            remade->append(reinterpret_cast<const char*>(sqlite3_column_text(s, 1)));
        }
        sqlite3_finalize(s);
        for (qsizetype i = 0; i < names.size(); ++i) {
            const bool trigger = remade->at(i).startsWith("CREATE TRIGGER");
            if (QString e =
                    run((trigger ? "DROP TRIGGER \"" : "DROP INDEX \"") + names.at(i) + '"');
                !e.isEmpty())
                return e;
        }
        return {};
    }

private:
    QString error() const { return QString::fromUtf8(db_ ? sqlite3_errmsg(db_) : "SQLite"); }

    sqlite3* db_ = nullptr;
    std::vector<sqlite3_stmt*> statements_;
    QList<QByteArray> texts_;
};

QString code(int n) {
    return QStringLiteral("%1").arg(n, 6, 10, QLatin1Char('0'));
}

// The sheet's versions, oldest first, the last one the sheet as it stands;
// each earlier one had another finger span (PER_11) and comment.
QString writeVersions(Bulk& bulk, int statement, const QVariantList& sheet, int count,
                      qint64* written) {
    const qsizetype span = vdn::sheetFields().indexOf(vdn::sheetMeasureField(11));
    const qsizetype comment = vdn::sheetFields().indexOf(QStringLiteral("PER_COM_D"));
    for (int v = 1; v <= count; ++v) {
        QVariantList values{sheet.at(0), code(v),
                            QDate(2022, 1, 1).addDays(v * 20).toString(Qt::ISODate) +
                                QStringLiteral(" 10:00:00"),
                            vdn::defaultDriller()};
        QVariantList fields = sheet.mid(1);
        if (v < count) {
            fields[span - 1] = QStringLiteral("4 %1/8").arg(v % 8);
            fields[comment - 1] = QStringLiteral("Version %1").arg(v);
        }
        values += fields;
        if (QString e = bulk.insert(statement, values); !e.isEmpty())
            return e;
        ++*written;
    }
    return {};
}

QString fill(const QString& file, const Generation& g, Generated* written) {
    Bulk bulk;
    if (QString e = bulk.open(file); !e.isEmpty())
        return e;
    // The demo's share first.
    for (auto [table, count] : {std::pair{"strclient", &written->customers},
                                {"strmateriel", &written->balls},
                                {"strpercage", &written->sheets},
                                {"strpercage_hist", &written->versions}})
        if (QString e = bulk.count(table, count); !e.isEmpty())
            return e;
    QList<QByteArray> remade;
    if (QString e = bulk.setAside(&remade); !e.isEmpty())
        return e;
    if (QString e = bulk.run("BEGIN"); !e.isEmpty())
        return e;
    QString failure;
    const int customer = bulk.prepare(QStringLiteral("strclient"),
                                      vdn::clientFields() + vdn::clientKeyFields(), &failure);
    const int ball = bulk.prepare(QStringLiteral("strmateriel"), vdn::ballFields(), &failure);
    const int sheet = bulk.prepare(QStringLiteral("strpercage"), vdn::sheetFields(), &failure);
    const int version = bulk.prepare(vdn::sheetHistoryTable(), vdn::sheetHistoryFields(), &failure);
    if (!failure.isEmpty())
        return failure;
    vdn::DemoOptions names;
    names.manyNames = true;
    // A sequence of its own: the demo's customers drew from the seed itself.
    std::mt19937 rng(g.seed * 7919u + 104729u);
    for (int i = DemoCustomers + 1; i <= g.customers; ++i) {
        const QString c = code(i);
        if (QString e = bulk.insert(customer, vdn::demoCustomerValues(i, names, rng)); !e.isEmpty())
            return e;
        ++written->customers;
        const int balls = int(rng() % unsigned(2 * g.ballsPerCustomer + 1));
        for (int line = 1; line <= balls; ++line)
            if (QString e = bulk.insert(ball, vdn::demoBallValues(c, line, rng)); !e.isEmpty())
                return e;
        written->balls += balls;
        if (g.sheetEvery > 0 && i % g.sheetEvery == 1 % g.sheetEvery) {
            const QVariantList values = vdn::demoSheetValues(c, rng);
            if (QString e = bulk.insert(sheet, values); !e.isEmpty())
                return e;
            ++written->sheets;
            const int versions = 1 + int(rng() % unsigned(2 * g.versionsPerSheet - 1));
            if (QString e = writeVersions(bulk, version, values, versions, &written->versions);
                !e.isEmpty())
                return e;
        }
    }
    if (QString e = bulk.run("COMMIT"); !e.isEmpty())
        return e;
    for (const QByteArray& sql : remade)
        if (QString e = bulk.run(sql); !e.isEmpty())
            return e;
    return {};
}

} // namespace

QString countRows(const QString& file, Generated* counted) {
    Bulk bulk;
    if (QString e = bulk.open(file, Bulk::Use::Count); !e.isEmpty())
        return e;
    for (auto [table, count] : {std::pair{"strclient", &counted->customers},
                                {"strmateriel", &counted->balls},
                                {"strpercage", &counted->sheets},
                                {"strpercage_hist", &counted->versions}})
        if (QString e = bulk.count(table, count); !e.isEmpty())
            return e;
    return {};
}

QString generateDatabase(const QString& folder, const Generation& g, Generated* written,
                         const std::function<QString(vdn::Connection&)>& finish) {
    *written = {};
    const QString work = QDir(folder).filePath(QStringLiteral(".generation"));
    // What an interrupted generation left.
    QDir(work).removeRecursively();
    vdn::CreateOptions create;
    create.folder = work;
    create.shopName = QStringLiteral("BOWLING DES QUILLES D'OR");
    create.licence = QStringLiteral("4321");
    vdn::DemoOptions demo;
    demo.customers = std::min(DemoCustomers, g.customers);
    demo.ballsPerCustomer = g.ballsPerCustomer;
    demo.sheetEvery = g.sheetEvery;
    demo.manyNames = true;
    create.demo = demo;
    if (vdn::Status s = vdn::createDatabase(create); !s)
        return s.error().text;
    const QString file = vdn::databasePath(QDir(work).absolutePath() + QLatin1Char('/'));
    QString failure = fill(file, g, written);
    if (failure.isEmpty() && finish) {
        auto c = vdn::Connection::open(file);
        failure = c ? finish(**c) : c.error().text;
    }
    if (failure.isEmpty()) {
        const QString target = vdn::databasePath(QDir(folder).absolutePath() + QLatin1Char('/'));
        if (!QFile::rename(file, target))
            failure = QStringLiteral("%1 non renommé en %2").arg(file, target);
    }
    QDir(work).removeRecursively();
    return failure;
}

} // namespace bench
