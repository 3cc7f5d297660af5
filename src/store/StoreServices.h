#pragma once

#include "catalogue/InstalledApp.h"
#include "platform/Platform.h"
#include "platform/ScanControl.h"
#include "removal/TrashManager.h"
#include "residuals/ResidualItem.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <stop_token>
#include <vector>

namespace tarnwick {

// The searches for leftovers, judged against one state of the application list. Scans only read, so
// several may run at once; each returns nothing when stopped.
class LeftoverSearch {
public:
    virtual ~LeftoverSearch() = default;

    // What `app` left behind, the other applications' files being theirs.
    virtual std::optional<std::vector<ResidualItem>> forApp(const InstalledApp& app,
                                                            const ScanControl& control) const = 0;
    // What applications that are no longer installed left behind.
    virtual std::optional<std::vector<ResidualItem>> orphans(const ScanControl& control) const = 0;
};

// What the store asks of the system: its applications, their sizes, the searches for leftovers and the
// Trash. Every call but `trash` may be made on any thread; the store never calls them on the main one,
// except `handedOver` for a dropped bundle.
class StoreServices {
public:
    virtual ~StoreServices() = default;

    // Gives each installed application to `deliver` as soon as it is found, on the calling thread.
    virtual ScanOutcome findApps(const std::function<void(InstalledApp)>& deliver,
                                 const ScanControl& control) = 0;

    // The bytes of an application; nothing when a stop cut the measuring short.
    virtual std::optional<std::int64_t> measure(const InstalledApp& app, const std::stop_token& stop) = 0;

    // The searches for leftovers judged against `installed`, which reads their signatures: slow.
    virtual std::shared_ptr<const LeftoverSearch>
    searchAgainst(const std::vector<InstalledApp>& installed) = 0;

    // The record of a bundle the user dropped on the window, its size measured at once.
    virtual InstalledApp handedOver(const std::filesystem::path& location) = 0;

    // Moves, history and restore. Its calls are safe from several threads at once.
    virtual TrashManager& trash() = 0;
};

// The system the program runs on, or one re-rooted under a folder.
class SystemServices final : public StoreServices {
public:
    // Without a trash manager, the one of `platform`'s system.
    explicit SystemServices(Platform platform, std::unique_ptr<TrashManager> trash = nullptr);

    ScanOutcome findApps(const std::function<void(InstalledApp)>& deliver,
                         const ScanControl& control) override;
    std::optional<std::int64_t> measure(const InstalledApp& app, const std::stop_token& stop) override;
    std::shared_ptr<const LeftoverSearch> searchAgainst(const std::vector<InstalledApp>& installed) override;
    InstalledApp handedOver(const std::filesystem::path& location) override;
    TrashManager& trash() override { return *trash_; }

private:
    Platform platform_;
    std::unique_ptr<TrashManager> trash_;
};

} // namespace tarnwick
