#pragma once

#include "data/data_error.h"

#include <QByteArray>
#include <QString>

namespace vdn {

// Whether a PDF document written by the program's PDF engine is whole: it
// ends with its end-of-file mark, its last cross-reference table is where
// the end says, and every object the table lists starts where it says. A
// write that failed on the way (a full disk) leaves the file short or its
// objects out of place; the engine itself reports no such failure.
bool isWholePdf(const QByteArray& bytes);

// The same for a file just written; the failure names the file.
Status checkWrittenPdf(const QString& path);

} // namespace vdn
