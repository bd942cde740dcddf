#include "printing/customer_export.h"

#include "data/error_report.h"
#include "data/globals.h"
#include "platform/clock.h"
#include "platform/message_boxes.h"
#include "platform/pointer.h"
#include "platform/services.h"
#include "platform/spreadsheet.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QSqlResult>

#include <sqlite3.h>

#include <array>

namespace vdn {

namespace {

constexpr const char* ExportFields[] = {"clt_cod", "clt_nom", "clt_ad1", "clt_ad2",
                                        "clt_ad3", "clt_cp",  "clt_vil", "clt_pays",
                                        "clt_tel", "clt_gsm", "clt_nic"};

const QString CrLf = QStringLiteral("\r\n");

DataError fileError(const QFile& file, const QString& path) {
    const QFileInfo info(path);
    if (!info.absoluteDir().exists())
        return DataError::other(errnum::PathNotFound,
                                QStringLiteral("Chemin d'accès introuvable : ") +
                                    QDir::toNativeSeparators(info.absolutePath()));
    return DataError::other(errnum::FileAccess, QStringLiteral("Erreur d'accès au fichier ") +
                                                    QDir::toNativeSeparators(path) +
                                                    QStringLiteral(" : ") + file.errorString());
}

// The export is written in blocks of this many bytes.
constexpr qsizetype BlockSize = 64 * 1024;

// The SQLite statement behind a query, or null on another driver.
sqlite3_stmt* statementOf(const QSqlQuery& rows) {
    const QSqlResult* result = rows.result();
    if (!result)
        return nullptr;
    const QVariant handle = result->handle();
    if (handle.isValid() && qstrcmp(handle.typeName(), "sqlite3_stmt*") == 0)
        return *static_cast<sqlite3_stmt* const*>(handle.constData());
    return nullptr;
}

// One field of the statement's current row, as the driver would have given
// it to the query and the query's value to csvField: text as UTF-8 where it
// is well-formed, otherwise through UTF-16 as the driver decodes it; numbers
// and blobs as the driver's variants print them.
void appendStatementField(sqlite3_stmt* statement, int column,
                          QSql::NumericalPrecisionPolicy precision, QByteArray& out) {
    QVariant value;
    switch (sqlite3_column_type(statement, column)) {
    case SQLITE_NULL:
        return;
    case SQLITE_TEXT: {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, column));
        if (appendCsvFieldUtf8(text, sqlite3_column_bytes(statement, column), out))
            return;
        value = QString(reinterpret_cast<const QChar*>(sqlite3_column_text16(statement, column)),
                        sqlite3_column_bytes16(statement, column) / qsizetype(sizeof(QChar)));
        break;
    }
    case SQLITE_INTEGER:
        value = qint64(sqlite3_column_int64(statement, column));
        break;
    case SQLITE_FLOAT:
        switch (precision) {
        case QSql::LowPrecisionInt32:
            value = sqlite3_column_int(statement, column);
            break;
        case QSql::LowPrecisionInt64:
            value = qint64(sqlite3_column_int64(statement, column));
            break;
        case QSql::LowPrecisionDouble:
        case QSql::HighPrecision:
        default:
            value = sqlite3_column_double(statement, column);
            break;
        }
        break;
    default: // SQLITE_BLOB
        value = QByteArray(static_cast<const char*>(sqlite3_column_blob(statement, column)),
                           sqlite3_column_bytes(statement, column));
        break;
    }
    appendWindows1252(csvField(value.toString()), out);
}

} // namespace

QString customerExportPath(const QString& base, const QDate& day) {
    return base + QStringLiteral("Client_") + day.toString(QStringLiteral("yyyyMMdd")) +
           QStringLiteral(".csv");
}

Status writeCustomerExport(QSqlQuery& rows, const QString& path) {
    QFile file(path);
    // Lines are gathered into blocks of their own: no second buffer.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered))
        return fileError(file, path);
    // The fields' places in the rows, found once: a look-up by name on every
    // row would cost more than the rest of the export.
    std::array<int, std::size(ExportFields)> columns{};
    const QSqlRecord record = rows.record();
    for (std::size_t i = 0; i < columns.size(); ++i)
        columns[i] = record.indexOf(QString::fromLatin1(ExportFields[i]));

    QByteArray block;
    block.reserve(BlockSize + BlockSize / 4);
    const auto endLine = [&]() {
        block.append("\r\n");
        if (block.size() < BlockSize)
            return true;
        const bool written = file.write(block) == block.size();
        block.clear();
        return written;
    };
    // A failed read leaves in the file the lines read before it.
    const auto keepWritten = [&]() {
        if (!block.isEmpty())
            file.write(block);
    };
    appendWindows1252(CustomerExportHeader, block);
    if (!endLine())
        return fileError(file, path);

    // The database's own statement when the query runs on SQLite: its rows
    // are read from it directly, as UTF-8, rather than converted to UTF-16
    // and wrapped in variants by the driver. The file is the same.
    sqlite3_stmt* statement = statementOf(rows);
    while (rows.next()) {
        for (std::size_t i = 0; i < columns.size(); ++i) {
            if (i > 0)
                block.append(',');
            if (columns[i] >= 0)
                appendWindows1252(csvField(rows.value(columns[i]).toString()), block);
        }
        if (!endLine())
            return fileError(file, path);
        // The driver read the first row from the statement when the query
        // ran; the statement stands on the row just written, and the next
        // ones are stepped here.
        if (statement)
            break;
    }
    if (rows.lastError().isValid()) {
        keepWritten();
        return DataError::fromQuery(rows);
    }
    if (statement && rows.isValid()) {
        const QSql::NumericalPrecisionPolicy precision = rows.numericalPrecisionPolicy();
        int step = SQLITE_ROW;
        while ((step = sqlite3_step(statement)) == SQLITE_ROW) {
            for (std::size_t i = 0; i < columns.size(); ++i) {
                if (i > 0)
                    block.append(',');
                if (columns[i] >= 0)
                    appendStatementField(statement, columns[i], precision, block);
            }
            if (!endLine())
                return fileError(file, path);
        }
        if (step != SQLITE_DONE) {
            const DataError error = DataError::fromStatement(rows, step);
            rows.finish();
            keepWritten();
            return error;
        }
        // Read to the end: the query is done with, as after its last row.
        rows.finish();
    }
    if (!block.isEmpty() && file.write(block) != block.size())
        return fileError(file, path);
    // Written data reaches the disk here; a full disk shows now.
    if (!file.flush())
        return fileError(file, path);
    file.close();
    if (file.error() != QFileDevice::NoError)
        return fileError(file, path);
    return {};
}

ExportOutcome exportCustomerList(QSqlQuery& rows, const Services& services, QWidget* owner) {
    BusyPointer busy(*services.pointer);
    if (!rows.isActive()) {
        erreur_donnees(DataError::fromQuery(rows), services, owner);
        return ExportOutcome::Failed;
    }
    const QString path = customerExportPath(filesBase(), services.clock->today());
    if (Status s = writeCustomerExport(rows, path); !s) {
        erreur_donnees(s.error(), services, owner);
        return ExportOutcome::Failed;
    }
    services.pointer->setDefault();
    services.boxes->message(owner, QStringLiteral("FICHIER ") + path + QStringLiteral("TERMINE"));

    // The pointer stays normal: the spreadsheet is the user's to work in.
    Q_ASSERT(services.spreadsheet);
    QString reason;
    if (!services.spreadsheet->openAndWait(path, owner, reason)) {
        services.boxes->message(owner, QStringLiteral("Acces Excel impossible ") + CrLf + reason);
        return ExportOutcome::NoSpreadsheet;
    }
    return ExportOutcome::Opened;
}

} // namespace vdn
