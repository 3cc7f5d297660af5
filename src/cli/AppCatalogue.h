#pragma once

#include "catalogue/InstalledApp.h"
#include "cli/ProgressLine.h"
#include "platform/Platform.h"

#include <string>
#include <vector>

namespace tarnwick {

// The installed applications as the application list shows them, sorted by name.
namespace AppCatalogue {

// Every installed application, without sizes.
std::vector<InstalledApp> scan(const Platform& platform, ProgressLine& progress);

// Every installed application with its size.
std::vector<InstalledApp> load(const Platform& platform, ProgressLine& progress);

// Stable sort by name in the order a Mac file browser uses ("App 2" before "app 10").
void sortByName(std::vector<InstalledApp>& apps);

// Fills in every size, measuring several bundles at once.
void measureSizes(std::vector<InstalledApp>& apps, ProgressLine& progress);

// The application a user names on the command line: the path of an `.app` bundle (its catalogue record
// when it is installed, else a record made as for a dropped bundle), or the name or bundle identifier of
// an installed application, in any letter case. A UsageError lists the candidates when nothing, or more
// than one application, fits.
InstalledApp find(const std::vector<InstalledApp>& installed, const Platform& platform,
                  const std::string& query);

} // namespace AppCatalogue
} // namespace tarnwick
