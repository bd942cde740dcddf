#pragma once

#include <QString>

namespace vdn {

class Clock;
class PageWriter;

// Font of every report item; Liberation Serif stands in for it, with the
// same metrics, where it is not installed.
inline const QString ReportFont = QStringLiteral("Times New Roman");

// The line position Y that a page header leaves: right under its frame.
constexpr double HeaderBottom = 500;

// Page header of the customer list: frame, shop name, title, date and time of
// drawing, page number. Reads the clock as it is drawn, so each page carries
// its own time. Returns the line position Y.
double drawCustomerListHeader(PageWriter& out, const QString& shopName, const Clock& clock);

// Page header of a customer's ball list: frame, title with the customer's
// display name, date of drawing, page number. Returns the line position Y.
double drawBallListHeader(PageWriter& out, const QString& customerName, const Clock& clock);

} // namespace vdn
