#include "import/import_writer.h"

#include "customers/customer_store.h"
#include "data/connection.h"
#include "drilling/sheet_store.h"

#include <QElapsedTimer>
#include <QSet>

namespace vdn {

namespace {

constexpr int HighestNumber = 999999;
// Rows between two progress calls.
constexpr int ProgressStep = 250;

DataError atLine(int line, const DataError& e) {
    DataError out = e;
    out.text =
        QStringLiteral("Ligne %1 du fichier : %2\nRien n'a été importé.").arg(line).arg(e.text);
    return out;
}

} // namespace

Result<ImportCheck> checkAgainst(QSqlDatabase db, const TextTable& table,
                                 const ImportMapping& mapping) {
    Result<QList<CustomerRecord>> existing =
        CustomerStore(db).records(CustomerQuery::all().unordered());
    if (!existing)
        return existing.error();
    ImportCheck check = checkImport(table, mapping, std::move(*existing));
    if (!check.keepCodes)
        return check;
    const SheetStore sheets(db);
    for (CheckedRow& row : check.rows) {
        const QString code = row.record.text(CustomerField::Cod);
        if (row.outcome != RowOutcome::New || code.isEmpty())
            continue;
        Result<bool> taken = sheets.exists(code);
        if (!taken)
            return taken.error();
        if (*taken) {
            row.outcome = RowOutcome::Refused;
            row.problems << QStringLiteral("code %1 déjà pris (fiche de perçage)").arg(code);
        }
    }
    return check;
}

Result<WriteOutcome> writeImport(QSqlDatabase db, const SheetStore& sheets, ImportCheck& check,
                                 const ImportProgress& progress) {
    WriteOutcome outcome;
    QList<int> toWrite;
    QSet<QString> keptCodes;
    for (int i = 0; i < check.rows.size(); ++i) {
        const CheckedRow& row = check.rows.at(i);
        if (!isWritten(check, row))
            continue;
        toWrite << i;
        const bool adds = row.outcome == RowOutcome::New || row.choice == DuplicateChoice::Add;
        if (adds && check.keepCodes && !row.record.text(CustomerField::Cod).isEmpty())
            keptCodes.insert(row.record.text(CustomerField::Cod));
    }
    const int total = int(toWrite.size());
    if (progress && !progress(0, total))
        return WriteOutcome{true, {}, 0};

    QElapsedTimer held;
    held.start();
    LockedTransaction t(db);
    if (!t.started())
        return t.started().error();
    CustomerStore customers(db);
    Result<QString> first = customers.nextCode(sheets);
    if (!first)
        return first.error();
    int next = first->isEmpty() ? HighestNumber + 1 : first->toInt();

    CustomerBatch batch(db);
    int done = 0;
    for (const int i : toWrite) {
        CheckedRow& row = check.rows[i];
        const bool completes =
            row.outcome == RowOutcome::DuplicateExisting && row.choice == DuplicateChoice::Complete;
        Status s;
        if (completes) {
            s = batch.replace(completed(check.existing.at(row.existing), row));
        } else {
            if (!check.keepCodes || row.record.text(CustomerField::Cod).isEmpty()) {
                while (next <= HighestNumber &&
                       keptCodes.contains(QStringLiteral("%1").arg(next, 6, 10, QLatin1Char('0'))))
                    ++next;
                if (next > HighestNumber)
                    return atLine(row.line,
                                  DataError::other(errnum::KeyTaken,
                                                   QStringLiteral("Tous les numéros de client "
                                                                  "sont pris (999999).")));
                row.record.set(CustomerField::Cod,
                               QStringLiteral("%1").arg(next++, 6, 10, QLatin1Char('0')));
            }
            s = batch.add(row.record);
        }
        if (!s)
            return atLine(row.line, s.error());
        ++done;
        if (progress && done % ProgressStep == 0 && !progress(done, total))
            return WriteOutcome{true, {}, 0};
    }
    if (progress && !progress(total, total))
        return WriteOutcome{true, {}, 0};
    if (Status s = t.commit(); !s)
        return s.error();
    outcome.lockHeldMs = int(held.elapsed());
    outcome.counts = countOutcomes(check);
    return outcome;
}

} // namespace vdn
