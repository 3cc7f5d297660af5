#include "catalogue/BundleReading.h"

#include "catalogue/Bundle.h"
#include "catalogue/FileUtilities.h"
#include "platform/Location.h"

namespace tarnwick {

BundleReading BundleReading::read(const std::filesystem::path& location,
                                  const std::vector<std::string>& languages,
                                  std::vector<std::filesystem::path>* consulted) {
    std::vector<std::filesystem::path> ignored;
    std::vector<std::filesystem::path>& files = consulted != nullptr ? *consulted : ignored;
    const std::filesystem::path contents = location / "Contents";
    files.insert(files.end(), {location, contents / "Info.plist", contents / "Resources"});

    BundleReading reading;
    const std::optional<Bundle> bundle = Bundle::open(location, languages);
    reading.name = FileUtilities::applicationName(bundle ? &*bundle : nullptr, location);
    if (!bundle) {
        return reading;
    }
    files.insert(files.end(), bundle->localizationsTried().begin(), bundle->localizationsTried().end());
    reading.bundleID = bundle->identifier().value_or("");
    if (const auto& info = bundle->infoDictionary()) {
        reading.version = stringValue(*info, "CFBundleShortVersionString");
        if (!reading.version) {
            reading.version = stringValue(*info, "CFBundleVersion");
        }
    }
    if (const auto executable = bundle->executable()) {
        files.push_back(*executable);
        reading.executableName = Location::lastComponent(*executable);
        reading.identity = AppIdentityReader::readExecutable(*executable);
    }
    reading.nested = NestedBundle::readAll(location, &files);
    return reading;
}

} // namespace tarnwick
