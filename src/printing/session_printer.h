#pragma once

#include "data/data_error.h"

class QPrinter;
class QWidget;

namespace vdn {

class PrintDialog;

// Copies what the print dialog chooses (printer or file, copies, duplex,
// page size and margins, collation, colour) from one printer to another.
void copyPrinterChoice(const QPrinter& from, QPrinter& to);

// The session's print set-up for a job that prints on a printer of its own
// (the drilling sheet): the dialog is preset from the session's current
// printer; confirmed, the choice stays the session's and is copied onto
// `target`, and the result is true. Cancelled (the cancellation code, no
// message), the result is false and neither printer changes.
Result<bool> chooseSessionPrinter(PrintDialog& dialog, QPrinter& target, QWidget* owner);

} // namespace vdn
