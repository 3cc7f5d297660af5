#include "catalogue/DroppedApp.h"

#include "catalogue/Bundle.h"
#include "catalogue/FileUtilities.h"
#include "platform/Location.h"
#include "platform/Text.h"

#include <optional>

namespace tarnwick {

bool DroppedApp::isApplicationLocation(const std::filesystem::path& location) {
    return Text::lowercased(Location::extension(location)) == "app";
}

InstalledApp DroppedApp::makeRecord(const std::filesystem::path& location, const Platform& platform) {
    const std::optional<Bundle> bundle = Bundle::open(location, platform.preferredLanguages());
    InstalledApp app;
    app.url = Location::standardized(location);
    app.name = FileUtilities::applicationName(bundle ? &*bundle : nullptr, location);
    if (bundle) {
        app.bundleID = bundle->identifier().value_or("");
        if (const auto& info = bundle->infoDictionary()) {
            app.version = stringValue(*info, "CFBundleShortVersionString").value_or(app.version);
        }
    }
    app.size = FileUtilities::fileSize(location);
    app.isSystem = Location::contains("/System", platform.pathOnSystem(location));
    return app;
}

} // namespace tarnwick
