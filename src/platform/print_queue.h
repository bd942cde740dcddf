#pragma once

#include <QByteArray>
#include <QString>

namespace vdn {

// What the print service answered: accepted (with the job's number when one
// was submitted), or refused with the text to show, the service's own status
// number and message.
struct PrintAnswer {
    bool accepted = true;
    int job = 0;
    int status = 0;
    QString text;
    QString serviceMessage;
};

// A print queue of the system's print service, reached through the
// service's own interface so that the answer to each request is seen: Qt's
// printing does not tell whether a job was taken.
// - Linux (CUPS): a document is painted into a PDF file, which is submitted
//   as one job once complete.
// - Windows: the spooler takes the pages painted on the printer itself; the
//   queue is checked before anything is painted.
class PrintQueue {
public:
    // `name` as Qt names a printer: the queue, or "queue/instance" (CUPS).
    explicit PrintQueue(const QString& name);

    // Whether this system's queues take a finished PDF file as a job.
    static bool takesPdfFiles();
    // Whether this system's print dialog can show Qt's PDF printer, as it
    // does when no printer is installed (Linux); Windows' own dialog shows
    // only the spooler's printers.
    static bool dialogShowsPdfPrinter();

    // What is asked of the job besides its file.
    struct JobOptions {
        QString title;
        int copies = 1;
        bool collate = true;
        QString sides; // "one-sided", "two-sided-long-edge", "two-sided-short-edge"
        QString media; // a media name such as "A4" or "Letter"; empty: the queue's own
    };

    // Whether the queue exists, takes jobs and is not stopped, before
    // anything is drawn.
    PrintAnswer checkReady() const;

    // Sends a PDF file as one job (where takesPdfFiles()).
    PrintAnswer submit(const QString& pdfFile, const JobOptions& options) const;

    const QString& name() const { return name_; }

private:
    QString name_;
    QByteArray queue_;
    QByteArray instance_;
};

} // namespace vdn
