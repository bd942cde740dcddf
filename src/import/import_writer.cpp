#include "import/import_writer.h"

#include "import/import_history.h"

#include "data/drilling_store.h"

#include "customers/customer_store.h"
#include "data/connection.h"
#include "data/dialect.h"
#include "data/french_text.h"
#include "data/schema.h"
#include "data/statement.h"
#include "drilling/sheet_store.h"

#include <QElapsedTimer>
#include <QHash>
#include <QSet>

#include <algorithm>
#include <optional>

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

// File rows checked at a time: one look-up of the customers they may meet.
constexpr int LookupBatch = 200;

using Placed = ExistingCustomers::Placed;

// The customers the statement reads: every field, the row version, then the
// place in the order of addition.
Result<QList<Placed>> readPlaced(Statement& q) {
    if (Status s = q.exec(); !s)
        return s.error();
    QList<Placed> out;
    const QStringList fields = clientFields();
    while (q.next()) {
        Placed p{q.value(int(fields.size()) + 1).toLongLong(), {}};
        for (int i = 0; i < CustomerFieldCount; ++i)
            if (!q.isNull(i))
                p.record.set(static_cast<CustomerField>(i), q.value(i).toString());
        p.record.revision = q.value(int(fields.size())).toLongLong();
        out.append(p);
    }
    if (Status s = q.finished(); !s)
        return s.error();
    return out;
}

} // namespace

ExistingCustomers::ExistingCustomers(QSqlDatabase db) : db_(std::move(db)) {}

Result<QList<CustomerRecord>> ExistingCustomers::operator()(const QStringList& codes,
                                                            const QStringList& names) {
    const Dialect& d = Dialect::of(db_);
    const QString select =
        QStringLiteral("SELECT %1, %2, %3 FROM strclient WHERE ")
            .arg(clientFields().join(QStringLiteral(", ")), revisionField(), d.additionOrder());
    if (!started_) {
        // Two statements: each one an index serves.
        for (const char* where : {"clt_nom_k1 < '0'", "clt_nom_k2 IS NULL"}) {
            Statement q(db_, select + QLatin1String(where));
            Result<QList<Placed>> read = readPlaced(q);
            if (!read)
                return read.error();
            keep(*read);
        }
        started_ = true;
    }
    // The ranges of first words not read yet, and the codes.
    QStringList words;
    for (const QString& name : names) {
        const QString word = name.section(QLatin1Char(' '), 0, 0);
        if (!word.isEmpty() && !askedWords_.contains(word)) {
            askedWords_.insert(word);
            words << word;
        }
    }
    // A statement of one size for every batch: the places left over
    // hold a code no customer has and an empty range.
    QStringList terms{
        QStringLiteral("clt_cod IN (%1)")
            .arg(QStringList(LookupBatch, QStringLiteral("?")).join(QStringLiteral(", ")))};
    for (int i = 0; i < LookupBatch; ++i)
        terms << QStringLiteral("(clt_nom_k1 >= ? AND clt_nom_k1 < ?)");
    const QString sql = select + terms.join(QStringLiteral(" OR "));
    QList<Placed> byCode;
    for (qsizetype from = 0; from < std::max(codes.size(), words.size()); from += LookupBatch) {
        Statement q(db_, sql);
        for (qsizetype i = from; i < from + LookupBatch; ++i)
            q.bind(i < codes.size() ? QVariant(codes.at(i))
                                    : QVariant(QMetaType::fromType<QString>()));
        for (qsizetype i = from; i < from + LookupBatch; ++i) {
            const KeyRange r = i < words.size() ? searchRange(words.at(i)) : KeyRange{};
            q.bind(r.low).bind(r.high);
        }
        Result<QList<Placed>> read = readPlaced(q);
        if (!read)
            return read.error();
        keep(*read);
        byCode += *read;
    }
    // The batch's customers: those of its codes and of its names, each
    // once, in their order of addition.
    const QSet<QString> wantedCodes(codes.cbegin(), codes.cend());
    QList<const Placed*> batch;
    for (const Placed& p : std::as_const(byCode))
        if (wantedCodes.contains(p.record.text(CustomerField::Cod)))
            batch << &placed_.at(placeOf_.value(p.record.text(CustomerField::Cod)));
    for (const QString& name : names)
        for (const qsizetype i : byName_.value(name))
            batch << &placed_.at(i);
    std::sort(batch.begin(), batch.end(),
              [](const Placed* a, const Placed* b) { return a->order < b->order; });
    batch.erase(std::unique(batch.begin(), batch.end()), batch.end());
    QList<CustomerRecord> out;
    out.reserve(batch.size());
    for (const Placed* p : std::as_const(batch))
        out.append(p->record);
    return out;
}

void ExistingCustomers::keep(const QList<Placed>& read) {
    for (const Placed& p : read) {
        const QString code = p.record.text(CustomerField::Cod);
        if (placeOf_.contains(code))
            continue;
        placeOf_.insert(code, placed_.size());
        byName_[foldForSearch(p.record.text(CustomerField::Nom)).simplified()] << placed_.size();
        placed_.append(p);
    }
}

void ExistingCustomers::clear() {
    started_ = false;
    askedWords_.clear();
    placed_.clear();
    placeOf_.clear();
    byName_.clear();
}

Result<ImportCheck> checkAgainst(QSqlDatabase db, const TextTable& table,
                                 const ImportMapping& mapping, const CheckProgress& progress,
                                 ExistingCustomers* read) {
    ExistingCustomers own(db);
    ExistingCustomers& existing = read ? *read : own;
    Result<ImportCheck> checked =
        checkImport(table, mapping, std::ref(existing), LookupBatch, progress);
    if (!checked)
        return checked.error();
    ImportCheck check = std::move(*checked);
    if (!check.keepCodes || check.cancelled)
        return check;
    const SheetStore sheets(db);
    const DrillingStore drillings(db);
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
            continue;
        }
        // A customer deleted for good leaves its balls' drillings: a new
        // customer under that code would receive them.
        Result<bool> drilled = drillings.exists(code);
        if (!drilled)
            return drilled.error();
        if (*drilled) {
            row.outcome = RowOutcome::Refused;
            row.problems << QStringLiteral("code %1 déjà pris (perçages de boules)").arg(code);
        }
    }
    return check;
}

namespace {

// Rows written apart per transaction: each holds the write lock well under a
// second, so that another workstation's wait (5 s) never runs out.
constexpr int StageBatch = 1000;

QString codeText(int n) {
    return QStringLiteral("%1").arg(n, 6, 10, QLatin1Char('0'));
}

// The first code at or after `next` that is free of the codes kept from the
// file; HighestNumber + 1 when none is.
int freeCode(int next, const QSet<QString>& kept) {
    while (next <= HighestNumber && kept.contains(codeText(next)))
        ++next;
    return next;
}

DataError allCodesTaken(int line) {
    return atLine(line,
                  DataError::other(errnum::KeyTaken, QStringLiteral("Tous les numéros de client "
                                                                    "sont pris (999999).")));
}

// The rows of one import on their way in.
struct Plan {
    QList<int> staged;      // rows written apart, in the file's order
    QList<bool> numbered;   // whether the program numbers it, per staged row
    QList<int> completions; // rows completing an existing customer
    QSet<QString> keptCodes;
};

// The file line of the row that made the switch fail: the new rows written
// one by one, in a transaction never committed, until one fails. The switch's
// own failure when none does.
DataError failedRow(QSqlDatabase db, const ImportCheck& check, const Plan& plan,
                    const DataError& failed) {
    LockedTransaction t(db);
    if (!t.started())
        return failed;
    CustomerBatch batch(db);
    for (const int i : plan.staged)
        if (Status s = batch.add(check.rows.at(i).record); !s)
            return atLine(check.rows.at(i).line, s.error());
    return failed;
}

// Writes the plan's new rows apart and switches them in with the
// completions; a cancel or a failure leaves the customers as they were.
Result<WriteOutcome> stageAndSwitch(QSqlDatabase db, const SheetStore& sheets, ImportCheck& check,
                                    const Plan& plan, const QString& number,
                                    const ImportProgress& progress) {
    WriteOutcome outcome;
    ImportHistory history(db);
    CustomerStore customers(db);
    const auto firstCode = [&]() -> Result<int> {
        Result<QString> first = customers.nextCode(sheets);
        if (!first)
            return first.error();
        return first->isEmpty() ? HighestNumber + 1 : first->toInt();
    };
    // The codes the program gives, from the next free one as it is now.
    const auto numberRows = [&](int next, bool written) -> Status {
        for (qsizetype k = 0; k < plan.staged.size(); ++k) {
            if (!plan.numbered.at(k))
                continue;
            CheckedRow& row = check.rows[plan.staged.at(k)];
            next = freeCode(next, plan.keptCodes);
            if (next > HighestNumber)
                return allCodesTaken(row.line);
            const QString code = codeText(next++);
            if (written && row.record.text(CustomerField::Cod) != code)
                if (Status s = history.renumber(number, int(k), code); !s)
                    return atLine(row.line, s.error());
            row.record.set(CustomerField::Cod, code);
        }
        return {};
    };
    Result<int> first = firstCode();
    if (!first)
        return first.error();
    if (Status s = numberRows(*first, false); !s)
        return s.error();

    const int total = int(plan.staged.size() + plan.completions.size());
    std::optional<Transaction> t;
    QElapsedTimer held;
    for (qsizetype k = 0; k < plan.staged.size(); ++k) {
        if (!t) {
            t.emplace(db);
            if (!t->started())
                return t->started().error();
            held.start();
        }
        const CheckedRow& row = check.rows.at(plan.staged.at(k));
        if (Status s = history.stage(number, int(k), plan.numbered.at(k), row.record); !s)
            return atLine(row.line, s.error());
        const int done = int(k) + 1;
        if (done % StageBatch == 0 || done == plan.staged.size()) {
            if (Status s = t->commit(); !s)
                return s.error();
            t.reset();
            outcome.lockHeldMs = std::max(outcome.lockHeldMs, int(held.elapsed()));
        }
        if (progress && done % ProgressStep == 0 && !progress(done, total))
            return WriteOutcome{true, {}, {}, 0};
    }
    if (progress && !progress(int(plan.staged.size()), total))
        return WriteOutcome{true, {}, {}, 0};
    // The codes kept for an undo, before the switch: it stays short.
    {
        Transaction codes(db);
        if (!codes.started())
            return codes.started().error();
        held.start();
        if (Status s = history.recordCodes(number); !s)
            return s.error();
        if (Status s = codes.commit(); !s)
            return s.error();
        outcome.lockHeldMs = std::max(outcome.lockHeldMs, int(held.elapsed()));
    }

    held.start();
    std::optional<LockedTransaction> lock(std::in_place, db);
    if (!lock->started())
        return lock->started().error();
    // A customer added elsewhere meanwhile moves the import's numbers on.
    Result<int> now = firstCode();
    if (!now)
        return now.error();
    if (*now != *first) {
        if (Status s = numberRows(*now, true); !s)
            return s.error();
        if (Status s = history.recordCodes(number); !s)
            return s.error();
    }
    Result<QStringList> taken = history.codesTaken(number);
    if (!taken)
        return taken.error();
    for (const int i : plan.staged) {
        const CheckedRow& row = check.rows.at(i);
        const QString code = row.record.text(CustomerField::Cod);
        if (taken->contains(code))
            return atLine(row.line,
                          DataError::other(errnum::KeyTaken,
                                           QStringLiteral("Le code %1 existe déjà").arg(code)));
    }
    CustomerBatch batch(db);
    for (const int i : plan.completions) {
        const CheckedRow& row = check.rows.at(i);
        if (Status s = batch.replace(completed(check.existing.at(row.existing), row)); !s)
            return atLine(row.line, s.error());
    }
    outcome.counts = countOutcomes(check);
    ImportEntry entry;
    entry.rows = int(check.rows.size());
    entry.created = outcome.counts.imported - outcome.counts.completed;
    entry.completed = outcome.counts.completed;
    entry.ignored = outcome.counts.ignored;
    entry.refused = outcome.counts.refused;
    if (Status s = history.switchIn(number, entry); !s) {
        lock.reset();
        return failedRow(db, check, plan, s.error());
    }
    if (progress && !progress(total, total))
        return WriteOutcome{true, {}, {}, 0};
    if (Status s = lock->commit(); !s)
        return s.error();
    outcome.lockHeldMs = std::max(outcome.lockHeldMs, int(held.elapsed()));
    outcome.number = number;
    held.start();
    (void)history.clearStaged(number);
    outcome.lockHeldMs = std::max(outcome.lockHeldMs, int(held.elapsed()));
    return outcome;
}

} // namespace

Result<WriteOutcome> writeImport(QSqlDatabase db, const SheetStore& sheets, ImportCheck& check,
                                 const QString& file, const ImportProgress& progress) {
    Plan plan;
    for (int i = 0; i < check.rows.size(); ++i) {
        const CheckedRow& row = check.rows.at(i);
        if (!isWritten(check, row))
            continue;
        if (row.outcome == RowOutcome::DuplicateExisting &&
            row.choice == DuplicateChoice::Complete) {
            plan.completions << i;
            continue;
        }
        const QString code = row.record.text(CustomerField::Cod);
        const bool numbered = !check.keepCodes || code.isEmpty();
        if (!numbered)
            plan.keptCodes.insert(code);
        plan.staged << i;
        plan.numbered << numbered;
    }
    const int total = int(plan.staged.size() + plan.completions.size());
    if (progress && !progress(0, total))
        return WriteOutcome{true, {}, {}, 0};
    // Other programs on the same file, should their wait run out, are told
    // an import is writing.
    const ImportMark mark(db);
    ImportHistory history(db);
    Result<QString> number = history.begin(file);
    if (!number)
        return number.error();
    Result<WriteOutcome> outcome = stageAndSwitch(db, sheets, check, plan, *number, progress);
    if (!outcome || outcome->cancelled) {
        // Nothing of it reached the customers: the import leaves no trace.
        // Should this fail too, the rows kept apart are dropped with the
        // next import an hour on.
        (void)history.drop(*number);
        for (qsizetype k = 0; k < plan.staged.size(); ++k)
            if (plan.numbered.at(k))
                check.rows[plan.staged.at(k)].record.set(CustomerField::Cod, QString());
    }
    return outcome;
}

} // namespace vdn
