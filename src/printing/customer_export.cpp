#include "printing/customer_export.h"

#include "data/error_report.h"
#include "data/globals.h"
#include "platform/clock.h"
#include "platform/message_boxes.h"
#include "platform/pointer.h"
#include "platform/services.h"
#include "platform/spreadsheet.h"

#include "platform/progress.h"
#include "widgets/progress_dialog.h"
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <array>

namespace vdn {

namespace {

using F = CustomerReportField;
// The columns of the file, in order.
constexpr F ExportFields[] = {F::Code,     F::Name,     F::Address1, F::Address2,
                              F::Address3, F::PostCode, F::City,     F::Country,
                              F::Phone,    F::Mobile,   F::Nic};

const QString CrLf = QStringLiteral("\r\n");

DataError fileError(const QFileDevice& file, const QString& path) {
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

// One field as the driver gives it to csvField: text as UTF-8 where it is
// well-formed, otherwise through the driver's own decoding (`field`).
inline void appendField(const FieldBytes& bytes, const RowText& field, QByteArray& out) {
    switch (bytes.kind) {
    case FieldBytes::Kind::Utf8:
        if (appendCsvFieldUtf8(bytes.data, bytes.size, out))
            return;
        break;
    case FieldBytes::Kind::Absent:
        return;
    case FieldBytes::Kind::Other:
        break;
    }
    appendWindows1252(csvField(field.toString()), out);
}

} // namespace

QString customerExportPath(const QString& base, const QDate& day) {
    return base + QStringLiteral("Client_") + day.toString(QStringLiteral("yyyyMMdd")) +
           QStringLiteral(".csv");
}

namespace {

enum class Written { Done, Failed, Cancelled };

Written writeExport(CustomerRows& rows, const QString& path, Progress* progress, Status& status) {
    // Written under a temporary name and put in place when complete: a
    // cancel leaves the file that was there (the day's earlier export) as
    // it was.
    QSaveFile file(path);
    // Lines are gathered into blocks of their own: no second buffer.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        status = fileError(file, path);
        return Written::Failed;
    }
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
    const auto failFile = [&]() {
        status = fileError(file, path);
        file.cancelWriting();
        return Written::Failed;
    };
    appendWindows1252(CustomerExportHeader, block);
    if (!endLine())
        return failFile();

    ProgressTicker ticker(progress, rows.count());
    CustomerReportRow row;
    // Each row's fields come as the engine's bytes, all in one call.
    std::array<FieldBytes, std::size(ExportFields)> fields;
    while (rows.nextBytes(ExportFields, fields.data(), row)) {
        appendField(fields[0], row[ExportFields[0]], block);
        for (std::size_t i = 1; i < std::size(ExportFields); ++i) {
            block.append(',');
            appendField(fields[i], row[ExportFields[i]], block);
        }
        if (!endLine())
            return failFile();
        if (!ticker.tick()) {
            // Stopped by the user: no half file is left behind.
            file.cancelWriting();
            return Written::Cancelled;
        }
    }
    if (Status read = rows.status(); !read) {
        // A failed read leaves in the file the lines read before it.
        if (!block.isEmpty())
            file.write(block);
        (void)file.commit();
        status = read;
        return Written::Failed;
    }
    if (!block.isEmpty() && file.write(block) != block.size())
        return failFile();
    // Written data reaches the disk here; a full disk shows now.
    if (!file.flush())
        return failFile();
    if (!file.commit()) {
        status = fileError(file, path);
        return Written::Failed;
    }
    return Written::Done;
}

} // namespace

Status writeCustomerExport(CustomerRows& rows, const QString& path) {
    Status status;
    writeExport(rows, path, nullptr, status);
    return status;
}

ExportOutcome exportCustomerList(CustomerRows& rows, const Services& services, QWidget* owner) {
    BusyPointer busy(*services.pointer);
    if (Status s = rows.status(); !s) {
        erreur_donnees(s.error(), services, owner);
        return ExportOutcome::Failed;
    }
    const QString path = customerExportPath(filesBase(), services.clock->today());
    {
        ProgressDialog progress(*services.clock, owner,
                                QStringLiteral("Exportation des clients vers ") + path);
        Status s;
        switch (writeExport(rows, path, &progress, s)) {
        case Written::Cancelled:
            return ExportOutcome::Cancelled;
        case Written::Failed:
            erreur_donnees(s.error(), services, owner);
            return ExportOutcome::Failed;
        case Written::Done:
            break;
        }
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
