#pragma once

#include "platform/DirectoryEntry.h"
#include "platform/Platform.h"
#include "residuals/NameMatcher.h"
#include "residuals/ResidualCategory.h"
#include "residuals/ResidualFindings.h"

#include <filesystem>
#include <set>
#include <string>
#include <vector>

namespace tarnwick::ResidualScanner {

// One folder of the Library sweep.
struct LibraryLocation {
    std::filesystem::path url;
    ResidualCategory category = ResidualCategory::other;
    bool systemWide = false;        // in /Library: findings are proposed, not preselected
    bool holdsCrashReports = false; // a folder of crash and diagnostic reports
};

// One swept folder with its direct children, listed once for every step that looks at them.
struct LibraryListing {
    LibraryLocation location;
    std::vector<DirectoryEntry> children;
    std::vector<std::string> names; // each child's matched name, comparable (the costly part to compute)
};

// The twenty swept folders, user's first, in sweep order.
std::vector<LibraryLocation> libraryLocations(const std::filesystem::path& userLibrary,
                                              const Platform& platform);

// Looks at the direct children of each location (never below them) and records those named by an
// identifier (exact), by a log identifier in the log folders (exact), or by the application's name key of
// at least 5 characters (possible). The matcher decides whose a name is.
void sweepLibrary(const std::vector<LibraryLocation>& locations, const NameMatcher& matcher,
                  const std::string& appName, ResidualFindings& found);

// The same for one folder, whose listing is kept in `listings` for the later steps. A folder that cannot
// be listed adds nothing.
void sweepLibrary(const LibraryLocation& location, const NameMatcher& matcher, const std::string& appName,
                  ResidualFindings& found, std::vector<LibraryListing>& listings);

} // namespace tarnwick::ResidualScanner
