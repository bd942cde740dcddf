// Another program writing into a VORDAN database beside the restore tests,
// as a shop's own script would: no lock file, no session mark. It adds the
// customers PREFIX00001, PREFIX00002, ... each in its own transaction, and
// prints each code on its own line once its commit has returned success.
// It stops when the file STOP exists (or after a minute).
//
//   outside_writer DATABASE_FILE|postgresql://... PREFIX STOP
#include <QDeadlineTimer>
#include <QFile>
#include <QString>
#include <QThread>

#include <libpq-fe.h>
#include <sqlite3.h>

#include <cstdio>

namespace {

QByteArray insertFor(const QString& code) {
    return QStringLiteral("INSERT INTO strclient (clt_cod, clt_nom) VALUES ('%1', 'ECRIT "
                          "AILLEURS')")
        .arg(code)
        .toUtf8();
}

} // namespace

int main(int argc, char* argv[]) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: outside_writer DATABASE PREFIX STOP\n");
        return 2;
    }
    const QString database = QString::fromLocal8Bit(argv[1]);
    const QString prefix = QString::fromLocal8Bit(argv[2]);
    const QString stop = QString::fromLocal8Bit(argv[3]);
    const bool server = database.startsWith(QLatin1String("postgresql://"));
    sqlite3* file = nullptr;
    PGconn* session = nullptr;
    if (server) {
        session = PQconnectdb(argv[1]);
        if (PQstatus(session) != CONNECTION_OK) {
            std::fprintf(stderr, "%s\n", PQerrorMessage(session));
            return 1;
        }
        // Waits for any lock as long as the test lasts, never for ever.
        PQclear(PQexec(session, "SET statement_timeout = 30000"));
    } else {
        if (sqlite3_open_v2(argv[1], &file, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
            std::fprintf(stderr, "%s\n", sqlite3_errmsg(file));
            return 1;
        }
        sqlite3_busy_timeout(file, 30000);
    }
    const QDeadlineTimer end(60000);
    for (int n = 1; !QFile::exists(stop) && !end.hasExpired(); ++n) {
        const QString code = prefix + QStringLiteral("%1").arg(n, 5, 10, QLatin1Char('0'));
        const QByteArray sql = insertFor(code);
        bool committed = false;
        if (server) {
            PGresult* r = PQexec(session, sql.constData());
            committed = PQresultStatus(r) == PGRES_COMMAND_OK;
            if (!committed)
                std::fprintf(stderr, "%s: %s", qPrintable(code), PQerrorMessage(session));
            PQclear(r);
        } else {
            committed = sqlite3_exec(file, sql.constData(), nullptr, nullptr, nullptr) == SQLITE_OK;
            if (!committed)
                std::fprintf(stderr, "%s: %s\n", qPrintable(code), sqlite3_errmsg(file));
        }
        if (committed) {
            std::printf("%s\n", qPrintable(code));
            std::fflush(stdout);
        }
        QThread::msleep(3);
    }
    if (server)
        PQfinish(session);
    else
        sqlite3_close(file);
    return 0;
}
