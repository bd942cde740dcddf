#pragma once

#include "customers/customer_store.h"
#include "session/current_customer.h"
#include "session/customer_summary.h"

namespace vdn {

// The summary of a customer as the record panel shows it (hand, wrist support
// and tariff as their one-letter codes).
CustomerSummary summarize(const CustomerRecord& shown);

// The current customer a stored record makes: its code, its sigle and name
// joined by a blank, its state.
CurrentCustomer currentCustomerOf(const CustomerRecord& record);

} // namespace vdn
