#include "catalogue/AppScanner.h"

#include "catalogue/Bundle.h"
#include "catalogue/FileUtilities.h"
#include "platform/DirectoryWalker.h"
#include "platform/Location.h"

#include <array>
#include <set>
#include <utility>

namespace tarnwick {

namespace fs = std::filesystem;

namespace {

bool hasAppExtension(std::string_view name) {
    const auto dot = name.rfind('.');
    if (dot == std::string_view::npos || dot == 0 || name.size() - dot != 4) {
        return false;
    }
    const std::string_view extension = name.substr(dot + 1);
    auto lower = [](char c) { return static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c); };
    return lower(extension[0]) == 'a' && lower(extension[1]) == 'p' && lower(extension[2]) == 'p';
}

} // namespace

InstalledApp AppScanner::makeRecord(const fs::path& url, bool isSystem, const Platform& platform) {
    InstalledApp app;
    app.url = url;
    app.isSystem = isSystem;
    const std::optional<Bundle> bundle = Bundle::open(url, platform.preferredLanguages());
    app.name = FileUtilities::applicationName(bundle ? &*bundle : nullptr, url);
    if (!bundle) {
        return app;
    }
    app.bundleID = bundle->identifier().value_or("");
    if (const auto& info = bundle->infoDictionary()) {
        if (auto version = stringValue(*info, "CFBundleShortVersionString")) {
            app.version = std::move(*version);
        } else if (auto build = stringValue(*info, "CFBundleVersion")) {
            app.version = std::move(*build);
        }
    }
    return app;
}

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
    std::set<std::string> delivered;
    ScanTally tally(control);
    const DirectoryWalker::Options options{.skipsHiddenEntries = true, .skipsPackageContents = true};
    for (const auto& [root, rootIsSystem] : roots) {
        const bool isSystem = rootIsSystem; // clang 14 cannot capture structured bindings in lambdas
        DirectoryWalker::walk(root, options, [&](const DirectoryEntry& entry) {
            if (!tally.searched()) {
                return DirectoryWalker::Step::stop;
            }
            if (!hasAppExtension(entry.name())) {
                return DirectoryWalker::Step::proceed;
            }
            fs::path url = Location::standardized(entry.path);
            if (delivered.insert(url.string()).second) {
                deliver(makeRecord(url, isSystem, platform));
                tally.found(delivered.size());
            }
            return DirectoryWalker::Step::skipDescendants;
        });
        if (tally.stopRequested()) {
            return ScanOutcome::cancelled;
        }
        tally.report();
    }
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
