#pragma once

#include "catalogue/AppIdentityReader.h"
#include "catalogue/InstalledApp.h"

#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace tarnwick::ResidualScanner {

// The strings (comparable, see Text::comparableName) that stand for the application in file names: its
// bundle identifier, its file name without extension and its entitlement identifiers that pass the
// identifier filter, each when it may stand for the application (`standsForApp`). Identifiers without a
// letter or digit (the empty one above all) are left out: they would make every name that begins or ends
// with a separator an exact match.
std::set<std::string> exactIdentifiers(const InstalledApp& app, const AppIdentityReader::Identity& identity);

// The names of the application's log and crash-report files: the last component of its bundle
// identifier, and of the identifiers of the nested applications in Contents/Helpers that share its vendor
// prefix, each when it has at least 5 characters.
std::set<std::string> applicationLogIdentifiers(const InstalledApp& app);

// Whether an identifier the bundle or its signature declares may name the application's files: one in
// the namespace macOS keeps ("com.apple.", "group.com.apple."...) names only the files of Apple's own.
bool standsForApp(std::string_view identifier, const InstalledApp& app);

// Whether an identifier may become part of a file or folder name: 1 to 255 characters, no "..", a letter
// or digit first, then only ASCII letters, digits, ".", "_" and "-". Identifiers come from the bundle and
// its signature, which are the application's own word: nothing else may be joined to a path.
bool passesIdentifierFilter(std::string_view identifier);

// The names looked up in the container folders, most likely spelling on disk first: every identifier as
// the bundle and the signature declare it, then lowercased.
std::vector<std::string> containerNames(const InstalledApp& app, const AppIdentityReader::Identity& identity);

} // namespace tarnwick::ResidualScanner
