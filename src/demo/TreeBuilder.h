#pragma once

#include "demo/MachOWriter.h"
#include "formats/PlistValue.h"
#include "platform/Platform.h"

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tarnwick {

// One application bundle to lay out. Every member has a default so that tables can name only what
// matters (designated initialisers).
struct AppSpec {
    enum class PlistFormat { xml, binary };

    std::string fileName{};                    // "Foo.app" (any letter case of the extension)
    std::string bundleID{};                    // empty: CFBundleIdentifier is left out
    std::optional<std::string> displayName{};  // CFBundleDisplayName
    std::optional<std::string> bundleName{};   // CFBundleName
    std::optional<std::string> shortVersion{}; // CFBundleShortVersionString
    std::optional<std::string> version{};      // CFBundleVersion
    std::optional<std::string> executable{};   // CFBundleExecutable; default: the file name without extension
    PlistValue::Dictionary extraInfo{};        // further keys; they win over the ones above
    PlistFormat infoFormat = PlistFormat::xml;
    bool writesInfoPlist = true; // false: a bare folder that is no bundle at all
    // Language ("de") -> key -> text, written as Resources/<language>.lproj/InfoPlist.strings in the
    // old text form, UTF-16 little-endian with a byte-order mark, as Xcode leaves them.
    std::map<std::string, std::map<std::string, std::string>> localizedInfo{};
    bool icon = true;                            // Resources/AppIcon.icns, and CFBundleIconFile
    std::optional<MachOImage> executableImage{}; // default: thin arm64, unsigned
    std::vector<AppSpec> helpers{};              // nested applications in Contents/Helpers
    std::vector<AppSpec> loginItems{};           // nested applications in Contents/Library/LoginItems
    // Further nested bundles: the folder below Contents ("XPCServices", "PlugIns", "Frameworks") and the
    // bundle ("Renderer.xpc", "Share.appex", "Foo Helper.app").
    std::vector<std::pair<std::string, AppSpec>> nested{};
    // Privileged helper tools, Contents/Library/LaunchServices/<identifier>: bare executables.
    std::vector<std::string> privilegedHelpers{};
};

// Lays out macOS-like folder trees (bundles, files, links) for tests and the demo. Every operation
// creates the missing parent folders and throws std::runtime_error naming the path when it fails.
class TreeBuilder {
public:
    explicit TreeBuilder(const Platform& platform);

    // Writes the bundle `appSpec.fileName` inside `folder`; returns the bundle's path.
    std::filesystem::path addApp(const std::filesystem::path& folder, const AppSpec& appSpec) const;

    std::filesystem::path addFile(const std::filesystem::path& file, std::string_view contents) const;
    // A file of exactly `size` bytes of filler; above 1 MiB only the start is written and the rest is a
    // hole, so large trees cost little disk.
    std::filesystem::path addFile(const std::filesystem::path& file, std::uint64_t size) const;
    std::filesystem::path addFolder(const std::filesystem::path& folder) const;
    // A symbolic link holding `target` as given (relative targets stay relative); replaces a link or
    // file already at `link`.
    std::filesystem::path addLink(const std::filesystem::path& link,
                                  const std::filesystem::path& target) const;

    std::filesystem::path userLibrary(std::string_view relative) const;   // ~/Library/<relative>
    std::filesystem::path systemLibrary(std::string_view relative) const; // <root>/Library/<relative>

    const Platform& platform() const { return platform_; }

    // The bytes of a small, valid .icns holding one 128x128 PNG ('ic07') in a colour drawn from `seed`.
    static std::string iconData(std::string_view seed);

private:
    Platform platform_;
};

} // namespace tarnwick
