#include "drilling/sheet_row.h"

#include "data/schema.h"
#include "data/statement.h"

namespace vdn {

namespace {
// The comments and options, in their stored order after the measures.
constexpr QString SheetRecord::*Texts[] = {&SheetRecord::fingerComment, &SheetRecord::thumbComment,
                                           &SheetRecord::thumbSlug, &SheetRecord::insertMaterial,
                                           &SheetRecord::conicity};
} // namespace

void bindSheetValues(Statement& q, const SheetRecord& sheet) {
    for (int n : sheetMeasureNumbers())
        q.bind(sheet.measures.value(n));
    for (QString SheetRecord::*field : Texts)
        q.bind(sheet.*field);
}

SheetRecord sheetFromRow(const Statement& row) {
    int at = 0;
    SheetRecord s;
    s.code = row.text(at++);
    for (int n : sheetMeasureNumbers())
        s.measures[n] = row.text(at++);
    for (QString SheetRecord::*field : Texts)
        s.*field = row.text(at++);
    return s;
}

} // namespace vdn
