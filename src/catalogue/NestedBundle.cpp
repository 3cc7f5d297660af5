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
    std::string_view relative;  // below the bundle
    std::string_view extension; // lowercased; empty: bare executables named by their identifier
    NestedBundle::Kind kind;
};

constexpr std::array<NestedFolder, 7> nestedFolders{{
    {"Contents/Library/LoginItems", "app", NestedBundle::Kind::loginItem},
    {"Contents/XPCServices", "xpc", NestedBundle::Kind::xpcService},
    {"Contents/PlugIns", "appex", NestedBundle::Kind::appExtension},
    {"Contents/Library/LaunchServices", "", NestedBundle::Kind::privilegedHelper},
    {"Contents/Helpers", "app", NestedBundle::Kind::helperApp},
    {"Contents/MacOS", "app", NestedBundle::Kind::helperApp},
    {"Contents/Frameworks", "app", NestedBundle::Kind::helperApp},
}};

// An identifier that names something: at least one letter or digit, and something a path may hold.
bool isUsable(std::string_view identifier) {
    return !Text::normalizedName(identifier).empty() && Location::isSingleComponent(identifier);
}

} // namespace

std::vector<NestedBundle> NestedBundle::readAll(const fs::path& bundle) {
    std::vector<NestedBundle> nested;
    // Most bundles have few of these folders: a listing of Contents (and of Contents/Library) spares
    // opening the others in vain, which adds up over a whole catalogue.
    const auto folders = [](const fs::path& folder) {
        std::vector<std::string> names;
        for (const auto& child : DirectoryWalker::children(folder).value_or(std::vector<DirectoryEntry>{})) {
            if (child.isDirectory) {
                names.emplace_back(child.name());
            }
        }
        return names;
    };
    const auto contents = folders(bundle / "Contents");
    const auto has = [](const std::vector<std::string>& names, const std::string& name) {
        return std::find(names.begin(), names.end(), name) != names.end();
    };
    const auto library =
        has(contents, "Library") ? folders(bundle / "Contents/Library") : std::vector<std::string>{};
    for (const NestedFolder& folder : nestedFolders) {
        const fs::path relative(folder.relative);
        if (!has(relative.parent_path() == "Contents" ? contents : library, relative.filename().string())) {
            continue;
        }
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
