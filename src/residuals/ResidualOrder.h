#pragma once

#include "residuals/ResidualItem.h"

#include <vector>

namespace tarnwick::ResidualScanner {

// Drops every finding that lies in (or is) another finding of at least the same confidence: the folder is
// proposed as a whole. A finding of higher confidence inside a `possible` folder stays beside it.
std::vector<ResidualItem> removeNested(std::vector<ResidualItem> items);

// The order of a scan result: by category in section order, then by path, compared as Unicode scalars
// after canonical composition (byte order for ASCII, so 'Zeta' before 'alpha'). Stable.
void sortInFinalOrder(std::vector<ResidualItem>& items);

} // namespace tarnwick::ResidualScanner
