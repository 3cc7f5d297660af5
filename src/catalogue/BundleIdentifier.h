#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarnwick {

// What a bundle identifier ("com.example.notes") says about where its application keeps things. The
// identifier is the bundle's own word: nothing taken from it may lead outside the folder it is joined to.
namespace BundleIdentifier {

// The identifier split at every ".", empty components dropped.
std::vector<std::string> components(std::string_view bundleID);

// The second component of an identifier of at least three components ('com.example.notes' gives
// 'example'), when it can name a folder.
std::optional<std::string> vendorToken(std::string_view bundleID);

// The home's dot-folder named after the vendor (".example"), unless that name is one every program of
// the user shares (".ssh", ".config", ".local"...): the scanners search it and a removal may take what
// lies inside it, so it must never be a folder of everyone's data.
std::optional<std::string> vendorDotFolder(std::string_view bundleID);

// Whether the home's dot-folder named "." and `name` is one every program of the user shares ("ssh",
// "config", "Trash"...), whatever the letter case: no application's own.
bool isEveryonesDotFolder(std::string_view name);

// Whether a name (as `Text::comparableName` gives it) lies in the namespace macOS keeps for itself:
// "com.apple.", "group.com.apple.", "org.cups"... Such names belong to no third-party application.
bool isSystemName(std::string_view comparableName);

// Whether the application with this bundle identifier is one of Apple's: its identifier lies in that
// namespace.
bool isApple(std::string_view bundleID);

} // namespace BundleIdentifier
} // namespace tarnwick
