#pragma once

#include "data/error_report.h"

class QWidget;

namespace vdn {

struct Services;

// The data-access error report: default pointer, beep, then the message in an
// OK box, or, when the engine's first error carries the same number, the
// question whether to show the engine's error list. Nothing is retried. The
// texts are built by data/error_report.h; this shows them.
void erreur_donnees(const DataError& error, const Services& services, QWidget* parent = nullptr,
                    const QString& operation = {});

} // namespace vdn
