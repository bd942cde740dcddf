#pragma once

#include "data/customer_fields.h"
#include "data/data_error.h"
#include "data/statement.h"
#include "platform/progress.h"
#include "session/report_rows.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QVariant>

#include <array>
#include <memory>
#include <optional>

namespace vdn {

class BallStore;
class SheetStore;

// One customer. A field that is null in the database has no value; every
// field written back has one (an empty text at the least).
class CustomerRecord {
public:
    const std::optional<QString>& operator[](CustomerField f) const {
        return values_[static_cast<std::size_t>(f)];
    }
    std::optional<QString>& operator[](CustomerField f) {
        return values_[static_cast<std::size_t>(f)];
    }
    // The field's text, empty when it is null.
    QString text(CustomerField f) const { return (*this)[f].value_or(QString()); }
    void set(CustomerField f, const QString& value) { (*this)[f] = value; }

    // The row version the customer was read at (0 for a new one).
    qint64 revision = 0;

private:
    std::array<std::optional<QString>, CustomerFieldCount> values_;
};

// The columns of the customer list, in their order on screen.
enum class CustomerColumn { Code, Name, Address, Postcode, Town, Telephone, Mobile, State };
constexpr int CustomerColumnCount = 8;

// Which customers the list shows and in which order, as the customer window
// keeps it to run it again (list, printout, export).
struct CustomerQuery {
    enum class Order {
        None,       // no order asked for
        Name,       // by name, A to Z
        Descending, // by sortColumn, Z to A
    };

    // The search text exactly as typed (blanks included); empty lists every
    // customer. A customer matches when the first L characters of its name,
    // L being the typed length, equal the typed text trimmed of blanks,
    // without regard to letter case or accents. A typed number also finds
    // the customers whose phone, mobile or fax number, or code, begins with
    // its digits.
    QString namePrefix;
    // When set, only the customer of this code (namePrefix is then ignored).
    std::optional<QString> code;
    Order order = Order::Name;
    CustomerColumn sortColumn = CustomerColumn::Code;

    static CustomerQuery all() { return {}; }
    static CustomerQuery search(const QString& typed) { return {typed, std::nullopt}; }
    static CustomerQuery one(const QString& code) { return {QString(), code}; }
    CustomerQuery unordered() const {
        CustomerQuery q = *this;
        q.order = Order::None;
        return q;
    }
    CustomerQuery byName() const {
        CustomerQuery q = *this;
        q.order = Order::Name;
        return q;
    }
    CustomerQuery descendingBy(CustomerColumn column) const {
        CustomerQuery q = *this;
        q.order = Order::Descending;
        q.sortColumn = column;
        return q;
    }
    bool operator==(const CustomerQuery&) const = default;
};

// One row of the customer list: the values of CustomerColumn, in order (a
// null field is an invalid QVariant).
using CustomerListRow = std::array<QVariant, CustomerColumnCount>;

// A customer code as stored: a whole number of one to six digits (blanks
// around it allowed) becomes six digits with leading zeros; any other text is
// returned as it is.
QString formatCustomerCode(const QString& text);
// Whether the text is a whole number of one to six digits, blanks around it
// allowed.
bool isCustomerNumber(const QString& text);

// All SQL of table strclient.
class CustomerStore {
public:
    explicit CustomerStore(QSqlDatabase db) : db_(std::move(db)) {}

    QSqlDatabase database() const { return db_; }

    // Up to `limit` rows of a list query from row `offset` on. Each call
    // reads its rows to the end, so no read stays open on the file between
    // calls (another window's connection may write meanwhile). Without an
    // order asked for, rows come in the order they were added.
    Result<QList<CustomerListRow>> page(const CustomerQuery& query, int offset, int limit) const;
    // The same counted from the end: up to `limit` rows that come before the
    // last `fromEnd` rows of the list, in the list's order. The list is read
    // backwards, so the rows before them are never read.
    Result<QList<CustomerListRow>> pageFromEnd(const CustomerQuery& query, int fromEnd,
                                               int limit) const;
    // Every field of the customers of a list query, in its order (without
    // an order asked for, the order they were added in).
    Result<QList<CustomerRecord>> records(const CustomerQuery& query) const;
    // The customers of a list query, in its order (without an order asked
    // for, the order they were added in), for the customer list printout
    // and the export, handed over one at a time with their count.
    Result<std::unique_ptr<CustomerRows>> printoutRows(const CustomerQuery& query) const;
    // How the engine runs a page of a list query (one line per step), to
    // check that a search stays on an index.
    Result<QStringList> queryPlan(const CustomerQuery& query) const;

    // The customer of this code, or nothing when there is none.
    Result<std::optional<CustomerRecord>> byCode(const QString& code) const;
    // The highest customer number held by a customer or a drilling sheet,
    // plus one, on six digits; 000001 when there is none. Empty when every
    // number is taken up to 999999.
    Result<QString> nextCode(const SheetStore& sheets) const;
    // The highest whole-number customer code, 0 when there is none.
    Result<int> highestCode() const;

    // Computes the ordering and search keys of the customers that have none
    // (added or changed by another program); returns how many. Found through
    // the index of such rows, never by reading every row. The work goes in
    // batches of `batchSize` customers, each its own short transaction, so
    // that other workstations wait a moment at most and a stop (a kill, a
    // lost connection, "Annuler" in `progress`) keeps the batches written:
    // the next call does the rest.
    static constexpr int KeyBatchSize = 2000;
    Result<int> fillMissingKeys(Progress* progress = nullptr, int batchSize = KeyBatchSize);
    // Its two steps. A customer without keys, with the texts they are made of
    // (name, town, telephone, mobile, fax, first address line) as read.
    struct WithoutKeys {
        QString code;
        QStringList texts;
    };
    // Up to `limit` of them (all with -1) by code, after the code `after`
    // when given.
    Result<QList<WithoutKeys>> customersWithoutKeys(const std::optional<QString>& after = {},
                                                    int limit = -1) const;
    // How many customers have no keys yet.
    Result<qint64> countWithoutKeys() const;
    // Writes their keys, each customer's only while it still has none and
    // still holds the texts read: one renamed meanwhile by another
    // workstation keeps the keys of its new name. Returns how many written.
    Result<int> writeMissingKeys(const QList<WithoutKeys>& customers);

    // Writes a new customer and its keys in one transaction; a code that
    // exists is refused (DataError::isDuplicateKey()).
    Status insert(const CustomerRecord& customer);
    // Writes the new customer under its code, or, when another workstation
    // took that code meanwhile, under the next free one; returns the code
    // used (empty when every number is taken).
    Result<QString> insertUnderFreeCode(CustomerRecord customer, const SheetStore& sheets);
    enum class Overwrite { No, Yes };
    // Writes every field of the customer of the same code, in one
    // transaction. Unless told to overwrite, only over the row version the
    // record was read at: a row changed since is left as it is and the
    // failure is DataError::isChangedElsewhere(). A customer that is not
    // there fails with errnum::NoCurrentRecord.
    Status update(const CustomerRecord& customer, Overwrite overwrite = Overwrite::No);
    // Keeps the customer for consultation: state "SUPPRIME".
    Status markDeleted(const QString& code);
    // Deletes the customer and all its balls, all or nothing. Its drilling
    // sheet stays.
    Status removeWithBalls(const QString& code, BallStore& balls);

    // What recent number searches counted, to choose their plans without
    // counting again (in customer_store.cpp). Shared by the copies of a
    // store.
    struct RangeCounts;

private:
    RangeCounts& rangeCounts() const;
    // Reads the rows of a bound list statement through.
    Result<QList<CustomerListRow>> listRows(Statement& q) const;
    // A list query with these fields selected, prepared and bound.
    Result<Statement> select(const QString& fields, const CustomerQuery& query) const;
    Status writeKeys(const CustomerRecord& customer);
    Status write(const QString& statement, const CustomerRecord& customer,
                 const QVariantList& extra);

    QSqlDatabase db_;
    mutable std::shared_ptr<RangeCounts> rangeCounts_;
};

// Writes many customers inside the caller's transaction (an import), each
// statement prepared once and run again for every customer.
class CustomerBatch {
public:
    explicit CustomerBatch(const QSqlDatabase& db);

    // A new customer with its keys, in one statement. A code that exists
    // writes nothing (a failed statement would end a server transaction) and
    // fails with errnum::KeyTaken.
    Status add(const CustomerRecord& customer);
    // Every field of an existing customer and its keys, over the row version
    // it was read at: a row changed or deleted since is left as it is and the
    // failure is DataError::isChangedElsewhere().
    Status replace(const CustomerRecord& customer);

private:
    Statement insert_;
    Statement update_;
    Statement keys_;
};

} // namespace vdn
