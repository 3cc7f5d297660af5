#include "catalogue/AppScanner.h"

#include "catalogue/AppRecord.h"
#include "catalogue/BundleCache.h"
#include "platform/DirectoryWalker.h"
#include "platform/Location.h"
#include "platform/ParallelFor.h"

#include <array>
#include <set>
#include <utility>

namespace tarnwick {

namespace fs = std::filesystem;

void AppScanner::scan(const Platform& platform, const std::function<void(InstalledApp)>& deliver) {
    scan(platform, deliver, {});
}

ScanOutcome AppScanner::scan(const Platform& platform, const std::function<void(InstalledApp)>& deliver,
                             const ScanControl& control) {
    const std::array<std::pair<fs::path, bool>, 3> roots{{
        {platform.system("/Applications"), false},
        {platform.home() / "Applications", false},
        {platform.system("/System/Applications"), true},
    }};
    const BundleCache cache(BundleCache::folderFor(platform));
    std::set<std::string> seen;
    ScanTally tally(control);
    const DirectoryWalker::Options options{.skipsHiddenEntries = true, .skipsPackageContents = true};
    for (const auto& [root, isSystem] : roots) {
        std::vector<fs::path> bundles;
        DirectoryWalker::walk(root, options, [&](const DirectoryEntry& entry) {
            if (!tally.searched()) {
                return DirectoryWalker::Step::stop;
            }
            if (!AppRecord::isApplicationName(entry.name())) {
                return DirectoryWalker::Step::proceed;
            }
            fs::path url = Location::standardized(entry.path);
            if (seen.insert(url.string()).second) {
                bundles.push_back(std::move(url));
            }
            return DirectoryWalker::Step::skipDescendants;
        });
        // Reading the bundles is most of the work, and most of it waits for the disk: several at once.
        const std::size_t before = seen.size() - bundles.size();
        std::vector<std::shared_ptr<const BundleReading>> readings(bundles.size());
        parallelFor(
            bundles.size(),
            [&](std::size_t index) {
                readings[index] = cache.read(bundles[index], platform.preferredLanguages());
            },
            [&](std::size_t read) { tally.found(before + read); }, control.stop);
        if (tally.stopRequested()) {
            return ScanOutcome::cancelled;
        }
        for (std::size_t index = 0; index < bundles.size(); ++index) {
            deliver(AppRecord::listed(bundles[index], isSystem, std::move(readings[index])));
        }
        tally.found(seen.size());
    }
    cache.keepCatalogue();
    return ScanOutcome::completed;
}

std::unique_ptr<AppStream> AppScanner::scanStream(const Platform& platform) {
    return std::make_unique<AppStream>(platform);
}

AppStream::AppStream(const Platform& platform)
    : worker_([this, platform] {
        AppScanner::scan(platform, [this](InstalledApp app) {
            {
                std::lock_guard lock(mutex_);
                buffer_.push_back(std::move(app));
            }
            available_.notify_one();
        });
        {
            std::lock_guard lock(mutex_);
            finished_ = true;
        }
        available_.notify_all();
    }) {}

AppStream::~AppStream() {
    if (worker_.joinable()) {
        worker_.join();
    }
}

std::optional<InstalledApp> AppStream::next() {
    std::unique_lock lock(mutex_);
    available_.wait(lock, [this] { return !buffer_.empty() || finished_; });
    if (buffer_.empty()) {
        return std::nullopt;
    }
    InstalledApp app = std::move(buffer_.front());
    buffer_.pop_front();
    return app;
}

} // namespace tarnwick
