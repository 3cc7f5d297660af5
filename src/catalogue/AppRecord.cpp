#include "catalogue/AppRecord.h"

#include "catalogue/Bundle.h"
#include "catalogue/FileUtilities.h"
#include "platform/Location.h"

#include <optional>

namespace tarnwick::AppRecord {

namespace {

// The name and identifier every record has, and the bundle to read the rest from.
InstalledApp basicRecord(const std::filesystem::path& url, const std::optional<Bundle>& bundle) {
    InstalledApp app;
    app.url = url;
    app.name = FileUtilities::applicationName(bundle ? &*bundle : nullptr, url);
    if (bundle) {
        app.bundleID = bundle->identifier().value_or("");
    }
    app.executable =
        bundle ? bundle->executable().value_or(std::filesystem::path()) : std::filesystem::path();
    return app;
}

std::optional<std::string> infoString(const std::optional<Bundle>& bundle, std::string_view key) {
    if (!bundle || !bundle->infoDictionary()) {
        return std::nullopt;
    }
    return stringValue(*bundle->infoDictionary(), key);
}

} // namespace

bool isApplicationName(std::string_view lastComponent) {
    const auto dot = lastComponent.rfind('.');
    if (dot == std::string_view::npos || dot == 0 || lastComponent.size() - dot != 4) {
        return false;
    }
    auto lower = [](char c) { return static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c); };
    return lower(lastComponent[dot + 1]) == 'a' && lower(lastComponent[dot + 2]) == 'p' &&
           lower(lastComponent[dot + 3]) == 'p';
}

InstalledApp listed(const std::filesystem::path& url, bool isSystem,
                    std::shared_ptr<const BundleReading> reading) {
    InstalledApp app;
    app.url = url;
    app.name = reading->name;
    app.bundleID = reading->bundleID;
    app.version = reading->version.value_or(app.version);
    app.isSystem = isSystem;
    // Joined as text and made a path once: records are made by the thousand.
    app.executable = reading->executableName.empty()
                         ? std::filesystem::path()
                         : std::filesystem::path(url.native() + "/Contents/MacOS/" + reading->executableName);
    app.reading = std::move(reading);
    return app;
}

InstalledApp listed(const std::filesystem::path& url, bool isSystem, const Platform& platform) {
    return listed(
        url, isSystem,
        std::make_shared<const BundleReading>(BundleReading::read(url, platform.preferredLanguages())));
}

InstalledApp handedOver(const std::filesystem::path& location, const Platform& platform) {
    const std::optional<Bundle> bundle = Bundle::open(location, platform.preferredLanguages());
    InstalledApp app = basicRecord(Location::standardized(location), bundle);
    app.version = infoString(bundle, "CFBundleShortVersionString").value_or(app.version);
    app.size = FileUtilities::fileSize(location);
    app.isSystem = Location::contains("/System", platform.pathOnSystem(location));
    return app;
}

} // namespace tarnwick::AppRecord
