#pragma once

#include "catalogue/InstalledApp.h"

#include <string>
#include <string_view>
#include <vector>

namespace tarnwick {

// The loose keys (Text::normalizedName) an application's name goes by in the names of folders: what the
// scan looks for, and what the removal lets a hidden folder of the home be named when it is the app's.
namespace AppNameKeys {

// The bundle's file name without its extension ("Foo Bar" for /Applications/Foo Bar.app).
std::string bundleFileName(const InstalledApp& app);

// The key of the first of several words ("android" for "Android Studio"); empty for a name of one word.
std::string firstWordKey(std::string_view name);

// The keys a hidden folder of the home may have when it is the app's: its name's, its bundle file name's
// and its name's first word's, each once.
std::vector<std::string> homeFolderKeys(const InstalledApp& app);

} // namespace AppNameKeys
} // namespace tarnwick
