#pragma once

#include "residuals/AppEvidence.h"
#include "residuals/LibrarySweep.h"
#include "residuals/NameMatcher.h"
#include "residuals/ResidualFindings.h"

#include <vector>

namespace tarnwick::ResidualScanner {

// The crash and diagnostic reports of the swept report folders named after the application's display or
// executable name, then "_" or "-" and a date ("Vendor Live 10_2023-02-27-101010_Mac.ips",
// "Live-2024-01-05-093000.ips"): exact, and preselected in the user's Library, unless another installed
// application is called or runs by that name too; then possible.
void addCrashReportsByName(const std::vector<LibraryListing>& listings, const NameMatcher& wide,
                           const AppEvidence& evidence, ResidualFindings& found);

} // namespace tarnwick::ResidualScanner
