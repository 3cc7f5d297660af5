#include "session/ResidualSearch.h"

#include "residuals/OrphanScanner.h"
#include "residuals/ResidualScanner.h"

#include <utility>

namespace tarnwick {

ResidualSearch::ResidualSearch(const std::vector<InstalledApp>& installed, Platform platform)
    : platform_(std::move(platform))
    , identities_(InstalledIdentities::read(installed)) {}

std::optional<std::vector<ResidualItem>> ResidualSearch::forApp(const InstalledApp& app,
                                                                const ScanControl& control) const {
    // What the other applications declare decides which data is shared or theirs. The scan leaves the
    // scanned application out of them itself, which spares copying the whole catalogue for each scan.
    return ResidualScanner::scan(app, platform_, identities_, control);
}

std::optional<std::vector<ResidualItem>> ResidualSearch::orphans(const ScanControl& control) const {
    return OrphanScanner::scan(identities_, platform_, control);
}

} // namespace tarnwick
