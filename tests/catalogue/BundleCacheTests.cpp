#include "catalogue/BundleCache.h"
#include "demo/MachOWriter.h"
#include "platform/FileOperations.h"
#include "support/MacDisk.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace tarnwick {
namespace {

namespace fs = std::filesystem;
using Kind = MachOSignature::Kind;
using Architecture = MachOSlice::Architecture;

MachOImage signedBy(const char* team, const char* group) {
    MachOSignature signature{.kind = Kind::developerID, .teamID = team};
    signature.entitlements = PlistValue::Dictionary{
        {"com.apple.security.application-groups", PlistValue::Array{std::string(group)}}};
    return {.slices = {{Architecture::arm64, std::move(signature)}}};
}

class BundleCacheTest : public testing::MacDiskTest {
protected:
    // The tree is made as the test runs: keep readings of files that changed this very second.
    static constexpr std::chrono::seconds settled{-3600};

    AppSpec notes(std::string version = "1.0") {
        return {.fileName = "Notes.app",
                .bundleID = "com.example.notes",
                .shortVersion = std::move(version),
                .executableImage = signedBy("ABCDE12345", "group.notes")};
    }

    BundleReading read(const BundleCache& cache, const fs::path& bundle) {
        return *cache.read(bundle, {"en"});
    }

    // Rewrites the stored entry of `bundle` with another name, leaving everything it depends on as it was:
    // a read that shows this name took the entry.
    void relabelEntry(const BundleCache& cache, const fs::path& bundle, const std::string& name) {
        auto entry = BundleCacheEntry::decode(FileOperations::readFile(cache.entryLocation(bundle)).value());
        ASSERT_TRUE(entry.has_value());
        entry->reading.name = name;
        FileOperations::writeFile(cache.entryLocation(bundle), entry->encode());
    }

    fs::path applications = platform.system("/Applications");
    BundleCache cache{BundleCache::folderFor(platform), settled};
};

TEST_F(BundleCacheTest, AnUnchangedBundleIsTakenFromItsEntry) {
    const fs::path bundle = tree.addApp(applications, notes());
    const BundleReading fresh = read(cache, bundle);
    EXPECT_EQ(fresh.name, "Notes");
    EXPECT_EQ(fresh.identity.teamID, "ABCDE12345");

    relabelEntry(cache, bundle, "From the cache");
    EXPECT_EQ(read(cache, bundle).name, "From the cache");
    // Another user's languages, or the entry of another bundle, are not this reading.
    EXPECT_EQ(cache.read(bundle, {"de"})->name, "Notes");
    relabelEntry(cache, bundle, "From the cache");
    fs::copy(bundle, applications / "Copy.app", fs::copy_options::recursive);
    fs::copy_file(cache.entryLocation(bundle), cache.entryLocation(applications / "Copy.app"));
    EXPECT_EQ(read(cache, applications / "Copy.app").name, "Notes");
}

TEST_F(BundleCacheTest, AnEntryIsNeverUsedOnceWhatItWasReadFromChanged) {
    const fs::path bundle = tree.addApp(applications, notes());
    auto expectFresh = [&](const char* what, auto change, auto check) {
        SCOPED_TRACE(what);
        read(cache, bundle);
        relabelEntry(cache, bundle, "Stale");
        change();
        const BundleReading reading = read(cache, bundle);
        EXPECT_NE(reading.name, "Stale");
        check(reading);
    };
    expectFresh(
        "Info.plist rewritten in place",
        [&] {
            std::string info = FileOperations::readFile(bundle / "Contents/Info.plist").value();
            info.replace(info.find("<string>1.0<"), 12, "<string>2.0<");
            FileOperations::writeFile(bundle / "Contents/Info.plist", info);
        },
        [](const BundleReading& reading) { EXPECT_EQ(reading.version, "2.0"); });
    expectFresh(
        "executable replaced",
        [&] {
            fs::remove(bundle / "Contents/MacOS/Notes");
            tree.addFile(bundle / "Contents/MacOS/Notes",
                         MachOWriter::bytes(signedBy("NEWTEAM123", "group.new")));
        },
        [](const BundleReading& reading) { EXPECT_EQ(reading.identity.teamID, "NEWTEAM123"); });
    expectFresh(
        "login item added",
        [&] {
            AppSpec withHelper = notes("2.0");
            withHelper.loginItems = {
                {.fileName = "Notes Helper.app", .bundleID = "com.example.notes.helper"}};
            tree.addApp(applications, withHelper);
        },
        [](const BundleReading& reading) {
            ASSERT_EQ(reading.nested.size(), 1u);
            EXPECT_EQ(reading.nested[0].identifier, "com.example.notes.helper");
        });
    expectFresh(
        "localised name added",
        [&] {
            AppSpec localized = notes("2.0");
            localized.localizedInfo = {{"en", {{"CFBundleDisplayName", "Notizen"}}}};
            tree.addApp(applications, localized);
        },
        [](const BundleReading& reading) { EXPECT_EQ(reading.name, "Notizen"); });
    expectFresh(
        "bundle replaced by another",
        [&] {
            fs::remove_all(bundle);
            tree.addApp(applications, notes("3.0"));
        },
        [](const BundleReading& reading) { EXPECT_EQ(reading.version, "3.0"); });
}

TEST_F(BundleCacheTest, ADamagedEntryIsReadAgainAndReplaced) {
    const fs::path bundle = tree.addApp(applications, notes());
    const BundleReading fresh = read(cache, bundle);
    const std::string good = FileOperations::readFile(cache.entryLocation(bundle)).value();
    for (const std::string& damaged :
         {std::string(), good.substr(0, good.size() / 2), good + "7:garbage",
          std::string(good).replace(good.find("Notes"), 5, "N\xff\xfes"), std::string(4 << 20, 'x')}) {
        FileOperations::writeFile(cache.entryLocation(bundle), damaged);
        EXPECT_EQ(read(cache, bundle), fresh);
        EXPECT_EQ(FileOperations::readFile(cache.entryLocation(bundle)), good);
    }
    // A folder where the entry should be, or where the cache should be: nothing kept, nothing wrong.
    fs::remove(cache.entryLocation(bundle));
    fs::create_directories(cache.entryLocation(bundle));
    EXPECT_EQ(read(cache, bundle), fresh);
    const BundleCache blocked(bundle / "Contents/Info.plist/Bundles", settled);
    EXPECT_EQ(*blocked.read(bundle, {"en"}), fresh);
}

TEST_F(BundleCacheTest, AReadingOfFilesChangedJustBeforeIsNotKept) {
    const fs::path bundle = tree.addApp(applications, notes());
    const BundleCache waiting(BundleCache::folderFor(platform));
    EXPECT_EQ(waiting.read(bundle, {"en"})->name, "Notes");
    EXPECT_FALSE(fs::exists(waiting.entryLocation(bundle)));
}

TEST(BundleCacheEntry, RefusesWhatNoReadingOfTheBundleCouldGive) {
    BundleCacheEntry entry{.bundle = "/Applications/Notes.app", .languages = {"en"}};
    entry.stamps = {{.relative = "", .exists = true, .device = 1, .inode = 2, .changeSeconds = 3}};
    entry.reading = {
        .name = "Notes", .bundleID = "com.example.notes", .version = "1.0", .executableName = "Notes"};
    entry.reading.identity = {"ABCDE12345", {"group.notes"}};
    entry.reading.nested = {{NestedBundle::Kind::loginItem,
                             "/Applications/Notes.app/Contents/Library/LoginItems/Helper.app",
                             "com.example.notes.helper"}};
    ASSERT_EQ(BundleCacheEntry::decode(entry.encode()), entry);

    auto refused = [&](const char* what, auto change) {
        SCOPED_TRACE(what);
        BundleCacheEntry changed = entry;
        change(changed);
        EXPECT_FALSE(BundleCacheEntry::decode(changed.encode()).has_value());
    };
    refused("nested program outside the bundle", [](BundleCacheEntry& e) {
        e.reading.nested[0].location = "/Applications/Notes.app/Contents/../../Other.app";
    });
    refused("nested program beside the bundle",
            [](BundleCacheEntry& e) { e.reading.nested[0].location = "/Applications/Notes.appendix/X.app"; });
    refused("unusable nested identifier",
            [](BundleCacheEntry& e) { e.reading.nested[0].identifier = "a/b"; });
    refused("executable name that is a path",
            [](BundleCacheEntry& e) { e.reading.executableName = "../../bin/sh"; });
    refused("name that is no UTF-8", [](BundleCacheEntry& e) { e.reading.name = "N\xff"; });
    refused("relative bundle path", [](BundleCacheEntry& e) { e.bundle = "Notes.app"; });
}

} // namespace
} // namespace tarnwick
