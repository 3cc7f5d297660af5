#pragma once

#include "catalogue/InstalledApp.h"
#include "platform/Platform.h"
#include "residuals/NameMatcher.h"
#include "residuals/ResidualFindings.h"

#include <filesystem>

namespace tarnwick::ResidualScanner {

// Searches the developer's own folders (~/Library/Application Support/<vendor>, ~/Library/<vendor>, each
// also with the vendor token capitalised) for what is this application's, each folder once however many
// of the candidates name it. Nothing for a bundle identifier of fewer than three components or a vendor
// token of fewer than 4 characters.
void addVendorFolders(const InstalledApp& app, const std::filesystem::path& home, const NameMatcher& matcher,
                      const Platform& platform, ResidualFindings& found);

// Records, down to 3 levels below `folder` (hidden entries skipped, links never proposed), the entries
// named by the bundle identifier or by the application's name: inside the developer's own folder a name
// match is as good as an identifier match.
void addAppSpecificChildren(const std::filesystem::path& folder, const InstalledApp& app,
                            const NameMatcher& matcher, const Platform& platform, ResidualFindings& found);

} // namespace tarnwick::ResidualScanner
