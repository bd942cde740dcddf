#pragma once

#include "data/data_error.h"

#include <QString>

#include <memory>

class QPrinter;
class QTemporaryDir;

namespace vdn {

// Where a document is painted and how it is sent. A PDF file chosen in the
// print dialog is painted straight onto the chosen printer. A print queue is
// checked first (it exists, takes jobs, is not stopped); the document is then
// painted into a temporary PDF file with the queue's paper and margins, and
// that file is submitted to the queue through the print service once
// complete, so that a refused job is reported instead of lost without a word.
// Where the system's queues take painted pages instead (Windows), the checked
// printer is painted on directly.
class PrintTarget {
public:
    PrintTarget(QPrinter& chosen, const QString& title);
    ~PrintTarget();
    PrintTarget(const PrintTarget&) = delete;
    PrintTarget& operator=(const PrintTarget&) = delete;

    // The printer to paint on, or the reason no job can be made.
    Result<QPrinter*> open();
    // Once the painter has ended on it: hands the document to the queue. A
    // PDF written short (a full disk) is a failure, never sent nor printed.
    Status send();

private:
    QPrinter& chosen_;
    QString title_;
    std::unique_ptr<QTemporaryDir> folder_;
    std::unique_ptr<QPrinter> file_;
};

// The failure of a request to the print service, as the data-access error
// report shows it: `text` in the message, the service's status as the
// error's number and its own message in the error list.
DataError printServiceError(int status, const QString& text, const QString& serviceMessage,
                            const QString& queue);

} // namespace vdn
