#include "printing/report_rows.h"

#include "platform/message_boxes.h"
#include "platform/pointer.h"
#include "platform/services.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

namespace vdn {

QString fieldAt(const QSqlQuery& rows, int place) {
    return place >= 0 ? rows.value(place).toString() : QString();
}

std::optional<Status> moveToFirstRow(QSqlQuery& rows, const QString& nothingToPrint,
                                     const Services& services, QWidget* owner) {
    if (!rows.isActive())
        return DataError::fromQuery(rows);
    if (rows.next())
        return std::nullopt;
    if (rows.lastError().isValid())
        return DataError::fromQuery(rows);
    services.pointer->setDefault();
    services.boxes->message(owner, nothingToPrint);
    return Status();
}

} // namespace vdn
