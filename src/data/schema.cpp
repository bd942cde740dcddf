#include "data/schema.h"

#include "data/connection.h"
#include "data/database_lock.h"
#include "data/dialect.h"
#include "data/french_text.h"
#include "data/statement.h"
#include "data/stored_moment.h"
#include "data/upgrade_lock.h"

#include <QDateTime>
#include <QDir>

#include <mutex>
#include <utility>

namespace vdn {

QStringList specifFields() {
    return {QStringLiteral("spe_cod"), QStringLiteral("spe_nom"), QStringLiteral("spe_lic")};
}

QStringList clientFields() {
    return customerColumnNames();
}

QStringList ballFields() {
    return ballColumnNames();
}

QStringList clientKeyFields() {
    return {
        QStringLiteral("clt_nom_k1"), QStringLiteral("clt_nom_k2"), QStringLiteral("clt_vil_k1"),
        QStringLiteral("clt_vil_k2"), QStringLiteral("clt_tel_k"),  QStringLiteral("clt_gsm_k"),
        QStringLiteral("clt_fax_k"),  QStringLiteral("clt_ad1_k1"), QStringLiteral("clt_ad1_k2")};
}

QVariantList clientKeyValues(const QString& name, const QString& town, const QString& tel,
                             const QString& gsm, const QString& fax, const QString& address) {
    return {sortKey1(name),   sortKey2(name),    sortKey1(town),
            sortKey2(town),   phoneDigits(tel),  phoneDigits(gsm),
            phoneDigits(fax), sortKey1(address), sortKey2(address)};
}

QList<int> sheetMeasureNumbers() {
    QList<int> numbers;
    for (int n = 8; n <= 34; ++n)
        numbers.append(n);
    numbers.append(36);
    return numbers;
}

QString sheetMeasureField(int number) {
    return QStringLiteral("PER_%1").arg(number, 2, 10, QLatin1Char('0'));
}

QStringList sheetFields() {
    QStringList fields{QStringLiteral("per_code")};
    for (int n : sheetMeasureNumbers())
        fields.append(sheetMeasureField(n));
    fields << QStringLiteral("PER_COM_D") << QStringLiteral("PER_COM_P")
           << QStringLiteral("PER_TYP_POUCE") << QStringLiteral("PER_VIN_URE")
           << QStringLiteral("PER_OVAL_CON");
    return fields;
}

QString drillerField() {
    return QStringLiteral("spe_perceur");
}

QString defaultDriller() {
    return QStringLiteral("Tibor Vallasse");
}

QString sheetHistoryTable() {
    return QStringLiteral("strpercage_hist");
}

QStringList sheetHistoryKeyFields() {
    return {QStringLiteral("per_code"), QStringLiteral("his_num"), QStringLiteral("his_date"),
            QStringLiteral("his_perceur")};
}

QStringList sheetHistoryFields() {
    return sheetHistoryKeyFields() + sheetFields().mid(1);
}

QString ruleProfileField() {
    return QStringLiteral("spe_regles");
}

QString ballDrillingTable() {
    return QStringLiteral("strperc_boule");
}

QStringList ballDrillingFields() {
    return drillingColumnNames();
}

QString importTable() {
    return QStringLiteral("strimport");
}

QStringList importFields() {
    return {QStringLiteral("imp_num"),       QStringLiteral("imp_date"),
            QStringLiteral("imp_fichier"),   QStringLiteral("imp_poste"),
            QStringLiteral("imp_lignes"),    QStringLiteral("imp_crees"),
            QStringLiteral("imp_completes"), QStringLiteral("imp_ignores"),
            QStringLiteral("imp_refuses"),   QStringLiteral("imp_etat"),
            QStringLiteral("imp_annulee")};
}

QString importCodeTable() {
    return QStringLiteral("strimport_client");
}

QStringList importCodeFields() {
    return {QStringLiteral("imp_num"), QStringLiteral("clt_cod")};
}

QString importStagingTable() {
    return QStringLiteral("strimport_attente");
}

QStringList importStagingFields() {
    return QStringList{QStringLiteral("imp_num"), QStringLiteral("att_ordre"),
                       QStringLiteral("att_numerote")} +
           clientFields() + clientKeyFields();
}

QStringList paramFields() {
    return {QStringLiteral("par_table"), QStringLiteral("par_lib")};
}

namespace {

// Free text columns compare without regard to case, like the old engine did;
// keys compare exactly.
QString columns(const Dialect& d, const QStringList& fields, const QStringList& keys) {
    QStringList parts;
    for (const QString& f : fields)
        parts << d.textColumn(f, keys.contains(f) ? Dialect::Column::Key : Dialect::Column::Text);
    return parts.join(QStringLiteral(", "));
}

QStringList schemaV1(const Dialect& d) {
    using Column = Dialect::Column;
    const QString extras = d.tableExtras();
    QStringList statements{
        QStringLiteral("CREATE TABLE strspecif (%1%2)").arg(columns(d, specifFields(), {}), extras),
        QStringLiteral("CREATE TABLE strclient (%1%2, PRIMARY KEY (clt_cod))")
            .arg(columns(d, customerColumnsSince(1), {QStringLiteral("clt_cod")}), extras),
        QStringLiteral("CREATE TABLE strmateriel (%1%2, PRIMARY KEY (MAT_CODE, MAT_LG))")
            .arg(columns(d, ballColumnsSince(1),
                         {QStringLiteral("MAT_CODE"), QStringLiteral("MAT_LG")}),
                 extras),
        QStringLiteral("CREATE TABLE strpercage (%1%2, PRIMARY KEY (per_code))")
            .arg(columns(d, sheetFields(), {QStringLiteral("per_code")}), extras),
        QStringLiteral("CREATE TABLE strparam (%1, %2%3%4)")
            .arg(d.textColumn(QStringLiteral("par_table"), Column::Key),
                 d.textColumn(QStringLiteral("par_lib"), Column::CaselessKey), extras,
                 d.caselessUniqueClause(QStringLiteral("par_table"), QStringLiteral("par_lib"))),
    };
    statements << d.caselessUniqueIndex(QStringLiteral("strparam_valeur"),
                                        QStringLiteral("strparam"), QStringLiteral("par_table"),
                                        QStringLiteral("par_lib"));
    return statements +
           QStringList{
               // Look-ups the windows make: customers by name prefix and by town
               // (customers by code and balls by customer use the primary keys,
               // values by table the unique index).
               QStringLiteral("CREATE INDEX strclient_nom ON strclient (clt_nom, clt_cod)"),
               QStringLiteral("CREATE INDEX strclient_vil ON strclient (clt_vil)"),
           };
}

const QStringList& tableNames() {
    static const QStringList names{QStringLiteral("strspecif"), QStringLiteral("strclient"),
                                   QStringLiteral("strmateriel"), QStringLiteral("strpercage"),
                                   QStringLiteral("strparam")};
    return names;
}

Result<int> userVersion(Connection& c) {
    Result<QVariant> version = scalar(c.db(), Dialect::of(c.db()).readSchemaVersion());
    if (!version)
        return version.error();
    return version->toInt();
}

// 2 to 3: French search and order read stored keys, compared byte by byte.
QStringList frenchKeys(const Dialect& d) {
    QStringList steps;
    for (const QString& k : clientKeyFields())
        steps << QStringLiteral("ALTER TABLE strclient ADD COLUMN ") + d.sortKeyColumn(k);
    steps << QStringLiteral("DROP INDEX IF EXISTS strclient_nom")
          // The list's order and name search, every column it shows or sorts
          // by included: a search never visits the table.
          << QStringLiteral("CREATE INDEX strclient_nom ON strclient (clt_nom_k1, clt_nom_k2, "
                            "clt_cod, clt_nom, clt_ad1, clt_cp, clt_vil, clt_tel, clt_gsm, "
                            "clt_etat, clt_vil_k1, clt_vil_k2)")
          << QStringLiteral("DROP INDEX IF EXISTS strclient_vil")
          << QStringLiteral("CREATE INDEX strclient_vil ON strclient (clt_vil_k1, clt_vil_k2, "
                            "clt_cod)")
          // The address heading's order.
          << QStringLiteral("CREATE INDEX strclient_ad1 ON strclient (clt_ad1_k1, clt_ad1_k2, "
                            "clt_cod)")
          // The search by number: one index per number, the code has its own.
          << QStringLiteral("CREATE INDEX strclient_tel ON strclient (clt_tel_k)")
          << QStringLiteral("CREATE INDEX strclient_gsm ON strclient (clt_gsm_k)")
          << QStringLiteral("CREATE INDEX strclient_fax ON strclient (clt_fax_k)")
          // The rows whose keys are still to compute, without reading the others.
          << QStringLiteral("CREATE INDEX strclient_acalculer ON strclient (clt_cod) "
                            "WHERE clt_nom_k2 IS NULL");
    const QStringList k = clientKeyFields();
    steps << d.keyTriggers(QStringLiteral("strclient_cles"), QStringLiteral("strclient"),
                           QStringLiteral("clt_cod"),
                           {{QStringLiteral("clt_nom"), k.at(0), k.at(1)},
                            {QStringLiteral("clt_vil"), k.at(2), k.at(3)},
                            {QStringLiteral("clt_ad1"), k.at(7), k.at(8)}},
                           {{QStringLiteral("clt_tel"), k.at(4)},
                            {QStringLiteral("clt_gsm"), k.at(5)},
                            {QStringLiteral("clt_fax"), k.at(6)}});
    return steps;
}

// 3 to 4: the shop's driller, and the dated history of every drilling sheet.
// Each sheet already in the file becomes its first version, dated at the
// upgrade with no driller, so that the first change afterwards has
// something to be compared with.
QStringList sheetHistory(const Dialect& d) {
    using Column = Dialect::Column;
    const QString table = sheetHistoryTable();
    const QStringList keys{QStringLiteral("per_code"), QStringLiteral("his_num")};
    // The upgrade's own date and time, written by the program: no typed text.
    const QString now = storedMoment(QDateTime::currentDateTime());
    QStringList copied;
    for (const QString& f : sheetFields().mid(1))
        copied << QStringLiteral("coalesce(%1, '')").arg(f);
    return {
        QStringLiteral("ALTER TABLE strspecif ADD COLUMN %1 DEFAULT '%2'")
            .arg(d.textColumn(drillerField(), Column::Text), defaultDriller()),
        QStringLiteral("CREATE TABLE %1 (%2%3, PRIMARY KEY (per_code, his_num))")
            .arg(table, columns(d, sheetHistoryFields(), keys), d.tableExtras()),
        // The version list of a sheet, newest first, read from the index alone.
        QStringLiteral("CREATE INDEX %1_liste ON %1 (per_code, his_num, his_date, his_perceur)")
            .arg(table),
        QStringLiteral("INSERT INTO %1 (%2) SELECT per_code, '000001', '%3', '', %4 FROM "
                       "strpercage WHERE per_code IS NOT NULL")
            .arg(table, sheetHistoryFields().join(QStringLiteral(", ")), now,
                 copied.join(QStringLiteral(", "))),
    };
}

// 4 to 5: the row version of every row a user edits, so that two
// workstations (or two programs on one file) never overwrite each other's
// changes unseen. Rows already there start at version 0.
QStringList rowVersions() {
    QStringList steps;
    for (const QString& table : revisedTables())
        steps << QStringLiteral("ALTER TABLE %1 ADD COLUMN %2 INTEGER NOT NULL DEFAULT 0")
                     .arg(table, revisionField());
    return steps;
}

// 5 to 6: on the server, an index on each table's order of addition, so
// that a backup, a transfer and the lists kept in that order read it
// without sorting the table (an SQLite table is kept in that order).
QStringList additionOrderIndexes(const Dialect& d) {
    QStringList steps;
    for (const QString& table : tableNames() + QStringList{sheetHistoryTable()})
        steps << d.additionOrderIndex(table);
    return steps;
}

// 6 to 7: the rule profile beside the driller, and the drilling record of
// every ball.
QStringList ballDrillings(const Dialect& d) {
    using Column = Dialect::Column;
    const QString table = ballDrillingTable();
    const QStringList keys{QStringLiteral("MAT_CODE"), QStringLiteral("MAT_LG"),
                           QStringLiteral("pb_num")};
    return QStringList{
               QStringLiteral("ALTER TABLE strspecif ADD COLUMN %1 DEFAULT 'IBF'")
                   .arg(d.textColumn(ruleProfileField(), Column::Text)),
               QStringLiteral("CREATE TABLE %1 (%2%3, PRIMARY KEY (MAT_CODE, MAT_LG, pb_num))")
                   .arg(table, columns(d, drillingColumnsSince(DrillingTableVersion), keys),
                        d.tableExtras()),
           } +
           d.additionOrderIndex(table);
}

// 7 to 8: the numbers' keys in the name index. A number found in thousands
// of customers is looked for along the list's order; with its keys in the
// index, each customer passed is read from the index alone, not from the
// table.
QStringList numbersInNameIndex() {
    return {QStringLiteral("DROP INDEX IF EXISTS strclient_nom"),
            QStringLiteral("CREATE INDEX strclient_nom ON strclient (clt_nom_k1, clt_nom_k2, "
                           "clt_cod, clt_nom, clt_ad1, clt_cp, clt_vil, clt_tel, clt_gsm, "
                           "clt_etat, clt_vil_k1, clt_vil_k2, clt_tel_k, clt_gsm_k, clt_fax_k)")};
}

// 8 to 9: each number's index holds the list's order after the number, and
// the keys of the numbers looked for before it (see searchCandidates() in
// customers/customer_store.cpp). A number found in a few hundred customers
// is sorted from these indexes alone: only the page shown is read from the
// table, where each customer found was read before.
QStringList numbersWithTheirOrder() {
    return {QStringLiteral("DROP INDEX IF EXISTS strclient_tel"),
            QStringLiteral("CREATE INDEX strclient_tel ON strclient (clt_tel_k, clt_nom_k1, "
                           "clt_nom_k2, clt_cod)"),
            QStringLiteral("DROP INDEX IF EXISTS strclient_gsm"),
            QStringLiteral("CREATE INDEX strclient_gsm ON strclient (clt_gsm_k, clt_nom_k1, "
                           "clt_nom_k2, clt_cod, clt_tel_k)"),
            QStringLiteral("DROP INDEX IF EXISTS strclient_fax"),
            QStringLiteral("CREATE INDEX strclient_fax ON strclient (clt_fax_k, clt_nom_k1, "
                           "clt_nom_k2, clt_cod, clt_tel_k, clt_gsm_k)")};
}

// 9 to 10: the measures the layout window computed were stored as it showed
// them ("3,918 po (≈ 3 15/16)"); they become plain numbers ("3.918"). A text
// that is no such measure (typed by another program) is kept as it was and
// reported. Done row by row by the program: the texts are read as the
// window wrote them, on either engine alike.
Status measuresAsNumbers(Connection& c, QStringList& report) {
    const QString table = ballDrillingTable();
    const struct {
        DrillingField field;
        const char* caption;
    } measures[] = {{DrillingField::PsaToPap, "distance PSA-PAP"},
                    {DrillingField::PinBuffer, "tampon du pin"}};
    const QString keys = QStringLiteral("MAT_CODE, MAT_LG, pb_num");
    for (const auto& m : measures) {
        const QString column = QLatin1String(infoOf(m.field).column);
        Statement read(
            c.db(),
            QStringLiteral("SELECT %1, %2 FROM %3 WHERE %2 <> ''").arg(keys, column, table));
        if (Status s = read.exec(); !s)
            return s;
        QList<QStringList> changes; // keys, then the number
        while (read.next()) {
            const QString shown = read.text(3);
            if (const std::optional<QString> number = inchesFromShown(shown)) {
                if (*number != shown)
                    changes << QStringList{read.text(0), read.text(1), read.text(2), *number};
            } else {
                report << QStringLiteral("Boule %1 du client %2, perçage n° %3 : « %4 » (%5) gardé "
                                         "tel quel, ce n'est pas une mesure en pouces.")
                              .arg(read.text(1), read.text(0), read.text(2), shown,
                                   QString::fromUtf8(m.caption));
            }
        }
        if (Status s = read.finished(); !s)
            return s;
        Statement write(c.db(), QStringLiteral("UPDATE %1 SET %2 = ? WHERE MAT_CODE = ? AND "
                                               "MAT_LG = ? AND pb_num = ?")
                                    .arg(table, column));
        for (const QStringList& k : changes)
            if (Status s = write.bind(k.at(3)).bind(k.at(0)).bind(k.at(1)).bind(k.at(2)).exec(); !s)
                return s;
    }
    return {};
}

// 10 to 11: the history of imports, the codes each one created (so that it
// can be undone), and the rows an import writes before switching them in.
QStringList importHistory(const Dialect& d) {
    const QString num = QStringLiteral("imp_num");
    return QStringList{
               QStringLiteral("CREATE TABLE %1 (%2%3, PRIMARY KEY (imp_num))")
                   .arg(importTable(), columns(d, importFields(), {num}), d.tableExtras()),
               QStringLiteral("CREATE TABLE %1 (%2%3, PRIMARY KEY (imp_num, clt_cod))")
                   .arg(importCodeTable(),
                        columns(d, importCodeFields(), {num, QStringLiteral("clt_cod")}),
                        d.tableExtras()),
               // Who created a customer, when it is deleted or undone.
               QStringLiteral("CREATE INDEX %1_code ON %1 (clt_cod)").arg(importCodeTable()),
               QStringLiteral("CREATE TABLE %1 (%2%3, PRIMARY KEY (imp_num, att_ordre))")
                   .arg(importStagingTable(),
                        columns(d, importStagingFields(), {num, QStringLiteral("att_ordre")}),
                        d.tableExtras()),
           } +
           d.additionOrderIndex(importTable()) + d.additionOrderIndex(importCodeTable());
}

std::mutex reportMutex;
QStringList& reportKept() {
    static QStringList lines;
    return lines;
}

// Forward migrations: entry i brings a file from version i + 1 to i + 2.
// A version also adds the customer and ball columns that came with it
// (the `since` of CustomerFields, BallFields and DrillingFields), after its
// own steps.
QList<QStringList> migrations(const Dialect& d) {
    QList<QStringList> steps{
        // 1 to 2: the customer list reads its rows from the name index alone
        // (every column the list shows is in it, so a keystroke in the search
        // never visits the table), and the town sort takes its order, ties
        // broken by code, from the town index.
        {
            QStringLiteral("DROP INDEX IF EXISTS strclient_nom"),
            QStringLiteral("CREATE INDEX strclient_nom ON strclient (clt_nom, clt_cod, clt_ad1, "
                           "clt_cp, clt_vil, clt_tel, clt_gsm, clt_etat)"),
            QStringLiteral("DROP INDEX IF EXISTS strclient_vil"),
            QStringLiteral("CREATE INDEX strclient_vil ON strclient (clt_vil, clt_cod)"),
        },
        frenchKeys(d),
        sheetHistory(d),
        rowVersions(),
        additionOrderIndexes(d),
        ballDrillings(d),
        numbersInNameIndex(),
        numbersWithTheirOrder(),
        {}, // 9 to 10: measuresAsNumbers(), row by row
        importHistory(d),
    };
    while (steps.size() < SchemaVersion - 1)
        steps.append(QStringList());
    for (int i = 0; i < steps.size(); ++i) {
        for (const QString& column : customerColumnsSince(i + 2))
            steps[i] << QStringLiteral("ALTER TABLE strclient ADD COLUMN ") +
                            d.textColumn(column, Dialect::Column::Text);
        for (const QString& column : ballColumnsSince(i + 2))
            steps[i] << QStringLiteral("ALTER TABLE strmateriel ADD COLUMN ") +
                            d.textColumn(column, Dialect::Column::Text);
        if (i + 2 > DrillingTableVersion)
            for (const QString& column : drillingColumnsSince(i + 2))
                steps[i] << QStringLiteral("ALTER TABLE %1 ADD COLUMN ").arg(ballDrillingTable()) +
                                d.textColumn(column, Dialect::Column::Text);
    }
    return steps;
}

} // namespace

QStringList takeUpgradeReport() {
    const std::lock_guard lock(reportMutex);
    return std::exchange(reportKept(), QStringList());
}

QString revisionField() {
    return QStringLiteral("vdn_rev");
}

QStringList revisedTables() {
    return {QStringLiteral("strclient"), QStringLiteral("strmateriel"),
            QStringLiteral("strpercage")};
}

QStringList schemaStatements(const Dialect& d) {
    // The engine's own objects, the first version, then every change since.
    QStringList statements = d.schemaPreamble();
    statements << schemaV1(d);
    for (const QStringList& step : migrations(d))
        statements << step;
    statements << d.writeSchemaVersion(SchemaVersion);
    return statements;
}

Status writeSchema(Connection& c) {
    for (const QString& sql : schemaStatements(Dialect::of(c.db())))
        if (Status s = c.execute(sql); !s)
            return s;
    return {};
}

Status createSchema(Connection& c) {
    Transaction t(c.db());
    if (!t.started())
        return t.started();
    if (Status s = writeSchema(c); !s)
        return s;
    return t.commit();
}

QStringList schemaTables() {
    return tableNames() +
           QStringList{sheetHistoryTable(), ballDrillingTable(), importTable(), importCodeTable()};
}

Result<bool> holdsNoTables(Connection& c) {
    Result<QVariant> tables = scalar(c.db(), Dialect::of(c.db()).countTables(schemaTables()));
    if (!tables)
        return tables.error();
    return tables->toInt() == 0;
}

Result<QStringList> otherSessions(Connection& c, OwnSessions own) {
    if (c.handle())
        return DatabaseLock::otherPrograms(c.path());
    const Dialect& d = Dialect::of(c.db());
    Statement q(c.db(), d.otherOpenSessions(own == OwnSessions::ThisProgram ? d.ownSessions()
                                                                            : QStringList()));
    if (Status s = q.exec(); !s)
        return s.error();
    QStringList names;
    while (q.next())
        names << q.text(0);
    if (Status s = q.finished(); !s)
        return s.error();
    return names;
}

namespace {

// Brings the schema to the current version in one transaction that one
// program at a time holds. The version is read again inside it: a program
// that waited for another one's upgrade finds nothing left to do. Refused
// while other programs have the database open: they would go on writing
// without the new version's rules.
Status upgrade(Connection& c, Progress* progress) {
    const Dialect& d = Dialect::of(c.db());
    UpgradeLock tx(c);
    if (!tx.started())
        return tx.started();
    Result<int> version = userVersion(c);
    if (!version)
        return version.error();
    if (*version < SchemaVersion) {
        Result<QStringList> others = otherSessions(c, OwnSessions::ThisConnection);
        if (!others)
            return others.error();
        if (!others->isEmpty())
            return DataError::other(
                errnum::InUse,
                QStringLiteral("La base %1 doit être mise à jour pour cette version de VORDAN, "
                               "mais elle est ouverte ailleurs : %2. Fermez VORDAN sur ces postes, "
                               "puis relancez-le.")
                    .arg(c.onServer() ? c.path() : QDir::toNativeSeparators(c.path()),
                         others->join(QStringLiteral(", "))));
        const QList<QStringList> steps = migrations(d);
        // How far: the statements run of those to run, each version's own
        // mark included. An index made on every customer takes seconds: the
        // statement itself keeps reporting meanwhile.
        qint64 total = 0;
        for (int v = *version; v < SchemaVersion; ++v)
            total += steps.at(v - 1).size() + 1;
        StatementProgress report(c, progress, total);
        QStringList kept;
        qint64 done = 0;
        report.at(done);
        for (int v = *version; v < SchemaVersion; ++v) {
            for (const QString& sql : steps.at(v - 1)) {
                if (Status s = c.execute(sql); !s)
                    return s;
                report.at(++done);
            }
            if (v + 1 == MeasuresAsNumbersVersion)
                if (Status s = measuresAsNumbers(c, kept); !s)
                    return s;
            if (Status s = c.execute(d.writeSchemaVersion(v + 1)); !s)
                return s;
            report.at(++done);
        }
        if (Status s = tx.commit(); !s)
            return s;
        const std::lock_guard lock(reportMutex);
        reportKept() << kept;
        return {};
    }
    return tx.commit();
}

} // namespace

Status checkAndMigrate(Connection& c, Progress* progress) {
    const QString path = c.path();
    // The tables first: a server database without them has no version either.
    const QStringList& names = tableNames();
    Result<QVariant> tables = scalar(c.db(), Dialect::of(c.db()).countTables(names));
    if (!tables)
        return tables.error();
    if (tables->toInt() != names.size())
        return DataError::other(
            errnum::UnrecognizedFormat,
            QStringLiteral("%1 n'est pas une base de données VORDAN (tables absentes)").arg(path));
    Result<int> version = userVersion(c);
    if (!version)
        return version.error();
    if (*version > SchemaVersion)
        return DataError::other(errnum::SchemaTooNew,
                                QStringLiteral("La base %1 a été créée par une version plus "
                                               "récente de VORDAN (version %2) ; mettez le "
                                               "logiciel à jour.")
                                    .arg(path)
                                    .arg(*version));
    if (*version < 1)
        return DataError::other(
            errnum::UnrecognizedFormat,
            QStringLiteral("%1 n'est pas une base de données VORDAN (tables absentes)").arg(path));
    if (*version < SchemaVersion)
        if (Status s = upgrade(c, progress); !s)
            return s;
    for (const QString& sql : Dialect::of(c.db()).openSessionMarks())
        if (Status s = c.execute(sql); !s)
            return s;
    return {};
}

} // namespace vdn
