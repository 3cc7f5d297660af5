#pragma once

#include "catalogue/InstalledApp.h"
#include "platform/Platform.h"
#include "platform/ScanControl.h"
#include "residuals/InstalledIdentities.h"
#include "residuals/ResidualItem.h"

#include <optional>
#include <vector>

namespace tarnwick {

// The searches for leftovers on one system, judged against its installed applications. What their
// signatures declare is read once, when the search is made for a catalogue, and every scan reuses it.
// The scans only read, so one search may serve several threads at once.
class ResidualSearch {
public:
    // Reads the code-signing identities of every application in `installed`, several at a time.
    ResidualSearch(const std::vector<InstalledApp>& installed, Platform platform);

    // What `app` (installed or not) left behind, as ResidualScanner finds it when the other installed
    // applications are those of the catalogue; nothing when cancelled.
    std::optional<std::vector<ResidualItem>> forApp(const InstalledApp& app,
                                                    const ScanControl& control = {}) const;

    // What applications that are no longer installed left in the Library folders, every installed
    // application's files (the system's own included) being protected; nothing when cancelled.
    std::optional<std::vector<ResidualItem>> orphans(const ScanControl& control = {}) const;

    const InstalledIdentities& identities() const { return identities_; }

private:
    Platform platform_;
    InstalledIdentities identities_;
};

} // namespace tarnwick
