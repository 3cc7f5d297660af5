#include "catalogue/NestedBundle.h"

#include "catalogue/Bundle.h"
#include "platform/DirectoryWalker.h"
#include "platform/Location.h"
#include "platform/Text.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace tarnwick {

namespace fs = std::filesystem;

namespace {

struct NestedFolder {
    std::string_view relative;  // below Contents
    std::string_view extension; // lowercased; empty: bare executables named by their identifier
    NestedBundle::Kind kind;
};

// Helper apps directly in MacOS or Frameworks are left out: those of Electron and the like are named
// after the app anyway, and listing both folders of every installed app costs more than they tell.
constexpr std::array<NestedFolder, 5> nestedFolders{{
    {"Library/LoginItems", "app", NestedBundle::Kind::loginItem},
    {"XPCServices", "xpc", NestedBundle::Kind::xpcService},
    {"PlugIns", "appex", NestedBundle::Kind::appExtension},
    {"Library/LaunchServices", "", NestedBundle::Kind::privilegedHelper},
    {"Helpers", "app", NestedBundle::Kind::helperApp},
}};

// The names of the folders in `folder`; none when it cannot be listed.
std::vector<std::string> folderNames(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& child : DirectoryWalker::children(folder).value_or(std::vector<DirectoryEntry>{})) {
        if (child.isDirectory) {
            names.emplace_back(child.name());
        }
    }
    return names;
}

bool contains(const std::vector<std::string>& names, std::string_view name) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

} // namespace

bool NestedBundle::isUsableIdentifier(std::string_view identifier) {
    return !Text::normalizedName(identifier).empty() && Location::isSingleComponent(identifier);
}

std::vector<NestedBundle> NestedBundle::readAll(const fs::path& bundle, std::vector<fs::path>* consulted) {
    std::vector<NestedBundle> nested;
    auto consult = [consulted](const fs::path& location) {
        if (consulted != nullptr) {
            consulted->push_back(location);
        }
    };
    // Most bundles have none of these folders: one listing of Contents (and of Contents/Library when
    // there is one) spares opening each in vain, which adds up over a whole catalogue.
    const fs::path contents = bundle / "Contents";
    consult(contents);
    const auto inContents = folderNames(contents);
    const bool hasLibrary = contains(inContents, "Library");
    if (hasLibrary) {
        consult(contents / "Library");
    }
    const auto inLibrary = hasLibrary ? folderNames(contents / "Library") : std::vector<std::string>{};
    for (const NestedFolder& folder : nestedFolders) {
        const fs::path relative(folder.relative);
        const bool inLibraryFolder = relative.has_parent_path();
        if (!contains(inLibraryFolder ? inLibrary : inContents, relative.filename().native())) {
            continue;
        }
        consult(contents / relative);
        const auto children = DirectoryWalker::children(contents / relative);
        if (!children) {
            continue;
        }
        for (const DirectoryEntry& child : *children) {
            if (child.name().starts_with('.')) {
                continue;
            }
            if (folder.extension.empty()) {
                // The tool's file name is the label launchd knows it by.
                if (child.isRegularFile && isUsableIdentifier(child.name())) {
                    nested.push_back({folder.kind, child.location(), std::string(child.name())});
                }
                continue;
            }
            if (!child.isDirectory || Text::lowercased(Location::extension(child.path)) != folder.extension) {
                continue;
            }
            consult(child.location() / "Contents" / "Info.plist");
            if (const auto opened = Bundle::openInformation(child.location())) {
                if (std::string identifier = opened->identifier().value_or("");
                    isUsableIdentifier(identifier)) {
                    nested.push_back({folder.kind, child.location(), std::move(identifier)});
                }
            }
        }
    }
    return nested;
}

} // namespace tarnwick
