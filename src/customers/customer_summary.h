#pragma once

#include "customers/customer_store.h"
#include "session/customer_summary.h"

namespace vdn {

// The summary of a customer as the record panel shows it (hand, wrist support
// and tariff as their one-letter codes).
CustomerSummary summarize(const CustomerRecord& shown);

} // namespace vdn
