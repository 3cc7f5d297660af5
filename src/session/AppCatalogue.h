#pragma once

#include "catalogue/InstalledApp.h"
#include "platform/Platform.h"
#include "platform/ScanControl.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <stop_token>
#include <string>
#include <vector>

namespace tarnwick {

// The installed applications as the application list shows them, sorted by name.
namespace AppCatalogue {

// Every installed application, without sizes; nothing when the scan was cancelled.
std::optional<std::vector<InstalledApp>> scan(const Platform& platform, const ScanControl& control = {});

// Stable sort by name in the order a Mac file browser uses ("App 2" before "app 10").
void sortByName(std::vector<InstalledApp>& apps);

// Where `app` goes in a list sorted by name: after every application whose name is not greater, as the
// stable sort would put a record that arrives last.
std::size_t placeInNameOrder(const std::vector<InstalledApp>& sorted, const InstalledApp& app);

// Whether a search over the applications finds `app`: its name or bundle identifier contains the text as
// typed, in any letter case. Every application matches an empty search.
bool matchesSearch(const InstalledApp& app, const std::string& text);

// Fills in every size, measuring several bundles at once. When cancelled, the apps are left as they were.
ScanOutcome measureSizes(std::vector<InstalledApp>& apps, const ScanControl& control = {});

// The size of one application; nothing when a stop cut the measuring short.
std::optional<std::int64_t> measure(const InstalledApp& app, const std::stop_token& stop = {});

// The application a user names: the path of an `.app` bundle (its catalogue record when it is installed,
// else a record made as for a dropped bundle), or the name or bundle identifier of an installed
// application, in any letter case. Throws AppLookupError when no single application fits.
InstalledApp find(const std::vector<InstalledApp>& installed, const Platform& platform,
                  const std::string& query);

} // namespace AppCatalogue
} // namespace tarnwick
