#include "printing/customer_export.h"

#include "data/globals.h"
#include "platform/clock.h"
#include "platform/message_boxes.h"
#include "platform/pointer.h"
#include "platform/services.h"
#include "platform/spreadsheet.h"
#include "printing/workbook.h"
#include "session/error_box.h"

#include "platform/progress.h"
#include "widgets/progress_dialog.h"
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <array>
#include <optional>

namespace vdn {

namespace {

// The columns of the file, in order.
constexpr const auto& ExportFields = ExportedFields;

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

// The same field as a workbook's cell: the whole text, in every alphabet.
inline bool addCell(const FieldBytes& bytes, const RowText& field, WorkbookWriter& book) {
    switch (bytes.kind) {
    case FieldBytes::Kind::Utf8: {
        const QString text = QString::fromUtf8(bytes.data, bytes.size);
        // Ill-formed UTF-8 goes through the driver's decoding, as for the file.
        if (!text.contains(QChar::ReplacementCharacter))
            return book.cell(text);
        break;
    }
    case FieldBytes::Kind::Absent:
        return book.cell({});
    case FieldBytes::Kind::Other:
        break;
    }
    return book.cell(field.toString());
}

} // namespace

QString customerExportPath(const QString& base, const QDate& day) {
    return base + QStringLiteral("Client_") + day.toString(QStringLiteral("yyyyMMdd")) +
           QStringLiteral(".csv");
}

namespace {

enum class Written { Done, Failed, Cancelled };

DataError workbookError(const WorkbookWriter& book, const QString& path) {
    return DataError::other(errnum::FileAccess, QStringLiteral("Erreur d'accès au fichier ") +
                                                    QDir::toNativeSeparators(path) +
                                                    QStringLiteral(" : ") + book.errorString());
}

// Writes the export file and, when `book` is given, the same rows as a
// workbook (`bookPath`), in one pass over the rows.
Written writeExport(CustomerRows& rows, const QString& path, Progress* progress, Status& status,
                    WorkbookWriter* book = nullptr, const QString& bookPath = {}) {
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
        if (book)
            book->cancel();
        return Written::Failed;
    };
    const auto failBook = [&]() {
        status = workbookError(*book, bookPath);
        book->cancel();
        file.cancelWriting();
        return Written::Failed;
    };
    appendWindows1252(CustomerExportHeader, block);
    if (!endLine())
        return failFile();
    if (book) {
        if (!book->open() || !book->row())
            return failBook();
        for (const QString& title : CustomerExportHeader.split(QLatin1Char(',')))
            if (!book->cell(title))
                return failBook();
    }

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
        if (book) {
            bool written = book->row();
            for (std::size_t i = 0; written && i < std::size(ExportFields); ++i)
                written = addCell(fields[i], row[ExportFields[i]], *book);
            if (!written)
                return failBook();
        }
        if (!ticker.tick()) {
            // Stopped by the user: no half file is left behind.
            file.cancelWriting();
            if (book)
                book->cancel();
            return Written::Cancelled;
        }
    }
    if (Status read = rows.status(); !read) {
        // A failed read leaves in the file the lines read before it.
        if (!block.isEmpty())
            file.write(block);
        (void)file.commit();
        if (book)
            book->cancel();
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
        if (book)
            book->cancel();
        return Written::Failed;
    }
    if (book && !book->commit()) {
        status = workbookError(*book, bookPath);
        book->cancel();
        return Written::Failed;
    }
    return Written::Done;
}

} // namespace

QString customerWorkbookPath(const QString& exportPath) {
    QString p = exportPath;
    if (p.endsWith(QLatin1String(".csv"), Qt::CaseInsensitive))
        p.chop(4);
    return p + QStringLiteral(".xlsx");
}

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
    // A spreadsheet program that would read the file's codes, postcodes and
    // telephone numbers as numbers is handed the same rows as a workbook of
    // text cells, written beside the file.
    Q_ASSERT(services.spreadsheet);
    const bool workbook = services.spreadsheet->handOver() == Spreadsheet::HandOver::Workbook;
    const QString handed = workbook ? customerWorkbookPath(path) : path;
    {
        ProgressDialog progress(*services.clock, owner,
                                QStringLiteral("Exportation des clients vers ") + path);
        Status s;
        std::optional<WorkbookWriter> book;
        if (workbook)
            book.emplace(handed, QStringLiteral("Clients"), int(std::size(ExportFields)));
        switch (writeExport(rows, path, &progress, s, book ? &*book : nullptr, handed)) {
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
    QString reason;
    if (!services.spreadsheet->openAndWait(handed, owner, reason)) {
        services.boxes->message(owner, QStringLiteral("Acces Excel impossible ") + CrLf + reason);
        return ExportOutcome::NoSpreadsheet;
    }
    return ExportOutcome::Opened;
}

} // namespace vdn
