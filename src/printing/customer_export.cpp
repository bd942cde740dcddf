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

} // namespace

QString customerExportPath(const QString& base, const QDate& day) {
    return base + QStringLiteral("Client_") + day.toString(QStringLiteral("yyyyMMdd")) +
           QStringLiteral(".csv");
}

Status writeCustomerExport(QSqlQuery& rows, const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return fileError(file, path);
    // The fields' places in the rows, found once: a look-up by name on every
    // row would cost more than the rest of the export.
    std::array<int, std::size(ExportFields)> columns{};
    const QSqlRecord record = rows.record();
    for (std::size_t i = 0; i < columns.size(); ++i)
        columns[i] = record.indexOf(QString::fromLatin1(ExportFields[i]));
    QByteArray line;
    const auto writeLine = [&]() {
        line.append("\r\n");
        return file.write(line) == line.size();
    };
    appendWindows1252(CustomerExportHeader, line);
    if (!writeLine())
        return fileError(file, path);
    while (rows.next()) {
        line.clear();
        for (std::size_t i = 0; i < columns.size(); ++i) {
            if (i > 0)
                line.append(',');
            if (columns[i] >= 0)
                appendWindows1252(csvField(rows.value(columns[i]).toString()), line);
        }
        if (!writeLine())
            return fileError(file, path);
    }
    if (rows.lastError().isValid())
        return DataError::fromQuery(rows);
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
    const QString path = customerExportPath(chemin_base, services.clock->today());
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
