#include "residuals/HomeFolders.h"

#include "catalogue/BundleIdentifier.h"
#include "platform/DirectoryWalker.h"
#include "platform/Text.h"
#include "residuals/MatchThresholds.h"
#include "residuals/PathCategory.h"
#include "residuals/WiderReasons.h"

#include <string>
#include <string_view>
#include <vector>

namespace tarnwick::ResidualScanner {

namespace {

// A name key that may stand for the application in the home, with what it is called in a reason.
struct HomeName {
    std::string key;
    std::string_view what;
};

class HomeNames {
public:
    HomeNames(const NameMatcher& wide, const AppEvidence& evidence)
        : wide_(wide)
        , evidence_(evidence) {}

    // The developer's name key, while the developer has no other installed application.
    void addDeveloper() {
        if (evidence_.isDevelopersOnlyApp()) {
            add(Text::normalizedName(evidence_.vendor), "the developer");
        }
    }

    // The first word of a name of several words, while no other installed application's begins with it.
    void addFirstWord() {
        if (!wide_.others().isFirstWord(evidence_.names.firstWordKey)) {
            add(evidence_.names.firstWordKey, "the first word of the app's name");
        }
    }

    void addNames() {
        for (const std::string& key : evidence_.names.nameKeys) {
            add(key, "the app");
        }
    }

    const std::vector<HomeName>& names() const { return names_; }

private:
    // Each when it is long enough and no other installed application is called so.
    void add(const std::string& key, std::string_view what) {
        if (Text::characterCount(key) >= shortestNameKey && !wide_.isAnotherAppsName(key)) {
            names_.push_back({key, what});
        }
    }

    const NameMatcher& wide_;
    const AppEvidence& evidence_;
    std::vector<HomeName> names_;
};

const HomeName* nameFor(std::string_view key, const std::vector<HomeName>& names) {
    for (const HomeName& name : names) {
        if (name.key == key) {
            return &name;
        }
    }
    return nullptr;
}

} // namespace

void addHomeDotFolders(const Platform& platform, const NameMatcher& wide, const AppEvidence& evidence,
                       ResidualFindings& found) {
    HomeNames home(wide, evidence);
    home.addNames();
    home.addFirstWord();
    const auto& names = home.names();
    const auto children = names.empty() ? std::nullopt : DirectoryWalker::children(platform.home());
    if (!children) {
        return;
    }
    for (const auto& child : *children) {
        const std::string_view name = child.name();
        if (!child.isDirectory || name.size() < 2 || name[0] != '.' ||
            BundleIdentifier::isEveryonesDotFolder(name.substr(1))) {
            continue;
        }
        if (const HomeName* named = nameFor(Text::normalizedName(name.substr(1)), names)) {
            found.add(child.location(), pathCategory(child.path, platform, PathCategoryUse::residualScan),
                      MatchConfidence::possible,
                      "Hidden folder named after " + std::string(named->what) +
                          "; command-line tools may keep theirs in it too" + std::string(reviewNote),
                      false);
        }
    }
}

void addUserContentFolders(const Platform& platform, const NameMatcher& wide, const AppEvidence& evidence,
                           ResidualFindings& found) {
    // The developer's names only while it has no other installed application, whose work they may hold.
    HomeNames media(wide, evidence);
    media.addDeveloper();
    if (evidence.isDevelopersOnlyApp()) {
        media.addFirstWord();
    }
    media.addNames();
    const auto& names = media.names();
    if (names.empty()) {
        return;
    }
    for (const std::string_view folder : {"Music", "Movies"}) {
        const auto children = DirectoryWalker::children(platform.home() / folder);
        if (!children) {
            continue;
        }
        for (const auto& child : *children) {
            if (!child.isDirectory || child.name().starts_with('.')) {
                continue;
            }
            if (const HomeName* named = nameFor(Text::normalizedName(child.name()), names)) {
                found.add(child.location(), ResidualCategory::userData, MatchConfidence::possible,
                          "Named after " + std::string(named->what) + ", in your " + std::string(folder) +
                              " folder: your own work may be inside" + std::string(reviewNote),
                          false);
            }
        }
    }
}

} // namespace tarnwick::ResidualScanner
