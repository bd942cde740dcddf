#pragma once

#include "data/data_error.h"

#include <QString>

namespace vdn {

// A print queue of the system's print service (CUPS), reached through libcups
// so that the answer to each request is seen: Qt's own CUPS back end does not
// tell whether a job was taken.
class CupsQueue {
public:
    // `name` as Qt names a printer: the queue, or "queue/instance".
    explicit CupsQueue(const QString& name);

    // What is asked of the job besides its file.
    struct JobOptions {
        QString title;
        int copies = 1;
        bool collate = true;
        QString sides; // "one-sided", "two-sided-long-edge", "two-sided-short-edge"
        QString media; // a CUPS media name such as "A4" or "Letter"; empty: the queue's own
    };

    // Whether the queue exists, takes jobs and is not stopped; otherwise the
    // failure to report, before anything is drawn.
    Status checkReady() const;

    // Sends a PDF file as one job. Returns the job's number, or the failure:
    // the IPP status as its number and the print service's message in the
    // error list.
    Result<int> submit(const QString& pdfFile, const JobOptions& options) const;

    const QString& name() const { return name_; }

private:
    QString name_;
    QByteArray queue_;
    QByteArray instance_;
};

// The failure of a request to the print service, as the data-access error
// report shows it: `text` in the message, the IPP status as the error's number
// and the print service's own message in the error list.
DataError printServiceError(int ippStatus, const QString& text, const QString& serviceMessage,
                            const QString& queue);

} // namespace vdn
