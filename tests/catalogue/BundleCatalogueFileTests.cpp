#include "catalogue/BundleCache.h"
#include "platform/FileOperations.h"
#include "support/MacDisk.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace tarnwick {
namespace {

namespace fs = std::filesystem;

// The file that keeps a whole catalogue's entries together, beside the entries of single bundles.
class BundleCatalogueFileTest : public testing::MacDiskTest {
protected:
    // The tree is made as the test runs: keep readings of files that changed this very second.
    static constexpr std::chrono::seconds settled{-3600};

    BundleCache cache() const { return BundleCache(BundleCache::folderFor(platform), settled); }

    // Reads every bundle through a new cache, as a catalogue does, and keeps them together.
    std::vector<std::string> catalogue(const std::vector<fs::path>& bundles) const {
        const BundleCache reader = cache();
        std::vector<std::string> names;
        for (const fs::path& bundle : bundles) {
            names.push_back(reader.read(bundle, {"en"})->name);
        }
        reader.keepCatalogue();
        return names;
    }

    std::string catalogueFile() const {
        return FileOperations::readFile(cache().catalogueLocation()).value();
    }

    // Gives every entry of the catalogue file another name, leaving what they depend on as it was, and
    // removes the entries of single bundles: a read that shows the name took the catalogue file's entry.
    void relabelCatalogue(const std::string& name) const {
        const std::string bytes = catalogueFile();
        std::vector<std::string> encoded;
        for (const auto& [bundle, text] : BundleCacheEntries::index(bytes)) {
            auto entry = BundleCacheEntry::decode(text);
            ASSERT_TRUE(entry.has_value());
            entry->reading.name = name;
            encoded.push_back(entry->encode());
            fs::remove(cache().entryLocation(fs::path(entry->bundle)));
        }
        FileOperations::writeFile(cache().catalogueLocation(),
                                  BundleCacheEntries::encode({encoded.begin(), encoded.end()}));
    }

    fs::path applications = platform.system("/Applications");
    fs::path notes = tree.addApp(
        applications, {.fileName = "Notes.app", .bundleID = "com.example.notes", .shortVersion = "1.0"});
    fs::path maps = tree.addApp(applications, {.fileName = "Maps.app", .bundleID = "com.example.maps"});
};

TEST_F(BundleCatalogueFileTest, UnchangedBundlesAreTakenFromTheCatalogueFileWhichStaysAsItIs) {
    EXPECT_EQ(catalogue({notes, maps}), (std::vector<std::string>{"Notes", "Maps"}));

    relabelCatalogue("From the catalogue");
    const std::string relabelled = catalogueFile();
    EXPECT_EQ(catalogue({notes, maps}),
              (std::vector<std::string>{"From the catalogue", "From the catalogue"}));
    EXPECT_EQ(catalogueFile(), relabelled);
    // Another user's languages are not these readings.
    EXPECT_EQ(cache().read(notes, {"de"})->name, "Notes");
}

TEST_F(BundleCatalogueFileTest, AnEntryOfTheCatalogueFileIsNeverUsedOnceItsBundleChanged) {
    catalogue({notes, maps});
    relabelCatalogue("Stale");

    // Rewritten in place: the same file, another identifier and version.
    std::string info = FileOperations::readFile(notes / "Contents/Info.plist").value();
    info.replace(info.find("com.example.notes"), 17, "com.example.other");
    info.replace(info.find("<string>1.0<"), 12, "<string>2.0<");
    FileOperations::writeFile(notes / "Contents/Info.plist", info);

    const BundleCache reader = cache();
    const auto changed = reader.read(notes, {"en"});
    EXPECT_EQ(changed->name, "Notes");
    EXPECT_EQ(changed->bundleID, "com.example.other");
    EXPECT_EQ(changed->version, "2.0");
    EXPECT_EQ(reader.read(maps, {"en"})->name, "Stale");
    reader.keepCatalogue();
    // The file now holds the new reading, and the other entry as it was.
    EXPECT_EQ(catalogue({notes, maps}), (std::vector<std::string>{"Notes", "Stale"}));
}

TEST_F(BundleCatalogueFileTest, TheFileKeepsOnlyTheBundlesOfTheLastCatalogue) {
    catalogue({notes, maps});
    fs::remove_all(maps);
    catalogue({notes});
    const std::string bytes = catalogueFile();
    const auto entries = BundleCacheEntries::index(bytes);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries.begin()->first, notes.native());
}

TEST_F(BundleCatalogueFileTest, ADamagedFileOrEntryCostsOnlyWhatIsDamaged) {
    catalogue({notes, maps});
    relabelCatalogue("From the catalogue");
    const std::string good = catalogueFile();

    // One entry's text made invalid, its length unchanged: only that bundle is read again.
    std::string oneDamaged = good;
    const auto at = oneDamaged.find("Notes.app");
    ASSERT_NE(at, std::string::npos);
    oneDamaged.replace(oneDamaged.find("From the catalogue", at), 4, "\xff\xfe\xff\xfe");
    FileOperations::writeFile(cache().catalogueLocation(), oneDamaged);
    EXPECT_EQ(catalogue({notes, maps}), (std::vector<std::string>{"Notes", "From the catalogue"}));

    for (const std::string& damaged : {std::string(), good.substr(0, good.size() / 2), "garbage" + good,
                                       std::string((64 << 20) + 1, 'x')}) {
        FileOperations::writeFile(cache().catalogueLocation(), damaged);
        EXPECT_EQ(catalogue({notes, maps}), (std::vector<std::string>{"Notes", "Maps"})) << damaged.size();
        EXPECT_EQ(BundleCacheEntries::index(catalogueFile()).size(), 2u) << damaged.size();
    }
    // A folder where the file should be: nothing kept, nothing wrong.
    fs::remove(cache().catalogueLocation());
    fs::create_directories(cache().catalogueLocation());
    EXPECT_EQ(catalogue({notes, maps}), (std::vector<std::string>{"Notes", "Maps"}));
}

TEST(BundleCacheEntries, FramesEntriesWhateverTheyHoldAndStopsAtBrokenFraming) {
    BundleCacheEntry first{.bundle = "/Applications/A:1.app", .languages = {"en"}};
    first.reading.name = "1:x";
    BundleCacheEntry second{.bundle = "/Applications/B.app", .languages = {"en"}};
    BundleCacheEntry again = first;
    again.reading.name = "Later";
    const std::string firstText = first.encode();
    const std::string bytes = BundleCacheEntries::encode({firstText, second.encode(), again.encode()});

    const auto entries = BundleCacheEntries::index(bytes);
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries.at("/Applications/A:1.app"), firstText); // the first for one bundle
    EXPECT_EQ(BundleCacheEntry::decode(entries.at("/Applications/B.app")), second);

    // A length past the end: the entries before it are kept.
    const std::string broken = BundleCacheEntries::encode({firstText}) + "999999:" + second.encode();
    EXPECT_EQ(BundleCacheEntries::index(broken).size(), 1u);
    EXPECT_TRUE(BundleCacheEntries::index(second.encode()).empty()); // an entry is no catalogue
}

} // namespace
} // namespace tarnwick
