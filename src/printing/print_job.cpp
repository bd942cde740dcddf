#include "printing/print_job.h"

#include "platform/pointer.h"
#include "platform/print_dialog.h"
#include "platform/services.h"
#include "printing/page_writer.h"
#include "session/error_box.h"
#include "widgets/progress_dialog.h"

namespace vdn {

int printerSetUp(PrintDialog& dialog, QWidget* owner) {
    return dialog.choose(owner) ? 0 : CancelCode;
}

PrintOutcome runPrintJob(PageWriter& out, const Services& services, QWidget* owner,
                         const DrawReport& draw) {
    return runPrintJob(out, services, owner, [&](PageWriter& w, Progress*) { return draw(w); });
}

PrintOutcome runPrintJob(PageWriter& out, const Services& services, QWidget* owner,
                         const DrawLongReport& draw) {
    Q_ASSERT(services.printDialog);
    // Named before the dialog shows: the dialog names the PDF file it offers
    // after the job, which must not be the previous document's.
    services.printDialog->currentPrinter().setDocName(out.documentTitle());
    if (printerSetUp(*services.printDialog, owner) == CancelCode) {
        out.endDocument();
        out.setOrientation(PageWriter::Orientation::Portrait);
        return PrintOutcome::Cancelled;
    }

    Status drawn;
    {
        BusyPointer busy(*services.pointer);
        out.setOrientation(PageWriter::Orientation::Landscape);
        ProgressDialog progress(*services.clock, owner,
                                QStringLiteral("Impression en cours : ") + out.documentTitle());
        drawn = draw(out, &progress);
        if (progress.cancelled()) {
            out.abandonDocument();
            out.clearFailure();
            out.setOrientation(PageWriter::Orientation::Portrait);
            return PrintOutcome::Cancelled;
        }
        if (drawn.ok())
            drawn = out.status();
    }
    const auto report = [&](const Status& s) {
        if (!s.ok() && s.error().number != CancelCode)
            erreur_donnees(s.error(), services, owner);
    };
    report(drawn);
    // What was drawn is sent, also after a failure.
    out.clearFailure();
    out.endDocument();
    Status ended = out.status();
    out.clearFailure();
    if (drawn.ok())
        report(ended);
    out.setOrientation(PageWriter::Orientation::Portrait);
    if (!drawn.ok())
        return drawn.error().number == CancelCode ? PrintOutcome::Cancelled : PrintOutcome::Failed;
    if (!ended.ok())
        return PrintOutcome::Failed;
    return PrintOutcome::Done;
}

} // namespace vdn
