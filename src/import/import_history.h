#pragma once

#include "customers/customer_store.h"
#include "data/data_error.h"

#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>

namespace vdn {

// One import of customers as the history keeps it.
struct ImportEntry {
    QString number; // six digits
    QString date;   // "yyyy-MM-dd HH:mm:ss", when it began
    QString file;
    QString workstation;
    int rows = 0; // rows of the file checked
    int created = 0;
    int completed = 0;
    int ignored = 0;
    int refused = 0;
    QString state;  // importStateText()
    QString undone; // when it was undone, or empty
};

// The states an import goes through: being written, written, undone, or
// left unfinished by a program that stopped (nothing of it was written).
namespace import_state {
inline const QString Writing = QStringLiteral("en cours");
inline const QString Done = QStringLiteral("faite");
inline const QString Undone = QStringLiteral("annulée");
inline const QString Interrupted = QStringLiteral("interrompue");
} // namespace import_state

// What undoing an import did: the customers it removed, or, when one of them
// was changed or given balls, a sheet or a drilling since, nothing, and one
// line per such customer.
struct UndoOutcome {
    int removed = 0;
    QStringList blockers;
};

// The import history and the rows an import writes before switching them
// into the customer table; owns every statement on strimport,
// strimport_client and strimport_attente.
class ImportHistory {
public:
    explicit ImportHistory(QSqlDatabase db);

    // Every import, newest first.
    Result<QList<ImportEntry>> list() const;

    // Starts an import of `file` in a transaction of its own: numbers it,
    // dates it now and marks it being written. Imports left being written
    // for more than an hour by a program that stopped are marked
    // interrupted first and their rows dropped.
    Result<QString> begin(const QString& file);

    // One row kept apart for the import (inside the caller's transaction):
    // its place in the file's order, whether the program numbered its code.
    Status stage(const QString& number, int order, bool numbered, const CustomerRecord& customer);
    // Gives a staged row another code (inside the caller's transaction).
    Status renumber(const QString& number, int order, const QString& code);
    // The import's staged codes that a customer already holds.
    Result<QStringList> codesTaken(const QString& number) const;
    // Keeps the codes of the import's staged rows as the ones it creates
    // (inside the caller's transaction; again after a renumbering).
    Status recordCodes(const QString& number);
    // Moves the import's staged rows into strclient in the file's order,
    // then records its counts and marks it written (inside the caller's
    // transaction).
    Status switchIn(const QString& number, const ImportEntry& counts);
    // Drops the staged rows of an import written, in a transaction of its
    // own; should it fail, the next import drops them.
    Status clearStaged(const QString& number);
    // Forgets an import that wrote nothing (cancelled or failed), in a
    // transaction of its own.
    Status drop(const QString& number);

    // Removes the customers the import created, in one transaction, as long
    // as none of them changed or was given balls, a sheet or a drilling since.
    Result<UndoOutcome> undo(const QString& number);

private:
    QSqlDatabase db_;
};

// The workstation an import names: the machine's name.
QString importWorkstation();

} // namespace vdn
