#pragma once

#include "data/data_error.h"

#include <functional>

class QWidget;

namespace vdn {

class PageWriter;
class PrintDialog;
class Progress;
struct Services;

// The error number of a cancelled print dialog; a print job that meets it
// stops without a message.
constexpr int CancelCode = 32755;

// How a print job ended, so that the window that started it can go on (the
// customer window closes after the customer list, whatever the outcome).
enum class PrintOutcome {
    Done,      // the document was drawn and sent (or there was nothing to print)
    Cancelled, // the print dialog was cancelled: nothing printed, no message
    Failed,    // a failure was reported; the pages drawn so far were sent
};

// Printer set-up: shows the print dialog preset from the current printer,
// owned by `owner`. Returns 0 when the user confirmed (the choice now belongs
// to the current printer for the rest of the session), CancelCode when the
// user cancelled (the current printer is unchanged).
int printerSetUp(PrintDialog& dialog, QWidget* owner);

// What a report draws once the printer is chosen and set to landscape. It
// returns a failure (data or printer) to end the job with the error report.
using DrawReport = std::function<Status(PageWriter& out)>;

// The course of a print job: printer set-up; on Cancel, end the document and
// set portrait, nothing printed. Otherwise landscape, draw, end the document,
// portrait. A failure is shown with the data-access error report (unless it is
// CancelCode) and the pages drawn so far are still sent.
PrintOutcome runPrintJob(PageWriter& out, const Services& services, QWidget* owner,
                         const DrawReport& draw);

// A report that may take long: it reports its progress as it draws.
using DrawLongReport = std::function<Status(PageWriter& out, Progress* progress)>;

// runPrintJob for a long report: once the printer is chosen, a progress
// window ("Impression en cours" and the document's title) shows when the
// drawing lasts. "Annuler" there stops the drawing: the document is
// abandoned, nothing is sent (no print job, no PDF file left), no message.
PrintOutcome runPrintJob(PageWriter& out, const Services& services, QWidget* owner,
                         const DrawLongReport& draw);

// What a long report returns when its progress said to stop.
inline Status stoppedByUser() {
    return DataError::other(CancelCode, QString());
}

} // namespace vdn
