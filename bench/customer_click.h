#pragma once

#include <QString>

class QTableView;

namespace vdn {
class BallPanel;
class VdnClient;
} // namespace vdn

namespace bench {

// The customer `code` opened from the list as the user does: its row
// scrolled into view (with `fetchPages`, further pages read until it is
// listed, as a user scrolls down a long list), then clicked on its name.
// Whether the window then shows that customer's ball panel; false when the
// row is not in the list.
bool clickCustomerRow(vdn::VdnClient& client, QTableView& grid, const vdn::BallPanel& balls,
                      const QString& code, bool fetchPages);

} // namespace bench
