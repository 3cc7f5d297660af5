#include "catalogue/RemovalPolicy.h"
#include "removal/RemovalFixture.h"

namespace tarnwick::testing {
namespace {

namespace fs = std::filesystem;

class RemovalPolicyTest : public RemovalFixture {
protected:
    // The message of the refusal, or "" when the location passes.
    std::string refusal(const fs::path& location, const InstalledApp& owner) const {
        const RemovalPolicy::Verdict verdict = RemovalPolicy(platform, owner).judge(location);
        return verdict.allowed ? "" : "Tarnwick blocked an unsafe path: " + verdict.path.string();
    }
    std::string refusal(const fs::path& location) const { return refusal(location, app); }
};

TEST_F(RemovalPolicyTest, TheFoldersThatHoldEverythingAreRefusedThemselves) {
    for (const std::string path : {"/", "/Applications", "/Library", "/System", "/Users", "~/", "~/Library",
                                   "~/Documents", "~/Desktop"}) {
        fs::create_directories(at(path));
        const std::string resolved = Location::resolved(Location::standardized(at(path))).string();
        EXPECT_EQ(refusal(at(path)), "Tarnwick blocked an unsafe path: " + resolved) << path;
    }
}

TEST_F(RemovalPolicyTest, OnlyTheApplicationLibraryAndMediaFoldersAndTheUsersCachesAreAccepted) {
    for (const std::string path :
         {"/Applications/Notes.app", "/Library/Caches/com.example.notes", "~/Applications/Notes.app",
          "~/Library/Caches/com.example.notes", "~/Movies/Notes", "~/Music/Notes", "~/Pictures/Notes"}) {
        EXPECT_EQ(refusal(at(path)), "") << path;
    }
    for (const std::string path :
         {"~/Documents/Letter.txt", "~/Desktop/Notes", "~/Downloads/Notes.dmg", "/Users/Shared/Notes",
          "/private/etc/hosts", "/usr/local/bin/notes", "/System/Library/Notes", "~/.ssh/id_rsa",
          "/private/var/db/receipts", "/private/var/db/notes.plist"}) {
        EXPECT_NE(refusal(at(path)), "") << path;
    }
    // An installer's receipt may go; the folder of receipts may not.
    EXPECT_EQ(refusal(at("/private/var/db/receipts/com.example.notes.pkg.bom")), "");
}

TEST_F(RemovalPolicyTest, ALinkIsJudgedByWhereItLeads) {
    const fs::path letter = file("~/Documents/Letter.txt");
    fs::create_directories(at("~/Library/Caches"));
    const fs::path link = at("~/Library/Caches/notes-letter");
    fs::create_symlink(letter, link);
    EXPECT_EQ(refusal(link), "Tarnwick blocked an unsafe path: " + letter.string());

    // A folder of the Library that is a link into Documents exposes everything below it.
    fs::create_directory_symlink(at("~/Documents"), at("~/Library/Notes Documents"));
    EXPECT_NE(refusal(at("~/Library/Notes Documents/Letter.txt")), "");
}

TEST_F(RemovalPolicyTest, ThePerUserCacheAndTemporaryFoldersPassOnlyForWhatIsInsideThem) {
    const fs::path temporary = platform.temporaryFolder();
    const fs::path cache = platform.perUserCacheFolder();
    fs::create_directories(temporary);
    fs::create_directories(cache);
    EXPECT_EQ(refusal(temporary / "com.example.notes"), "");
    EXPECT_TRUE(RemovalPolicy(platform, app).isInsideCurrentDarwinCache(Location::resolved(cache / "x")));
    EXPECT_EQ(refusal(cache / "com.example.notes/cache.db"), "");
    EXPECT_NE(refusal(cache), "");
    EXPECT_NE(refusal(temporary), "");
    EXPECT_NE(refusal(temporary.parent_path() / "X/notes"), "");
}

TEST_F(RemovalPolicyTest, TheApplicationsOwnDotFoldersAreAcceptedBelowTheirTopOnly) {
    const InstalledApp& vendorApp = app; // com.example.notes
    EXPECT_EQ(refusal(at("~/.config/notes"), vendorApp), "");
    EXPECT_EQ(refusal(at("~/.local/share/notes/db"), vendorApp), "");
    EXPECT_EQ(refusal(at("~/.example/notes"), vendorApp), "");
    EXPECT_NE(refusal(at("~/.config"), vendorApp), "");
    EXPECT_NE(refusal(at("~/.local/share"), vendorApp), "");
    EXPECT_NE(refusal(at("~/.example"), vendorApp), "");
    EXPECT_NE(refusal(at("~/.local/bin/notes"), vendorApp), "");
    // Another vendor's dot-folder, and one for an application without a vendor, stay closed.
    EXPECT_NE(refusal(at("~/.othervendor/notes"), vendorApp), "");
    InstalledApp anonymous = app;
    anonymous.bundleID.clear();
    EXPECT_NE(refusal(at("~/.example/notes"), anonymous), "");
    // A vendor named like a folder every program shares opens nothing.
    InstalledApp sharedName = app;
    sharedName.bundleID = "com.ssh.keys";
    EXPECT_NE(refusal(at("~/.ssh/id_rsa"), sharedName), "");
}

TEST_F(RemovalPolicyTest, AHiddenFolderOfTheHomeNamedAfterTheApplicationMayGo) {
    InstalledApp studio = app;
    studio.name = "Android Studio";
    studio.url = platform.system("/Applications/Android Studio Preview.app");
    for (const std::string path : {"~/.android", "~/.AndroidStudio", "~/.android-studio-preview"}) {
        EXPECT_EQ(refusal(at(path), studio), "") << path;
    }
    // Not another name, not one every program shares, not below the home's own level, not the name alone.
    InstalledApp configApp = app;
    configApp.name = "Config";
    for (const auto& [path, owner] :
         std::vector<std::pair<std::string, InstalledApp>>{{"~/.androidx", studio},
                                                           {"~/Documents/.android", studio},
                                                           {"~/android", studio},
                                                           {"~/.config", configApp}}) {
        EXPECT_NE(refusal(at(path), owner), "") << path;
    }
}

TEST_F(RemovalPolicyTest, OnlyWhatIsCheckedCanMove) {
    // A path the history cannot write down could never be put back, even when it leads somewhere plain.
    fs::create_directories(at("~/Library/Caches/notes"));
    fs::create_symlink(at("~/Library/Caches/notes"), at("~/Library/Caches/link-\xff"));
    EXPECT_NE(refusal(at("~/Library/Caches/link-\xff")), "");
    EXPECT_NE(refusal(at("~/Library/Caches/notes-\xff\xfe")), "");

    // ".." after a link leads elsewhere than the same path tidied up: such paths are refused as given.
    fs::create_directories(at("~/Documents/sub"));
    fs::create_directory_symlink(at("~/Documents/sub"), at("~/Library/Caches/evil"));
    const fs::path sneaky = at("~/Library/Caches") / "evil/../precious.txt";
    EXPECT_EQ(refusal(sneaky), "Tarnwick blocked an unsafe path: " + sneaky.string());
    EXPECT_NE(refusal(at("~/Library/Caches") / "./notes"), "");
    EXPECT_NE(refusal("Library/Caches/notes"), "");

    // Tarnwick's own folders, and what they hold, are never proposed for removal.
    const RemovalPolicy own(platform, app,
                            {at("~/Library/Application Support/TarnwickCleaner"), at("~/.Trash")});
    for (const std::string path :
         {"~/Library/Application Support/TarnwickCleaner",
          "~/Library/Application Support/TarnwickCleaner/RemovalHistory.json", "~/.Trash/Notes.app"}) {
        EXPECT_FALSE(own.allows(at(path))) << path;
    }
    EXPECT_TRUE(own.allows(at("~/Library/Application Support/TarnwickCleanerX")));
}

TEST_F(RemovalPolicyTest, RemovalRefusalsComeInOrderBeforeAnythingMoves) {
    const fs::path cache = file("~/Library/Caches/com.example.notes/cache.db");
    const fs::path letter = file("~/Documents/Letter.txt");
    InstalledApp systemApp = app;
    systemApp.isSystem = true;
    TrashManager trash = manager();
    const auto kindOf = [&](const InstalledApp& owner, const std::vector<ResidualItem>& items) {
        try {
            trash.remove(owner, items);
        } catch (const TrashError& error) {
            return error.kind();
        }
        ADD_FAILURE() << "removal went through";
        return TrashError::Kind::partial; // no refusal at all
    };
    EXPECT_EQ(kindOf(systemApp, {}), TrashError::Kind::nothingSelected);
    EXPECT_EQ(kindOf(systemApp, {item(cache)}), TrashError::Kind::systemApplication);
    // "/System/" wins over an unsafe item listed before it.
    EXPECT_EQ(kindOf(app, {item(letter), item(cache), item(at("/System/Library/Notes"))}),
              TrashError::Kind::systemApplication);
    EXPECT_EQ(kindOf(app, {item(cache), item(letter)}), TrashError::Kind::unsafePath);

    EXPECT_TRUE(fs::exists(cache));
    EXPECT_TRUE(fs::exists(letter));
    EXPECT_TRUE(trash.history().empty());
    EXPECT_FALSE(fs::exists(trash.historyURL()));
}

} // namespace
} // namespace tarnwick::testing
