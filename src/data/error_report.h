#pragma once

#include "data/data_error.h"

class QWidget;

namespace vdn {

struct Services;

// The message of the data-access error report, line breaks as CR LF. The
// operation, when the caller names it ("Enregistrement du client"), is put
// before the engine's cause: "Enregistrement du client impossible : …".
QString errorReportText(const DataError& error, const QString& operation = {});
// The engine's error list as shown after a Yes answer.
QString engineErrorListText(const DataError& error);

// The data-access error report: default pointer, beep, then the message in an
// OK box, or, when the engine's first error carries the same number, the
// question whether to show the engine's error list. Nothing is retried.
void erreur_donnees(const DataError& error, const Services& services, QWidget* parent = nullptr,
                    const QString& operation = {});

} // namespace vdn
