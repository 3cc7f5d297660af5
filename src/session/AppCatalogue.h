#pragma once

#include "catalogue/InstalledApp.h"
#include "platform/Platform.h"
#include "platform/ScanControl.h"

#include <optional>
#include <string>
#include <vector>

namespace tarnwick {

// The installed applications as the application list shows them, sorted by name.
namespace AppCatalogue {

// Every installed application, without sizes; nothing when the scan was cancelled.
std::optional<std::vector<InstalledApp>> scan(const Platform& platform, const ScanControl& control = {});

// Stable sort by name in the order a Mac file browser uses ("App 2" before "app 10").
void sortByName(std::vector<InstalledApp>& apps);

// Fills in every size, measuring several bundles at once. When cancelled, the apps are left as they were.
ScanOutcome measureSizes(std::vector<InstalledApp>& apps, const ScanControl& control = {});

// The application a user names: the path of an `.app` bundle (its catalogue record when it is installed,
// else a record made as for a dropped bundle), or the name or bundle identifier of an installed
// application, in any letter case. Throws AppLookupError when no single application fits.
InstalledApp find(const std::vector<InstalledApp>& installed, const Platform& platform,
                  const std::string& query);

} // namespace AppCatalogue
} // namespace tarnwick
