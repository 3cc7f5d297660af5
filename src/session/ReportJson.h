#pragma once

#include "catalogue/InstalledApp.h"
#include "residuals/ResidualItem.h"

#include <nlohmann/json.hpp>
#include <vector>

namespace tarnwick {

// The JSON shapes of applications and findings, as scripts read them. Key order is part of the shape.
namespace ReportJson {

// {"path", "name", "bundleID", "version", "size" (bytes; 0 when unknown), "isSystem"}.
nlohmann::ordered_json appJson(const InstalledApp& app);

// {"path", "size", "category", "confidence", "reason", "selected"}: the category by its title
// ("Caches"), the confidence by its name ("possible").
nlohmann::ordered_json itemJson(const ResidualItem& item);

// An array of `itemJson`, in the order given.
nlohmann::ordered_json itemsJson(const std::vector<ResidualItem>& items);

} // namespace ReportJson
} // namespace tarnwick
