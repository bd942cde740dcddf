#pragma once

#include "data/data_error.h"

namespace vdn {

// The message of the data-access error report, line breaks as CR LF. The
// operation, when the caller names it ("Enregistrement du client"), is put
// before the engine's cause: "Enregistrement du client impossible : …".
QString errorReportText(const DataError& error, const QString& operation = {});
// The engine's error list as shown after a Yes answer.
QString engineErrorListText(const DataError& error);

} // namespace vdn
