#include "TreeGenerator.h"

#include "demo/MachOWriter.h"
#include "demo/TreeBuilder.h"
#include "formats/PlistValue.h"
#include "formats/PropertyList.h"
#include "platform/DirectoryWalker.h"
#include "platform/FileOperations.h"
#include "platform/Platform.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <set>
#include <stdexcept>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace tarnwick::bench {

namespace {

namespace fs = std::filesystem;

// SplitMix64: the same numbers on every platform and standard library, unlike std's distributions.
class Random {
public:
    explicit Random(std::uint64_t seed)
        : state_(seed) {}

    std::uint64_t next() {
        std::uint64_t value = (state_ += 0x9E3779B97F4A7C15ULL);
        value = (value ^ (value >> 30U)) * 0xBF58476D1CE4E5B9ULL;
        value = (value ^ (value >> 27U)) * 0x94D049BB133111EBULL;
        return value ^ (value >> 31U);
    }
    // Uniform in [low, high]; the modulo bias is irrelevant at these ranges.
    std::int64_t between(std::int64_t low, std::int64_t high) {
        return low + static_cast<std::int64_t>(next() % static_cast<std::uint64_t>(high - low + 1));
    }
    bool chance(int percent) { return between(0, 99) < percent; }
    template <typename Container> const auto& pick(const Container& items) {
        return items[static_cast<std::size_t>(between(0, static_cast<std::int64_t>(items.size()) - 1))];
    }

private:
    std::uint64_t state_;
};

constexpr std::array<std::string_view, 24> firstWords = {
    "Photo", "Note", "Mail", "Code", "Sync",   "Cloud", "Pixel", "Task", "Time",  "Music", "Video", "Text",
    "Data",  "Disk", "Net",  "Chat", "Sketch", "Scan",  "Zip",   "Key",  "Money", "Book",  "Map",   "Voice"};
constexpr std::array<std::string_view, 16> secondWords = {
    "Studio", "Pro", "Lite",  "Box",    "Hub",     "Kit",    "Flow", "Desk",
    "Pad",    "Lab", "Maker", "Viewer", "Manager", "Master", "Plus", "Works"};
constexpr std::array<std::string_view, 10> vendors = {"brightfield", "northwind", "acmesoft",  "bluepeak",
                                                      "lumen",       "orchard",   "quillware", "tidal",
                                                      "vektor",      "zephyr"};
constexpr std::array<std::string_view, 8> languages = {"en", "de", "fr", "ja", "es", "it", "zh-Hans", "Base"};
constexpr std::array<std::string_view, 12> fileStems = {"cache",   "data",  "index", "blob",
                                                        "entry",   "chunk", "state", "record",
                                                        "session", "asset", "thumb", "meta"};
constexpr std::array<std::string_view, 10> fileExtensions = {".db",  ".json", ".plist", ".dat",    ".bin",
                                                             ".log", ".png",  ".jpg",   ".sqlite", ""};
constexpr std::array<std::string_view, 12> folderNames = {
    "fsCachedData", "Cache_Data", "GPUCache", "Storage", "Sessions", "Backups",
    "Thumbnails",   "Index",      "Blobs",    "Temp",    "v2",       "default"};
constexpr std::array<std::string_view, 6> resourceFolders = {"Images",    "Sounds",  "Help",
                                                             "Templates", "Scripts", "Fonts"};

std::string lowerAlphanumerics(std::string_view text) {
    std::string result;
    for (const char character : text) {
        if (std::isalnum(static_cast<unsigned char>(character)) != 0) {
            result.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(character))));
        }
    }
    return result;
}

// A vendor's team identifier: ten upper-case hex digits of the FNV-1a hash of its name, the same everywhere.
std::string teamOf(std::string_view vendor) {
    std::uint64_t hash = 0xcbf29ce484222325ULL;
    for (const char character : vendor) {
        hash = (hash ^ static_cast<unsigned char>(character)) * 0x100000001b3ULL;
    }
    static constexpr std::string_view digits = "0123456789ABCDEF";
    std::string team;
    for (int index = 0; index < 10; ++index, hash >>= 4U) {
        team.push_back(digits[hash % 16]);
    }
    return team;
}

std::string hex(std::uint64_t value) {
    static constexpr std::string_view digits = "0123456789abcdef";
    std::string text;
    do {
        text.insert(text.begin(), digits[value % 16]);
        value /= 16;
    } while (value != 0);
    return text;
}

class Writer {
public:
    explicit Writer(const TreeGenerator::Options& options)
        : options_(options)
        , random_(options.seed)
        , noise_(std::size_t{1} << 18U) {
        for (auto& byte : noise_) {
            byte = static_cast<char>(random_.next());
        }
    }

    TreeGenerator::Summary run() {
        std::error_code error;
        fs::create_directories(options_.output, error);
        if (!fs::is_directory(options_.output) || !fs::is_empty(options_.output, error) || error) {
            throw std::runtime_error("the output folder must be an empty folder: " +
                                     options_.output.string());
        }
        makeApps();
        const auto applications = options_.output / "Applications";
        makeFolder(applications);
        file(applications / ".localized", 0);
        for (const auto& app : summary_.apps) {
            application(app);
        }
        userFolders();
        if (options_.dotFolderEntries > 0) {
            searchedFolders();
        }
        if (options_.libraryEntries > 0) {
            topUpLibrary();
        }
        summary_.libraryEntries = countLibraryEntries();
        return summary_;
    }

private:
    void makeApps() {
        std::set<std::string> names;
        std::set<std::string> identifiers;
        const int total = options_.apps + options_.apps / 4;
        for (int index = 0; index < total; ++index) {
            std::string name = std::string(random_.pick(firstWords));
            if (random_.chance(70)) {
                name += random_.chance(50) ? " " : "";
                name += random_.pick(secondWords);
            }
            const std::string base = name;
            for (int suffix = 2; names.contains(name); ++suffix) {
                name = base + " " + std::to_string(suffix);
            }
            names.insert(name);
            TreeGenerator::App app;
            app.name = name;
            const std::string vendor(random_.pick(vendors));
            app.bundleID = "com." + vendor + "." + lowerAlphanumerics(name);
            app.teamID = teamOf(vendor);
            if (identifiers.contains(app.bundleID)) {
                app.bundleID += std::to_string(index);
            }
            identifiers.insert(app.bundleID);
            app.bundle = options_.output / "Applications" / (name + ".app");
            (index < options_.apps ? summary_.apps : summary_.removedApps).push_back(std::move(app));
        }
    }

    // The bundle as the demo tree builder lays it out (Info.plist, executable, icon, localised names),
    // filled with the resources, framework and extension a real application carries.
    void application(const TreeGenerator::App& app) {
        const std::string executable = lowerAlphanumerics(app.name);
        AppSpec appSpec{.fileName = app.bundle.filename().string(),
                        .bundleID = app.bundleID,
                        .bundleName = app.name,
                        .shortVersion = version(app),
                        .executable = executable,
                        .extraInfo = {{"CFBundleDevelopmentRegion", "en"}, {"CFBundlePackageType", "APPL"}}};
        const auto languageCount = random_.between(1, static_cast<std::int64_t>(languages.size()));
        for (std::int64_t index = 0; index < languageCount; ++index) {
            appSpec.localizedInfo[std::string(languages[static_cast<std::size_t>(index)])] = {
                {"CFBundleName", app.name}};
        }
        appSpec.executableImage =
            options_.signsApps
                ? signedExecutable(app)
                : MachOImage{.slices = {MachOSlice{}},
                             .codeSize = static_cast<std::uint64_t>(random_.between(20'000, 200'000))};
        TreeBuilder(Platform(Platform::Folders{})).addApp(app.bundle.parent_path(), appSpec);
        countBundle(app.bundle);

        const auto contents = app.bundle / "Contents";
        makeFolder(contents / "_CodeSignature");
        file(contents / "_CodeSignature/CodeResources", random_.between(2'000, 40'000));
        const auto resources = contents / "Resources";
        file(resources / "Assets.car", random_.between(5'000, 200'000));
        for (const auto& [language, table] : appSpec.localizedInfo) {
            file(resources / (language + ".lproj") / "Localizable.strings", randomSize());
            file(resources / (language + ".lproj") / "MainMenu.nib", randomSize());
        }
        const auto assets = random_.between(5, 60);
        for (std::int64_t index = 0; index < assets; ++index) {
            const auto folder = resources / random_.pick(resourceFolders);
            makeFolder(folder);
            file(folder /
                     (std::string(random_.pick(fileStems)) + "-" + hex(static_cast<std::uint64_t>(index)) +
                      std::string(random_.pick(fileExtensions))),
                 randomSize());
        }

        // A versioned framework, with the links that make it one.
        const std::string core = executable + "core";
        const auto framework = contents / "Frameworks" / (core + ".framework");
        makeFolder(framework / "Versions/A/Resources");
        file(framework / "Versions/A" / core, random_.between(10'000, 150'000));
        text(framework / "Versions/A/Resources/Info.plist", infoPlist(app, core));
        link("A", framework / "Versions/Current");
        link("Versions/Current/" + core, framework / core);
        link("Versions/Current/Resources", framework / "Resources");

        if (random_.chance(30)) {
            const auto extension = contents / "PlugIns" / (executable + "extension.appex") / "Contents";
            makeFolder(extension / "MacOS");
            text(extension / "Info.plist", infoPlist(app, executable + "extension"));
            file(extension / "MacOS" / (executable + "extension"), random_.between(10'000, 100'000));
        }
    }

    // Signed as a notarised app of the vendor's team is, universal now and then. The code, a hole, comes
    // before each slice's signature, so that the file ends with a signature as a linker lays it out.
    MachOImage signedExecutable(const TreeGenerator::App& app) {
        const std::string applicationIdentifier = app.teamID + "." + app.bundleID;
        PlistValue::Array groups{applicationIdentifier};
        if (random_.chance(30)) {
            groups.emplace_back("group." + app.bundleID);
        }
        PlistValue::Dictionary entitlements{
            {"com.apple.application-identifier", applicationIdentifier},
            {"com.apple.developer.team-identifier", app.teamID},
            {"com.apple.security.application-groups", std::move(groups)},
        };
        if (random_.chance(20)) {
            entitlements["com.apple.developer.icloud-container-identifiers"] =
                PlistValue::Array{"iCloud." + app.bundleID};
        }
        const MachOSignature signature{.kind = MachOSignature::Kind::developerID,
                                       .identifier = app.bundleID,
                                       .teamID = app.teamID,
                                       .entitlements = std::move(entitlements)};
        const auto fileSize = static_cast<std::uint64_t>(random_.between(1'000'000, 200'000'000));
        MachOImage image{.slices = {{MachOSlice::Architecture::arm64, signature}}};
        if (random_.chance(40)) {
            image.slices.insert(image.slices.begin(),
                                MachOSlice{MachOSlice::Architecture::x86_64, signature});
            image.layout = MachOImage::Layout::fat;
        }
        image.codeSize = fileSize / image.slices.size();
        return image;
    }

    // Adds what the tree builder laid out to the summary.
    void countBundle(const fs::path& bundle) {
        ++summary_.folders;
        DirectoryWalker::walk(bundle, {.readsSizes = true}, [this](const DirectoryEntry& entry) {
            summary_.folders += entry.isDirectory ? 1 : 0;
            summary_.files += entry.isRegularFile ? 1 : 0;
            summary_.links += entry.isSymbolicLink ? 1 : 0;
            summary_.hidden += entry.name().starts_with('.') ? 1 : 0;
            summary_.bytes += entry.size;
            return DirectoryWalker::Step::proceed;
        });
    }

    // The folders the leftovers scan lists: the user's seven, then the system's four.
    std::vector<fs::path> libraryRoots() const {
        const auto home = options_.output / "Users/bench/Library";
        std::vector<fs::path> roots;
        for (const char* name : {"Application Support", "Caches", "Preferences", "Logs", "Containers",
                                 "Group Containers", "Saved Application State"}) {
            roots.push_back(home / name);
        }
        for (const char* name : {"Application Support", "Caches", "Preferences", "Logs"}) {
            roots.push_back(options_.output / "Library" / name);
        }
        return roots;
    }

    std::int64_t countLibraryEntries() const {
        std::int64_t count = 0;
        for (const auto& root : libraryRoots()) {
            std::error_code error;
            for (fs::directory_iterator entry(root, error), end; !error && entry != end;
                 entry.increment(error)) {
                ++count;
            }
        }
        return count;
    }

    void topUpLibrary() {
        const auto roots = libraryRoots();
        for (const auto& root : roots) {
            makeFolder(root);
        }
        for (auto missing = options_.libraryEntries - countLibraryEntries(); missing > 0; --missing) {
            libraryEntry(random_.pick(roots));
        }
    }

    // One direct entry of a Library folder: an installed app's under a name joined to its identifier,
    // nobody's (a removed app's or an unknown vendor's), the system's, one without a dot, or a hidden one.
    void libraryEntry(const fs::path& root) {
        static constexpr std::string_view separators = ".-_";
        const auto word = lowerAlphanumerics(random_.pick(firstWords));
        const auto unique = hex(counter_++);
        const auto kind = random_.between(0, 99);
        std::string name;
        if (kind < 30 && !summary_.apps.empty()) {
            const auto& app = random_.pick(summary_.apps);
            const char separator = random_.pick(separators);
            name = random_.chance(50) ? app.bundleID + separator + word + unique
                                      : word + unique + separator + app.bundleID;
        } else if (kind < 65) {
            const bool removed = !summary_.removedApps.empty() && random_.chance(50);
            const std::string owner = removed ? random_.pick(summary_.removedApps).bundleID
                                              : "org." + std::string(random_.pick(vendors)) + "." + word;
            name = owner + "." + word + unique;
        } else if (kind < 80) {
            name = "com.apple." + word + unique;
        } else if (kind < 95) {
            name = std::string(random_.pick(firstWords)) + " " + std::string(random_.pick(secondWords)) +
                   " " + unique;
        } else {
            name = "." + word + unique;
        }
        if (root.filename() == "Preferences" || random_.chance(40)) {
            file(root / (name + ".plist"), randomSize());
        } else {
            fill(root / name, random_.between(0, 6));
        }
    }

    // The folders outside the Library's standard ones where one app's leftovers are looked for, sharing
    // about `dotFolderEntries` entries: the dot-folders and the per-user temporary folders the most.
    void searchedFolders() {
        const auto home = options_.output / "Users/bench";
        const auto perUser = options_.output / "private/var/folders/q7/x2f9k0c16mz3b5dv8n4h0000gn";
        const auto start = summary_.entries();
        const std::int64_t total = options_.dotFolderEntries;
        const auto perVendor = static_cast<std::int64_t>(vendors.size());
        grow(home / ".config", total * 15 / 100, [this] { return toolOrAppName(); });
        grow(home / ".local/share", total * 25 / 100, [this] { return toolOrAppName(); });
        for (const auto vendor : vendors) {
            std::string capitalised(vendor);
            capitalised.front() = static_cast<char>(std::toupper(static_cast<unsigned char>(vendor.front())));
            const auto owned = appsOf(vendor);
            const auto name = [this, &owned] { return vendorItemName(owned); };
            grow(home / ("." + std::string(vendor)), total * 20 / 100 / perVendor, name);
            grow(home / "Library" / capitalised, total * 12 / 100 / perVendor, name);
            grow(home / "Library/Application Support" / capitalised, total * 3 / 100 / perVendor, name);
        }
        grow(perUser / "C", total * 15 / 100, [this] { return cacheName(); });
        grow(perUser / "T", total * 10 / 100, [this] { return temporaryName(); });
        summary_.dotFolderEntries = summary_.entries() - start;
    }

    // Adds files and small trees of files below `root`, each under a name from `name`, until it has
    // gained at least `entries` entries.
    template <typename Name> void grow(const fs::path& root, std::int64_t entries, const Name& name) {
        makeFolder(root);
        static constexpr std::array<std::string_view, 5> extensions = {".json", ".plist", ".conf", ".db",
                                                                       ".log"};
        for (const auto end = summary_.entries() + entries; summary_.entries() < end;) {
            const std::string item = name();
            if (random_.chance(30)) {
                const auto path = root / (item + std::string(random_.pick(extensions)));
                if (access(path.c_str(), F_OK) != 0) {
                    file(path, randomSize());
                }
            } else {
                fill(root / item, random_.between(3, 120));
            }
        }
    }

    const TreeGenerator::App& anyApp() {
        const bool removed = !summary_.removedApps.empty() && (summary_.apps.empty() || random_.chance(30));
        return random_.pick(removed ? summary_.removedApps : summary_.apps);
    }

    bool hasApps() const { return !summary_.apps.empty() || !summary_.removedApps.empty(); }

    std::string uniqueWord() { return lowerAlphanumerics(random_.pick(firstWords)) + hex(counter_++); }

    // A command-line tool's folder, or an app's under its identifier or name.
    std::string toolOrAppName() {
        if (!hasApps() || random_.chance(65)) {
            return uniqueWord();
        }
        const auto& app = anyApp();
        const auto kind = random_.between(0, 99);
        return kind < 60 ? app.bundleID : kind < 85 ? lowerAlphanumerics(app.name) : app.name;
    }

    std::vector<const TreeGenerator::App*> appsOf(std::string_view vendor) const {
        const std::string prefix = "com." + std::string(vendor) + ".";
        std::vector<const TreeGenerator::App*> owned;
        for (const auto* apps : {&summary_.apps, &summary_.removedApps}) {
            for (const auto& app : *apps) {
                if (app.bundleID.starts_with(prefix)) {
                    owned.push_back(&app);
                }
            }
        }
        return owned;
    }

    // In a vendor's own folder: one of its apps by name or identifier, or what the vendor's apps share.
    std::string vendorItemName(const std::vector<const TreeGenerator::App*>& owned) {
        static constexpr std::array<std::string_view, 6> shared = {"Updater", "Licenses", "Shared",
                                                                   "Plugins", "Crashes",  "Downloads"};
        const auto kind = random_.between(0, 99);
        if (owned.empty() || kind < 20) {
            return std::string(random_.pick(shared)) + " " + hex(counter_++);
        }
        const auto& app = *random_.pick(owned);
        return kind < 80 ? app.name : app.bundleID;
    }

    std::string cacheName() {
        const auto kind = random_.between(0, 99);
        if (kind < 40 && hasApps()) {
            return anyApp().bundleID;
        }
        if (kind < 75) {
            return "com.apple." + uniqueWord();
        }
        return "org." + std::string(random_.pick(vendors)) + "." + uniqueWord();
    }

    std::string temporaryName() {
        const auto kind = random_.between(0, 99);
        if (kind < 30 && hasApps()) {
            return anyApp().bundleID;
        }
        if (kind < 60) {
            return "com.apple." + uniqueWord();
        }
        return "tmp." + uniqueWord();
    }

    void userFolders() {
        const auto home = options_.output / "Users/bench";
        for (const auto* name : {"Desktop", "Documents", "Downloads", ".Trash"}) {
            makeFolder(home / name);
        }
        file(home / ".zshrc", randomSize());
        file(home / ".Trash/.DS_Store", randomSize());
        const auto library = home / "Library";
        makeFolder(library);
        file(library / ".localized", 0);

        std::vector<const TreeGenerator::App*> owners;
        for (const auto& app : summary_.apps) {
            owners.push_back(&app);
        }
        for (const auto& app : summary_.removedApps) {
            owners.push_back(&app);
        }
        // A few apps own most of the bytes, as browsers and editors do.
        std::vector<std::int64_t> weights;
        std::int64_t totalWeight = 0;
        for (std::size_t index = 0; index < owners.size(); ++index) {
            weights.push_back(random_.chance(10) ? random_.between(200, 1000) : random_.between(1, 100));
            totalWeight += weights.back();
        }
        for (std::size_t index = 0; index < owners.size(); ++index) {
            const auto share = totalWeight == 0 ? 0 : options_.files * weights[index] / totalWeight;
            leftovers(library, *owners[index], share);
        }
    }

    // What an app leaves in the user's Library, with about `files` files in its bigger folders.
    void leftovers(const fs::path& library, const TreeGenerator::App& app, std::int64_t files) {
        makeFolder(library / "Preferences");
        text(library / "Preferences" / (app.bundleID + ".plist"), preferences(app));

        const bool sandboxed = random_.chance(30);
        const auto containerShare = sandboxed ? files / 5 : 0;
        const auto cacheShare = (files - containerShare) / 2;
        const auto supportShare = files - containerShare - cacheShare;
        fill(library / "Caches" / app.bundleID, cacheShare);
        fill(library / "Application Support" / app.name, supportShare);
        if (sandboxed) {
            const auto data = library / "Containers" / app.bundleID / "Data";
            fill(data / "Library/Caches", containerShare / 2);
            fill(data / "Library/Application Support", containerShare - containerShare / 2);
            makeFolder(data / "Library/Preferences");
            text(data / "Library/Preferences" / (app.bundleID + ".plist"), preferences(app));
            link("../../../../Desktop", data / "Desktop");
            link("../../../../Downloads", data / "Downloads");
            link("../../../../../Preferences/" + app.bundleID + ".plist",
                 data / "Library/Preferences/shared.plist");
            text(library / "Containers" / app.bundleID / ".com.apple.containermanagerd.metadata.plist",
                 preferences(app));
        }
        if (random_.chance(50)) {
            const auto state = library / "Saved Application State" / (app.bundleID + ".savedState");
            makeFolder(state);
            file(state / "data.data", randomSize());
            file(state / "windows.plist", randomSize());
        }
        if (random_.chance(30)) {
            fill(library / "Logs" / app.name, random_.between(1, 8));
        }
        if (random_.chance(30)) {
            fill(library / "HTTPStorages" / app.bundleID, random_.between(1, 4));
        }
        if (random_.chance(20)) {
            fill(library / "WebKit" / app.bundleID / "WebsiteData", random_.between(2, 20));
        }
        if (random_.chance(10)) {
            const auto group = library / "Group Containers" / ("ABCDE12345." + app.bundleID);
            fill(group / "Library/Caches", random_.between(1, 10));
        }
        if (random_.chance(10)) {
            makeFolder(library / "LaunchAgents");
            text(library / "LaunchAgents" / (app.bundleID + ".agent.plist"), preferences(app));
        }
    }

    // About `count` files in a random tree of sub-folders below `root`, with some hidden files and links.
    void fill(const fs::path& root, std::int64_t count) {
        makeFolder(root);
        std::vector<std::pair<fs::path, int>> folders{{root, 0}};
        for (std::int64_t index = 0; index < count; ++index) {
            if (random_.chance(12)) {
                const auto& [parent, depth] = random_.pick(folders);
                if (depth < 6) {
                    auto folder = parent / random_.pick(folderNames);
                    const auto folderDepth = depth + 1;
                    if (makeFolder(folder)) {
                        if (random_.chance(5)) {
                            file(folder / ".DS_Store", randomSize());
                        }
                        folders.emplace_back(std::move(folder), folderDepth);
                    }
                }
            }
            const auto& folder = random_.pick(folders).first;
            std::string name = std::string(random_.pick(fileStems)) + "-" + hex(counter_++) +
                               std::string(random_.pick(fileExtensions));
            const auto kind = random_.between(0, 99);
            if (kind < 3) {
                file(folder / ("." + name), randomSize());
            } else if (kind == 3) {
                link(random_.chance(50) ? "missing-" + name : "..", folder / name);
            } else {
                file(folder / name, randomSize());
            }
        }
    }

    // Mostly small files, now and then a larger one.
    std::int64_t randomSize() {
        const auto kind = random_.between(0, 99);
        if (kind < 60) {
            return random_.between(0, 1'024);
        }
        if (kind < 98) {
            return random_.between(1'024, 8'192);
        }
        return random_.between(8'192, 65'536);
    }

    static std::string version(const TreeGenerator::App& app) {
        return std::to_string(app.name.size() % 7 + 1) + "." + std::to_string(app.bundleID.size() % 10);
    }

    // The information dictionary of a framework or extension inside the app.
    static std::string infoPlist(const TreeGenerator::App& app, const std::string& executable) {
        return PropertyList::toXml(
            PlistValue::Dictionary{{"CFBundleDevelopmentRegion", "en"},
                                   {"CFBundleExecutable", executable},
                                   {"CFBundleIdentifier", app.bundleID + "." + executable},
                                   {"CFBundleName", app.name},
                                   {"CFBundleShortVersionString", version(app)}});
    }

    static std::string preferences(const TreeGenerator::App& app) {
        return PropertyList::toXml(PlistValue::Dictionary{{"LastBundleIdentifier", app.bundleID}});
    }

    static bool isHidden(const fs::path& path) { return path.filename().native().starts_with('.'); }

    // Creates the folder and any missing parent; false when it existed already.
    bool makeFolder(const fs::path& folder) {
        if (mkdir(folder.c_str(), 0755) == 0) {
            ++summary_.folders;
            summary_.hidden += isHidden(folder) ? 1 : 0;
            return true;
        }
        if (errno == EEXIST) {
            return false;
        }
        if (errno == ENOENT && folder.has_parent_path() && folder.parent_path() != folder) {
            makeFolder(folder.parent_path());
            return makeFolder(folder);
        }
        throw std::runtime_error("cannot create " + folder.string() + ": " + std::strerror(errno));
    }

    void write(const fs::path& path, const char* data, std::size_t size) {
        FileOperations::writeFile(path, std::string_view(data, size));
        ++summary_.files;
        summary_.hidden += isHidden(path) ? 1 : 0;
        summary_.bytes += static_cast<std::int64_t>(size);
    }

    void file(const fs::path& path, std::int64_t size) {
        const auto length = std::min(static_cast<std::size_t>(size), noise_.size());
        const auto offset =
            static_cast<std::size_t>(random_.between(0, static_cast<std::int64_t>(noise_.size() - length)));
        write(path, noise_.data() + offset, length);
    }

    void text(const fs::path& path, const std::string& contents) {
        write(path, contents.data(), contents.size());
    }

    void link(const std::string& target, const fs::path& path) {
        if (symlink(target.c_str(), path.c_str()) != 0) {
            throw std::runtime_error("cannot create the link " + path.string() + ": " + std::strerror(errno));
        }
        ++summary_.links;
        summary_.hidden += isHidden(path) ? 1 : 0;
    }

    const TreeGenerator::Options& options_;
    Random random_;
    std::vector<char> noise_;
    std::uint64_t counter_ = 0;
    TreeGenerator::Summary summary_;
};

} // namespace

TreeGenerator::Summary TreeGenerator::generate(const Options& options) {
    return Writer(options).run();
}

} // namespace tarnwick::bench
