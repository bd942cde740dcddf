#include "printing/session_printer.h"

#include "platform/print_dialog.h"
#include "printing/print_job.h"

#include <QPrinter>

namespace vdn {

void copyPrinterChoice(const QPrinter& from, QPrinter& to) {
    to.setOutputFormat(from.outputFormat());
    if (from.outputFormat() == QPrinter::NativeFormat)
        to.setPrinterName(from.printerName());
    to.setOutputFileName(from.outputFileName());
    to.setCopyCount(from.copyCount());
    to.setDuplex(from.duplex());
    to.setPageLayout(from.pageLayout());
    to.setCollateCopies(from.collateCopies());
    to.setColorMode(from.colorMode());
}

Result<bool> chooseSessionPrinter(PrintDialog& dialog, QPrinter& target, QWidget* owner) {
    if (printerSetUp(dialog, owner) == CancelCode)
        return false;
    copyPrinterChoice(dialog.currentPrinter(), target);
    return true;
}

} // namespace vdn
