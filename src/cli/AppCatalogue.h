#pragma once

#include <vector>

#include "InstalledApp.h"
#include "Platform.h"
#include "ProgressLine.h"

namespace tarnwick {

// The installed applications as the application list shows them: sorted by name, sizes filled in.
namespace AppCatalogue {

std::vector<InstalledApp> load(const Platform& platform, ProgressLine& progress);

// Stable sort by name in the order a Mac file browser uses ("App 2" before "app 10").
void sortByName(std::vector<InstalledApp>& apps);

// Fills in every size, measuring several bundles at once.
void measureSizes(std::vector<InstalledApp>& apps, ProgressLine& progress);

} // namespace AppCatalogue
} // namespace tarnwick
