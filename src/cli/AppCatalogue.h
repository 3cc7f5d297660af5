#pragma once

#include "InstalledApp.h"
#include "Platform.h"
#include "ProgressLine.h"

#include <string>
#include <vector>

namespace tarnwick {

// The installed applications as the application list shows them: sorted by name, sizes filled in.
namespace AppCatalogue {

std::vector<InstalledApp> load(const Platform& platform, ProgressLine& progress);

// Stable sort by name in the order a Mac file browser uses ("App 2" before "app 10").
void sortByName(std::vector<InstalledApp>& apps);

// Fills in every size, measuring several bundles at once.
void measureSizes(std::vector<InstalledApp>& apps, ProgressLine& progress);

// The application a user names on the command line: the path of a bundle, or the name or bundle
// identifier of an installed application (any letter case). Throws with a message saying what to pass
// when nothing, or more than one application, fits.
InstalledApp find(const Platform& platform, const std::string& query);

} // namespace AppCatalogue
} // namespace tarnwick
