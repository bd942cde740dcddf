#include "floors.h"

#include "customers/customer_store.h"
#include "data/french_text.h"
#include "support/pg_cluster.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFont>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QProcess>

#include <libpq-fe.h>
#include <sqlite3.h>

#include <cstdio>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

namespace bench {

namespace {
volatile std::size_t sink = 0;
}

RawDatabase::RawDatabase(const QString& path) {
    if (sqlite3_open_v2(QFile::encodeName(path).constData(), &db_, SQLITE_OPEN_READONLY, nullptr) !=
        SQLITE_OK) {
        sqlite3_close(db_);
        db_ = nullptr;
    }
}

RawDatabase::~RawDatabase() {
    for (auto& [sql, stmt] : statements_)
        sqlite3_finalize(stmt);
    sqlite3_close(db_);
}

int RawDatabase::firstRows(const char* sql, const QList<QByteArray>& values, int rows) {
    if (!db_)
        return -1;
    sqlite3_stmt*& stmt = statements_[sql];
    if (!stmt && sqlite3_prepare_v2(db_, sql, -1, &stmt, nullptr) != SQLITE_OK)
        return -1;
    sqlite3_reset(stmt);
    for (int i = 0; i < values.size(); ++i)
        sqlite3_bind_text(stmt, i + 1, values.at(i).constData(), int(values.at(i).size()),
                          SQLITE_TRANSIENT);
    int read = 0;
    const int columns = sqlite3_column_count(stmt);
    std::size_t bytes = 0;
    while ((rows < 0 || read < rows) && sqlite3_step(stmt) == SQLITE_ROW) {
        for (int c = 0; c < columns; ++c)
            if (const unsigned char* t = sqlite3_column_text(stmt, c))
                bytes += std::size_t(sqlite3_column_bytes(stmt, c)) + (t[0] != 0);
        ++read;
    }
    sqlite3_reset(stmt);
    sink = sink + bytes; // the texts were really read
    return read;
}

RawServer::RawServer(const QString& address) {
    conn_ = PQconnectdb(address.toUtf8().constData());
    if (PQstatus(conn_) != CONNECTION_OK) {
        std::fprintf(stderr, "libpq : %s\n", PQerrorMessage(conn_));
        PQfinish(conn_);
        conn_ = nullptr;
    }
}

RawServer::~RawServer() {
    if (conn_)
        PQfinish(conn_);
}

QString RawServer::error() const {
    return conn_ ? QString::fromUtf8(PQerrorMessage(conn_)).trimmed() : QString();
}

int RawServer::firstRows(const char* sql, const QList<QByteArray>& values, int rows) {
    if (!conn_)
        return -1;
    const std::string key = std::string(sql) + '#' + std::to_string(rows);
    std::string& name = statements_[key];
    if (name.empty()) {
        // ?N becomes $N; the page's limit is written in, as the program's
        // LIMIT ? is bound.
        std::string text;
        for (const char* c = sql; *c; ++c)
            text += *c == '?' ? '$' : *c;
        if (rows >= 0)
            text += " LIMIT " + std::to_string(rows);
        const std::string given = "floor" + std::to_string(statements_.size());
        PGresult* prepared = PQprepare(conn_, given.c_str(), text.c_str(), 0, nullptr);
        const bool ok = PQresultStatus(prepared) == PGRES_COMMAND_OK;
        PQclear(prepared);
        if (!ok) {
            statements_.erase(key);
            return -1;
        }
        name = given;
    }
    std::vector<const char*> params;
    std::vector<int> lengths;
    for (const QByteArray& v : values) {
        params.push_back(v.constData());
        lengths.push_back(int(v.size()));
    }
    PGresult* r = PQexecPrepared(conn_, name.c_str(), int(params.size()), params.data(),
                                 lengths.data(), nullptr, 0);
    if (PQresultStatus(r) != PGRES_TUPLES_OK) {
        PQclear(r);
        return -1;
    }
    const int read = PQntuples(r);
    const int columns = PQnfields(r);
    std::size_t bytes = 0;
    for (int row = 0; row < read; ++row)
        for (int c = 0; c < columns; ++c) {
            const char* t = PQgetvalue(r, row, c);
            bytes += std::size_t(PQgetlength(r, row, c)) + (t[0] != 0);
        }
    PQclear(r);
    sink = sink + bytes;
    return read;
}

int searchFloor(FloorDatabase& db, const QString& typed, int rows) {
    // The list's search: a range of the name's first key, in French order.
    const vdn::KeyRange range = vdn::searchRange(vdn::foldForSearch(typed));
    if (!range.high.isEmpty())
        return db.firstRows(
            "SELECT clt_cod, clt_nom, clt_ad1, clt_cp, clt_vil, clt_tel, clt_gsm, clt_etat "
            "FROM strclient WHERE clt_nom_k1 >= ?1 AND clt_nom_k1 < ?2 "
            "ORDER BY clt_nom_k1, clt_nom_k2, clt_cod",
            {range.low.toUtf8(), range.high.toUtf8()}, rows);
    return db.firstRows("SELECT clt_cod, clt_nom, clt_ad1, clt_cp, clt_vil, clt_tel, clt_gsm, "
                        "clt_etat FROM strclient WHERE clt_nom_k1 >= ?1 "
                        "ORDER BY clt_nom_k1, clt_nom_k2, clt_cod",
                        {range.low.toUtf8()}, rows);
}

int numberSearchFloor(FloorDatabase& db, const QString& typed, int rows, bool sorted) {
    // A number: the name range, then a prefix range of each number's digits
    // (and of the code when the digits can begin one), in French order.
    const vdn::KeyRange name = vdn::searchRange(vdn::foldForSearch(typed));
    const vdn::KeyRange phone = vdn::prefixRange(vdn::searchDigits(typed));
    const QString code = vdn::codeDigits(typed);
    const vdn::KeyRange codes = vdn::prefixRange(code.isEmpty() ? QStringLiteral("-") : code);
    const QByteArray sql =
        "SELECT clt_cod, clt_nom, clt_ad1, clt_cp, clt_vil, clt_tel, clt_gsm, clt_etat "
        "FROM strclient WHERE (clt_nom_k1 >= ?1 AND clt_nom_k1 < ?2) "
        "OR (clt_tel_k >= ?3 AND clt_tel_k < ?4) OR (clt_gsm_k >= ?3 AND clt_gsm_k < ?4) "
        "OR (clt_fax_k >= ?3 AND clt_fax_k < ?4) OR (clt_cod >= ?5 AND clt_cod < ?6) "
        "ORDER BY clt_nom_k1" +
        QByteArray(sorted ? " || ''" : "") + ", clt_nom_k2, clt_cod";
    return db.firstRows(sql.constData(),
                        {name.low.toUtf8(), name.high.toUtf8(), phone.low.toUtf8(),
                         phone.high.toUtf8(), codes.low.toUtf8(), codes.high.toUtf8()},
                        rows);
}

namespace {

// UTF-8 to Windows-1252 for the Latin-1 range; anything else becomes '?'.
void putWindows1252(const unsigned char* s, FILE* out) {
    while (*s) {
        unsigned c = *s++;
        if (c < 0x80) {
            std::putc(int(c), out);
        } else if ((c & 0xE0) == 0xC0 && *s) {
            const unsigned cp = ((c & 0x1F) << 6) | (*s++ & 0x3F);
            std::putc(cp <= 0xFF ? int(cp) : '?', out);
        } else {
            while ((*s & 0xC0) == 0x80)
                ++s;
            std::putc('?', out);
        }
    }
}

} // namespace

int exportFloor(RawDatabase& db, const QString& path) {
    if (!db.ok())
        return -1;
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db.handle(),
                           "SELECT clt_cod, clt_nom, clt_ad1, clt_ad2, clt_ad3, clt_cp, clt_vil, "
                           "clt_pays, clt_tel, clt_gsm, clt_nic FROM strclient "
                           "ORDER BY clt_nom, clt_cod",
                           -1, &stmt, nullptr) != SQLITE_OK)
        return -1;
    FILE* out = std::fopen(QFile::encodeName(path).constData(), "wb");
    if (!out) {
        sqlite3_finalize(stmt);
        return -1;
    }
    std::fputs("Code,Nom,Adresse1,Adresse2,Adresse3,CP,Ville,Pays,Tel,Gsm,NIC\r\n", out);
    int lines = 0;
    while (sqlite3_step(stmt) == SQLITE_ROW) {
        for (int c = 0; c < 11; ++c) {
            if (c > 0)
                std::putc(',', out);
            if (const unsigned char* t = sqlite3_column_text(stmt, c))
                putWindows1252(t, out);
        }
        std::fputs("\r\n", out);
        ++lines;
    }
    sqlite3_finalize(stmt);
    return std::fclose(out) == 0 ? lines : -1;
}

int exportFloor(RawServer& db, const QString& path) {
    PGconn* conn = db.handle();
    if (!conn)
        return -1;
    const auto command = [&](const char* sql) {
        PGresult* r = PQexec(conn, sql);
        const bool ok = PQresultStatus(r) == PGRES_COMMAND_OK;
        PQclear(r);
        return ok;
    };
    if (!command("SET client_encoding = 'WIN1252'"))
        return -1;
    FILE* out = std::fopen(QFile::encodeName(path).constData(), "wb");
    if (!out) {
        command("RESET client_encoding");
        return -1;
    }
    std::fputs("Code,Nom,Adresse1,Adresse2,Adresse3,CP,Ville,Pays,Tel,Gsm,NIC\r\n", out);
    int lines = -1;
    PGresult* r = PQexec(conn, "COPY (SELECT clt_cod, clt_nom, clt_ad1, clt_ad2, clt_ad3, clt_cp, "
                               "clt_vil, clt_pays, clt_tel, clt_gsm, clt_nic FROM strclient "
                               "ORDER BY clt_nom_k1, clt_nom_k2, clt_cod) TO STDOUT (FORMAT csv)");
    const bool copying = PQresultStatus(r) == PGRES_COPY_OUT;
    PQclear(r);
    if (copying) {
        // One row of the CSV each time.
        int count = 0;
        char* buffer = nullptr;
        int n = 0;
        while ((n = PQgetCopyData(conn, &buffer, 0)) > 0) {
            std::fwrite(buffer, 1, std::size_t(n), out);
            PQfreemem(buffer);
            ++count;
        }
        bool done = n == -1;
        while (PGresult* end = PQgetResult(conn)) {
            done = done && PQresultStatus(end) == PGRES_COMMAND_OK;
            PQclear(end);
        }
        if (done)
            lines = count;
    }
    if (std::fclose(out) != 0)
        lines = -1;
    command("RESET client_encoding");
    return lines;
}

bool syncFile(const QString& path) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDWR);
    if (fd < 0)
        return false;
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

bool copyFloor(const QString& from, const QString& to) {
    const int in = ::open(QFile::encodeName(from).constData(), O_RDONLY);
    if (in < 0)
        return false;
    const int out = ::open(QFile::encodeName(to).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (out < 0) {
        ::close(in);
        return false;
    }
    std::vector<char> buffer(1 << 20);
    bool ok = true;
    for (;;) {
        const ssize_t n = ::read(in, buffer.data(), buffer.size());
        if (n <= 0) {
            ok = n == 0;
            break;
        }
        if (::write(out, buffer.data(), std::size_t(n)) != n) {
            ok = false;
            break;
        }
    }
    ok = ::fsync(out) == 0 && ok;
    ::close(in);
    ::close(out);
    return ok;
}

bool paintFloor(const QList<vdn::RecordingPageWriter::Op>& ops, const QString& pdf) {
    using Kind = vdn::RecordingPageWriter::Kind;
    QPdfWriter writer(pdf);
    writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Landscape,
                                     QMarginsF(2.5, 2.5, 2.5, 2.5), QPageLayout::Millimeter));
    writer.setResolution(1200);
    QPainter p;
    if (!p.begin(&writer))
        return false;
    const double scale = writer.resolution() / 1440.0;
    p.scale(scale, scale);
    p.setPen(QPen(Qt::black, 10));
    for (const auto& op : ops) {
        switch (op.kind) {
        case Kind::Text: {
            QFont f(op.fontName);
            f.setPixelSize(int(op.fontSize * 20));
            f.setBold(op.bold);
            p.setFont(f);
            p.drawText(QPointF(op.x, op.y + op.fontSize * 16), op.text);
            break;
        }
        case Kind::Box:
            p.drawRect(QRectF(QPointF(op.x, op.y), QPointF(op.x2, op.y2)));
            break;
        case Kind::Line:
            p.drawLine(QPointF(op.x, op.y), QPointF(op.x2, op.y2));
            break;
        case Kind::NewPage:
            writer.newPage();
            break;
        case Kind::EndDocument:
        case Kind::Orientation:
            break;
        }
    }
    return p.end();
}

double dumpFloor(const QString& address, QString* error) {
    // The dump of the server that runs the base, else the one on the PATH.
    const QString bin = vdn::test::PgCluster::binaries();
    const QString program =
        bin.isEmpty() ? QStringLiteral("pg_dump") : bin + QStringLiteral("/pg_dump");
    QProcess dump;
    dump.setProcessChannelMode(QProcess::SeparateChannels);
    dump.setStandardOutputFile(QStringLiteral("/dev/null"));
    QElapsedTimer t;
    t.start();
    dump.start(program, {QStringLiteral("--no-password"), QStringLiteral("--dbname"), address});
    const bool finished = dump.waitForStarted() && dump.waitForFinished(-1);
    const double ms = double(t.nsecsElapsed()) / 1e6;
    if (!finished || dump.exitStatus() != QProcess::NormalExit || dump.exitCode() != 0) {
        *error = program + QStringLiteral(" : ") +
                 QString::fromLocal8Bit(dump.readAllStandardError()).trimmed();
        return -1;
    }
    return ms;
}

} // namespace bench
