#pragma once

#include "catalogue/InstalledApp.h"
#include "residuals/ResidualItem.h"

#include <vector>

namespace tarnwick {

// One application's part of a removal: the application and the items chosen for the Trash, as the caller
// holds them.
struct RemovalPart {
    const InstalledApp& app;
    const std::vector<ResidualItem>& items;
};

} // namespace tarnwick
