#include "catalogue/NestedBundle.h"

#include "catalogue/Bundle.h"
#include "platform/DirectoryWalker.h"
#include "platform/Location.h"
#include "platform/Text.h"

#include <array>
#include <string_view>

namespace tarnwick {

namespace fs = std::filesystem;

namespace {

struct NestedFolder {
    std::string_view relative;  // below the bundle
    std::string_view extension; // lowercased; empty: bare executables named by their identifier
    NestedBundle::Kind kind;
};

// Helper apps directly in MacOS or Frameworks are left out: those of Electron and the like are named
// after the app anyway, and listing both folders of every installed app costs more than they tell.
constexpr std::array<NestedFolder, 5> nestedFolders{{
    {"Contents/Library/LoginItems", "app", NestedBundle::Kind::loginItem},
    {"Contents/XPCServices", "xpc", NestedBundle::Kind::xpcService},
    {"Contents/PlugIns", "appex", NestedBundle::Kind::appExtension},
    {"Contents/Library/LaunchServices", "", NestedBundle::Kind::privilegedHelper},
    {"Contents/Helpers", "app", NestedBundle::Kind::helperApp},
}};

// An identifier that names something: at least one letter or digit, and something a path may hold.
bool isUsable(std::string_view identifier) {
    return !Text::normalizedName(identifier).empty() && Location::isSingleComponent(identifier);
}

} // namespace

std::vector<NestedBundle> NestedBundle::readAll(const fs::path& bundle) {
    std::vector<NestedBundle> nested;
    for (const NestedFolder& folder : nestedFolders) {
        const auto children = DirectoryWalker::children(bundle / folder.relative);
        if (!children) {
            continue;
        }
        for (const DirectoryEntry& child : *children) {
            if (child.name().starts_with('.')) {
                continue;
            }
            if (folder.extension.empty()) {
                // The tool's file name is the label launchd knows it by.
                if (child.isRegularFile && isUsable(child.name())) {
                    nested.push_back({folder.kind, child.location(), std::string(child.name())});
                }
                continue;
            }
            if (!child.isDirectory || Text::lowercased(Location::extension(child.path)) != folder.extension) {
                continue;
            }
            if (const auto opened = Bundle::openInformation(child.location())) {
                if (std::string identifier = opened->identifier().value_or(""); isUsable(identifier)) {
                    nested.push_back({folder.kind, child.location(), std::move(identifier)});
                }
            }
        }
    }
    return nested;
}

} // namespace tarnwick
