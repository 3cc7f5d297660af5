#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace tarnwick {

// A program an application bundle carries inside it and macOS runs under its own identifier: a helper
// app, a login item, an XPC service, an app extension or a privileged helper tool. Frameworks are left
// out: they are shared code (an updater framework many apps embed), not the application's own program.
struct NestedBundle {
    enum class Kind { helperApp, loginItem, xpcService, appExtension, privilegedHelper };

    Kind kind = Kind::helperApp;
    std::filesystem::path location;
    std::string identifier; // as declared

    bool operator==(const NestedBundle&) const = default;

    // Whether a declared identifier names something: a letter or digit, and nothing a path may not hold.
    static bool isUsableIdentifier(std::string_view identifier);

    // The nested programs of the bundle at `bundle`, found in the few places macOS looks for them
    // (Contents/Library/LoginItems, XPCServices, PlugIns, Library/LaunchServices and Helpers). Contents
    // is listed once (Contents/Library too when there is one) and only the folders found there are listed,
    // one level deep, a folder that is a link not at all; one Info.plist is read per nested bundle. A
    // privileged helper tool is a bare executable whose file name is its identifier. Entries without a
    // usable identifier are left out. `consulted`, when given, gets every folder listed and every file
    // read, so that a keeper of the result can tell when it no longer holds.
    static std::vector<NestedBundle> readAll(const std::filesystem::path& bundle,
                                             std::vector<std::filesystem::path>* consulted = nullptr);
};

} // namespace tarnwick
