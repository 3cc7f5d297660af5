#include "store/StoreServices.h"

#include "catalogue/AppRecord.h"
#include "catalogue/AppScanner.h"
#include "session/AppCatalogue.h"
#include "session/ResidualSearch.h"

namespace tarnwick {

namespace {

class SystemLeftoverSearch final : public LeftoverSearch {
public:
    SystemLeftoverSearch(const std::vector<InstalledApp>& installed, const Platform& platform)
        : search_(installed, platform) {}

    std::optional<std::vector<ResidualItem>> forApp(const InstalledApp& app,
                                                    const ScanControl& control) const override {
        return search_.forApp(app, control);
    }
    std::optional<std::vector<ResidualItem>> orphans(const ScanControl& control) const override {
        return search_.orphans(control);
    }

private:
    ResidualSearch search_;
};

} // namespace

SystemServices::SystemServices(Platform platform, std::unique_ptr<TrashManager> trash)
    : platform_(std::move(platform))
    , trash_(trash ? std::move(trash) : std::make_unique<TrashManager>(platform_)) {}

ScanOutcome SystemServices::findApps(const std::function<void(InstalledApp)>& deliver,
                                     const ScanControl& control) {
    return AppScanner::scan(platform_, deliver, control);
}

std::optional<std::int64_t> SystemServices::measure(const InstalledApp& app, const std::stop_token& stop) {
    return AppCatalogue::measure(app, stop);
}

std::shared_ptr<const LeftoverSearch>
SystemServices::searchAgainst(const std::vector<InstalledApp>& installed) {
    return std::make_shared<const SystemLeftoverSearch>(installed, platform_);
}

InstalledApp SystemServices::handedOver(const std::filesystem::path& location) {
    return AppRecord::handedOver(location, platform_);
}

} // namespace tarnwick
