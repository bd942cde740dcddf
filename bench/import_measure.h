#pragma once

// The import of customers from a CSV, measured against a bare prepared insert
// of the same rows into the same database (each round in one transaction,
// the rows taken out again afterwards), and how long an import holds the
// write lock that other workstations wait on.

#include "customers/customer_store.h"
#include "data/connection.h"
#include "data/schema.h"
#include "data/statement.h"
#include "drilling/sheet_store.h"
#include "import/import_writer.h"

#include <QElapsedTimer>

#include <algorithm>

namespace bench {
using namespace vdn;

struct ImportMeasure {
    double importMs = 0;   // median: reading, checking and writing the file
    double floorMs = 0;    // median: the same rows by a bare prepared insert
    double heldMs = 0;     // median: the longest the import held the write lock at once
    double recheckMs = 0;  // median of 3: the file checked again once imported
    double surnamesMs = 0; // median of 3: a file of as many rows and 34 surnames
    int surnameRowsMet = 0;
    QString error;
};

// A Windows-1252 CSV with semicolons, the way a till exports its customers.
inline QByteArray importFile(int rows, int firstNumber) {
    QByteArray out("Nom;Pr\xe9nom;T\xe9l\xe9phone;Portable;CP;Ville;E-mail\r\n");
    for (int i = 0; i < rows; ++i) {
        const int n = firstNumber + i;
        out += QStringLiteral("Import%1;\u00c9lodie;04 50 %2;06 %3;74000;Annecy;c%1@exemple.fr\r\n")
                   .arg(n)
                   .arg(n % 100000000, 8, 10, QLatin1Char('0'))
                   .arg(n % 100000000, 8, 10, QLatin1Char('0'))
                   .toLatin1();
    }
    return out;
}

// As many rows as importFile, of 34 common surnames only: the first word of
// every row reaches thousands of customers.
inline QByteArray surnamesFile(int rows) {
    static const char* const surnames[] = {
        "ADAM",     "ALBERT",  "ALLARD",    "ANDRIEU", "ARNAUD",    "AUBERT",    "AUBRY",
        "BAILLY",   "BARBIER", "BARON",     "BARRE",   "BENOIT",    "BERGER",    "BERTIN",
        "BERTRAND", "BESSON",  "BLANCHARD", "BOUCHER", "BOULANGER", "BOURGEOIS", "BOUVIER",
        "BOYER",    "BRETON",  "BRUN",      "BRUNET",  "CAMUS",     "CARON",     "CARPENTIER",
        "CHARLES",  "DURAND",  "DUMAS",     "DUMONT",  "DUPUIS",    "MARTIN"};
    QByteArray out("Nom;Pr\xe9nom;T\xe9l\xe9phone;CP;Ville\r\n");
    for (int i = 0; i < rows; ++i)
        out += QStringLiteral("%1;Pr%2;04 51 %3;74000;Annecy\r\n")
                   .arg(QLatin1String(surnames[i % 34]))
                   .arg(i)
                   .arg(i % 100000000, 8, 10, QLatin1Char('0'))
                   .toLatin1();
    return out;
}

inline double medianOf(QList<double> v) {
    std::sort(v.begin(), v.end());
    return v.isEmpty() ? 0 : v.at(v.size() / 2);
}

inline ImportMeasure measureImport(Connection& c, int rows, int rounds = 5) {
    ImportMeasure m;
    QSqlDatabase db = c.db();
    const int above = CustomerStore(db).nextCode(SheetStore(db)).value().toInt();
    const QString removeImported = QStringLiteral("DELETE FROM strclient WHERE clt_cod >= ?");
    const QString firstCode = QStringLiteral("%1").arg(above, 6, 10, QLatin1Char('0'));
    const auto timeImport = [&](const QByteArray& file, double* held) {
        QElapsedTimer t;
        t.start();
        const TextTable table = readTextTable(file, TextOptions());
        const ImportMapping mapping{guessMapping(table.columns, table.header),
                                    DuplicateChoice::Skip, false};
        Result<ImportCheck> check = checkAgainst(db, table, mapping);
        if (!check)
            return -1.0;
        Result<WriteOutcome> w =
            writeImport(db, SheetStore(db), *check, QStringLiteral("clients.csv"));
        if (!w || w->counts.imported != table.rows.size())
            return -1.0;
        const double ms = double(t.nsecsElapsed()) / 1e6;
        if (held)
            *held = w->lockHeldMs;
        return ms;
    };
    const QByteArray file = importFile(rows, above);
    const TextTable table = readTextTable(file, TextOptions());
    QList<double> imports, floors, helds;
    for (int round = 0; round < rounds; ++round) {
        double held = 0;
        const double ms = timeImport(file, &held);
        if (ms < 0 || !run(db, removeImported, {firstCode})) {
            m.error = QStringLiteral("import");
            return m;
        }
        imports << ms;
        helds << held;

        // The floor: the stored fields of the same rows, one prepared insert.
        QElapsedTimer t;
        t.start();
        {
            Transaction tr(db);
            Statement q(db, insertText(QStringLiteral("strclient"), clientFields()));
            for (int i = 0; i < table.rows.size(); ++i) {
                const QStringList& r = table.rows.at(i);
                q.bind(QStringLiteral("%1").arg(above + i, 6, 10, QLatin1Char('0')))
                    .bind(QString())
                    .bind(r.at(0).toUpper() + QLatin1Char(' ') + r.at(1).toUpper());
                for (const QString& v : {QString(), QString(), QString(), r.at(4), r.at(5),
                                         QString(), r.at(2), r.at(3), QString(), r.at(6)})
                    q.bind(v);
                q.bind(QString())
                    .bind(QString())
                    .bind(QStringLiteral("T"))
                    .bind(QStringLiteral("D"))
                    .bind(QStringLiteral("S"))
                    .bind(QStringLiteral("0"))
                    .bind(QString());
                if (!q.exec()) {
                    m.error = QStringLiteral("plancher");
                    return m;
                }
            }
            if (!tr.commit()) {
                m.error = QStringLiteral("plancher");
                return m;
            }
        }
        floors << double(t.nsecsElapsed()) / 1e6;
        if (!run(db, removeImported, {firstCode})) {
            m.error = QStringLiteral("nettoyage");
            return m;
        }
    }
    m.importMs = medianOf(imports);
    m.floorMs = medianOf(floors);
    m.heldMs = medianOf(helds);

    // The file checked again once imported: every row meets its customer.
    // Then a file of 34 surnames against the base as it was.
    if (timeImport(file, nullptr) < 0) {
        m.error = QStringLiteral("import gardé");
        return m;
    }
    const auto timeCheck = [&](const TextTable& t, int* met) {
        QList<double> times;
        for (int round = 0; round < 3; ++round) {
            QElapsedTimer timer;
            timer.start();
            const ImportMapping mapping{guessMapping(t.columns, t.header), DuplicateChoice::Skip,
                                        false};
            Result<ImportCheck> check = checkAgainst(db, t, mapping);
            if (!check)
                return -1.0;
            times << double(timer.nsecsElapsed()) / 1e6;
            *met = countOutcomes(*check).ignored;
        }
        return medianOf(times);
    };
    int met = 0;
    m.recheckMs = timeCheck(table, &met);
    if (m.recheckMs < 0 || met != table.rows.size() || !run(db, removeImported, {firstCode})) {
        m.error = QStringLiteral("nouveau contrôle");
        return m;
    }
    m.surnamesMs = timeCheck(readTextTable(surnamesFile(rows), TextOptions()), &m.surnameRowsMet);
    if (m.surnamesMs < 0)
        m.error = QStringLiteral("contrôle des noms de famille");
    return m;
}

} // namespace bench
