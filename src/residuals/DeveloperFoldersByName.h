#pragma once

#include "catalogue/InstalledApp.h"
#include "residuals/AppEvidence.h"
#include "residuals/LibrarySweep.h"
#include "residuals/NameMatcher.h"
#include "residuals/ResidualFindings.h"

#include <vector>

namespace tarnwick::ResidualScanner {

// The developer's folders found by name in the swept Application Support, Caches, Preferences and Logs
// folders: named after the vendor token, alone or leading a longer name ("Vendor", "VendorSoftware" for
// com.vendor.*), or after the first word of a display name of several words ("Vendor" for "Vendor Live 10
// Suite"). Inside each, one level down, the children named after the application: its name, or its name
// without the developer's word ("Google/Chrome"), are exact; the same with a trailing version
// ("ProductPreview2023.1"), or a word of the identifier's last component ("Ableton/Live" for
// com.ableton.live), possible. The folder itself is proposed for review while the developer has no other
// installed application. Nothing another installed application's name or identifier takes.
void addDeveloperFoldersByName(const std::vector<LibraryListing>& listings, const NameMatcher& wide,
                               const AppEvidence& evidence, const InstalledApp& app, ResidualFindings& found);

} // namespace tarnwick::ResidualScanner
