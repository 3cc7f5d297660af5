#include "demo/DemoTree.h"

#include "demo/TreeBuilder.h"
#include "formats/PropertyList.h"
#include "platform/Platform.h"

#include <cerrno>
#include <charconv>
#include <cstdint>
#include <signal.h>
#include <stdexcept>
#include <string>
#include <string_view>
#include <system_error>
#include <unistd.h>
#include <vector>

namespace tarnwick::DemoTree {

namespace fs = std::filesystem;

namespace {

constexpr std::uint64_t KB = 1000;
constexpr std::uint64_t MB = 1000 * KB;

// Where the demo user's per-user folders live, as macOS names them.
constexpr std::string_view perUserFolder = "private/var/folders/x7/k3m9q2vd5nb1w8hf0000gn";

using Architecture = MachOSlice::Architecture;

PlistValue::Array strings(std::initializer_list<const char*> values) {
    PlistValue::Array array;
    for (const char* value : values) {
        array.emplace_back(value);
    }
    return array;
}

// The entitlements a notarised app of `team` carries, with its groups and cloud containers.
PlistValue::Dictionary entitlements(std::string_view team, std::string_view bundleID,
                                    std::initializer_list<const char*> groups = {},
                                    std::initializer_list<const char*> cloudContainers = {},
                                    bool sandbox = false) {
    PlistValue::Dictionary result{
        {"com.apple.application-identifier", std::string(team) + "." + std::string(bundleID)},
        {"com.apple.developer.team-identifier", std::string(team)},
    };
    if (groups.size() > 0) {
        result["com.apple.security.application-groups"] = strings(groups);
    }
    if (cloudContainers.size() > 0) {
        result["com.apple.developer.icloud-container-identifiers"] = strings(cloudContainers);
        result["com.apple.developer.ubiquity-container-identifiers"] = strings(cloudContainers);
        result["com.apple.developer.icloud-services"] = strings({"CloudDocuments"});
    }
    if (sandbox) {
        result["com.apple.security.app-sandbox"] = true;
        result["com.apple.security.files.user-selected.read-write"] = true;
    }
    return result;
}

MachOSignature developerID(std::string_view team, std::string_view identifier,
                           std::optional<PlistValue::Dictionary> entitled = std::nullopt) {
    return {.kind = MachOSignature::Kind::developerID,
            .identifier = std::string(identifier),
            .teamID = std::string(team),
            .entitlements = std::move(entitled)};
}

// Ad-hoc and linker signatures carry no team.
MachOSignature withoutTeam(MachOSignature::Kind kind, std::string_view identifier) {
    MachOSignature signature;
    signature.kind = kind;
    signature.identifier = std::string(identifier);
    return signature;
}

MachOImage image(std::uint64_t size, std::optional<MachOSignature> signature,
                 std::vector<Architecture> architectures = {Architecture::arm64},
                 MachOImage::Layout layout = MachOImage::Layout::automatic) {
    MachOImage result;
    result.paddedSize = size;
    result.layout = layout;
    for (const Architecture architecture : architectures) {
        result.slices.push_back({.architecture = architecture, .signature = signature});
    }
    return result;
}

PlistValue::Dictionary documentType(const char* name, std::initializer_list<const char*> extensions,
                                    const char* role) {
    return {{"CFBundleTypeName", name},
            {"CFBundleTypeExtensions", strings(extensions)},
            {"CFBundleTypeRole", role}};
}

struct DemoApp {
    std::string_view folder; // "~/..." below the home, else an absolute macOS location
    AppSpec appSpec;
};

// Every kind of bundle the catalogue tells apart: signed with a team and entitlements (XML, DER or
// both), ad-hoc, linker-signed, unsigned, universal (fat and fat_64), binary and XML Info.plists,
// localised names, nested helpers, no identifier, no bundle at all, hidden, and system apps.
std::vector<DemoApp> applications() {
    using Format = AppSpec::PlistFormat;
    std::vector<DemoApp> apps;
    apps.push_back(
        {"/Applications",
         {.fileName = "Skylume.app",
          .bundleID = "com.halcyra.skylume",
          .displayName = "Skylume",
          .bundleName = "Skylume",
          .shortVersion = "4.2.1",
          .version = "4210",
          .extraInfo = {{"CFBundleDocumentTypes",
                         PlistValue::Array{documentType("Skylume Project", {"skyl"}, "Editor"),
                                           documentType("JPEG image", {"jpg", "jpeg"}, "Viewer"),
                                           documentType("TIFF image", {"tif", "tiff"}, "Viewer")}}},
          .executableImage = image(96 * MB,
                                   developerID("H7LK2Q9C4R", "com.halcyra.skylume",
                                               entitlements("H7LK2Q9C4R", "com.halcyra.skylume",
                                                            {"H7LK2Q9C4R.com.halcyra.shared"})),
                                   {Architecture::arm64, Architecture::x86_64}),
          // A login item named apart from the app, and an extension; both are the app's own.
          .loginItems = {{.fileName = "Lumen Agent.app",
                          .bundleID = "com.halcyra.lumenagent",
                          .bundleName = "Lumen Agent",
                          .icon = false,
                          .executableImage =
                              image(2 * MB, developerID("H7LK2Q9C4R", "com.halcyra.lumenagent"))}},
          .nested = {{"PlugIns",
                      {.fileName = "Skylume Share.appex",
                       .bundleID = "com.halcyra.skylume.share",
                       .icon = false,
                       .executableImage =
                           image(1 * MB, developerID("H7LK2Q9C4R", "com.halcyra.skylume.share"))}}}}});
    {
        MachOSignature signature = developerID("QF7K2M9X4A", "com.quillfern.ferncastle",
                                               entitlements("QF7K2M9X4A", "com.quillfern.ferncastle",
                                                            {"QF7K2M9X4A.com.quillfern.suite"},
                                                            {"iCloud.com.quillfern.ferncastle"}, true));
        signature.derEntitlements = false; // signed before the DER form existed
        apps.push_back(
            {"/Applications",
             {.fileName = "Ferncastle.app",
              .bundleID = "com.quillfern.ferncastle",
              .displayName = "Ferncastle Writer",
              .bundleName = "Ferncastle",
              .shortVersion = "3.0.4",
              .version = "1187",
              .extraInfo = {{"CFBundleDocumentTypes",
                             PlistValue::Array{documentType("Ferncastle Manuscript", {"fern"}, "Editor")}}},
              .infoFormat = Format::binary,
              .localizedInfo = {{"en", {{"CFBundleDisplayName", "Ferncastle Writer"}}},
                                {"de", {{"CFBundleDisplayName", "Ferncastle Schreibstube"}}},
                                {"fr", {{"CFBundleDisplayName", "Ferncastle Écritoire"}}}},
              .executableImage = image(38 * MB, signature)}});
    }
    {
        MachOSignature signature = developerID("QF7K2M9X4A", "com.quillfern.fernmark",
                                               entitlements("QF7K2M9X4A", "com.quillfern.fernmark",
                                                            {"QF7K2M9X4A.com.quillfern.suite"}, {}, true));
        signature.xmlEntitlements = false; // only the DER form: the reader has to fall back to it
        apps.push_back({"/Applications/Quillfern",
                        {.fileName = "Fernmark.app",
                         .bundleID = "com.quillfern.fernmark",
                         .displayName = "Fernmark",
                         .shortVersion = "1.6",
                         .version = "212",
                         .infoFormat = Format::binary,
                         .executableImage = image(22 * MB, signature)}});
    }
    apps.push_back(
        {"/Applications/Kestrelworks",
         {.fileName = "Tallyhub.app",
          .bundleID = "com.kestrelworks.tallyhub",
          .displayName = "Tallyhub",
          .bundleName = "Tallyhub",
          .shortVersion = "7.3",
          .version = "7300",
          .executableImage =
              image(64 * MB, developerID("K3W8TR5N2B", "com.kestrelworks.tallyhub",
                                         entitlements("K3W8TR5N2B", "com.kestrelworks.tallyhub"))),
          // The agent shares the vendor prefix and so names log files; the updater comes from another
          // vendor and names none.
          .helpers = {{.fileName = "Ledgerbeam Agent.app",
                       .bundleID = "com.kestrelworks.ledgerbeam",
                       .bundleName = "Ledgerbeam Agent",
                       .shortVersion = "7.3",
                       .extraInfo = {{"LSBackgroundOnly", true}},
                       .icon = false,
                       .executableImage =
                           image(3 * MB, developerID("K3W8TR5N2B", "com.kestrelworks.ledgerbeam"))},
                      {.fileName = "Updater.app",
                       .bundleID = "net.brambleware.updater",
                       .bundleName = "Updater",
                       .shortVersion = "2.0.1",
                       .extraInfo = {{"LSUIElement", true}},
                       .icon = false}},
          .loginItems = {{.fileName = "Tallyhub Launcher.app",
                          .bundleID = "com.kestrelworks.tallyhub.launcher",
                          .bundleName = "Tallyhub Launcher",
                          .shortVersion = "7.3",
                          .extraInfo = {{"LSBackgroundOnly", true}},
                          .icon = false,
                          .executableImage = image(
                              1 * MB, developerID("K3W8TR5N2B", "com.kestrelworks.tallyhub.launcher"))}}}});
    apps.push_back(
        {"/Applications/Kestrelworks",
         {.fileName = "Tallyhub Reports.app",
          .bundleID = "com.kestrelworks.reports",
          .displayName = "Tallyhub Reports",
          .shortVersion = "7.3",
          .version = "7300",
          .executableImage = image(18 * MB, developerID("K3W8TR5N2B", "com.kestrelworks.reports"))}});
    apps.push_back({"~/Applications",
                    {.fileName = "Pebble Sync.app",
                     .bundleID = "com.pebblestack.sync",
                     .displayName = "Pebble Sync",
                     .shortVersion = "0.9.12",
                     .version = "912",
                     .extraInfo = {{"LSUIElement", true}},
                     .executableImage =
                         image(9 * MB, withoutTeam(MachOSignature::Kind::adHoc, "com.pebblestack.sync"))}});
    apps.push_back({"~/Applications",
                    {.fileName = "Sketchroom.app",
                     .bundleID = "net.marrowby.sketchroom",
                     .bundleName = "Sketchroom",
                     .shortVersion = "2.1",
                     .version = "21",
                     .executableImage = image(14 * MB, std::nullopt)}});
    apps.push_back({"/Applications",
                    {.fileName = "Lanternfish.APP",
                     .bundleID = "org.lanternfish.reader",
                     .displayName = "Lanternfish",
                     .shortVersion = "0.4.0",
                     .executable = "lanternfish",
                     .infoFormat = Format::binary,
                     .executableImage = image(12 * MB, withoutTeam(MachOSignature::Kind::linker,
                                                                   "lanternfish-3b9c1d2e4f5a6b7c"))}});
    apps.push_back({"/Applications",
                    {.fileName = "Scratchpad.app",
                     .bundleName = "Scratchpad",
                     .shortVersion = "1.0",
                     .executableImage = image(2 * MB, std::nullopt)}});
    apps.push_back({"/Applications", {.fileName = "Tidewell Setup.app", .writesInfoPlist = false}});
    apps.push_back(
        {"/Applications/Utilities",
         {.fileName = "Diskwhistle.app",
          .bundleID = "com.saltmarsh.diskwhistle",
          .displayName = "Diskwhistle",
          .shortVersion = "2.8.3",
          .version = "283",
          .executableImage = image(28 * MB,
                                   developerID("S4M9LT2H6X", "com.saltmarsh.diskwhistle",
                                               entitlements("S4M9LT2H6X", "com.saltmarsh.diskwhistle")),
                                   {Architecture::x86_64, Architecture::arm64}, MachOImage::Layout::fat64)}});
    apps.push_back(
        {"/Applications",
         {.fileName = "Brinewave.app",
          .bundleID = "com.brightmoor.brinewave",
          .bundleName = "Brinewave",
          .version = "2024.11",
          .extraInfo = {{"CFBundleDocumentTypes",
                         PlistValue::Array{documentType("Brinewave Session", {"brine"}, "Editor"),
                                           documentType("WAVE audio", {"wav"}, "Viewer")}}},
          .executableImage = image(140 * MB, developerID("B6M3R8W2LN", "com.brightmoor.brinewave"))}});
    apps.push_back(
        {"/Applications",
         {.fileName = "Mossgate.app",
          .bundleID = "com.mossgate.client",
          .displayName = "Mossgate",
          .shortVersion = "5.0.2",
          .version = "502",
          .extraInfo = {{"LSUIElement", true}},
          .executableImage = image(31 * MB, developerID("MG5V2J8P3D", "com.mossgate.client",
                                                        entitlements("MG5V2J8P3D", "com.mossgate.client",
                                                                     {"group.com.mossgate.shared"})))}});
    apps.push_back({"/Applications",
                    {.fileName = "Gloamlight.app",
                     .bundleID = "com.duskforge.gloamlight",
                     .bundleName = "Gloamlight",
                     .shortVersion = "1.12",
                     .version = "1120",
                     .executableImage = image(
                         26 * MB, developerID("DF9Q4R7W1K", "com.duskforge.gloamlight",
                                              entitlements("DF9Q4R7W1K", "com.duskforge.gloamlight",
                                                           {"group.com.duskforge.gloamlight"},
                                                           {"iCloud.com.duskforge.gloamlight"}, true)))}});
    apps.push_back(
        {"/Applications",
         {.fileName = "Cinderpost.app",
          .bundleID = "com.cinderpost.mail",
          .displayName = "Cinderpost",
          .shortVersion = "11.4",
          .version = "1140",
          .executableImage = image(74 * MB, developerID("C8P2N6T4MZ", "com.cinderpost.mail"),
                                   {Architecture::arm64, Architecture::x86_64}, MachOImage::Layout::fat)}});
    apps.push_back(
        {"/Applications/Utilities",
         {.fileName = "Thistledown.app",
          .bundleID = "com.thistledown.planner",
          .displayName = "Thistledown",
          .shortVersion = "3.2",
          .version = "320",
          .executableImage = image(16 * MB, developerID("T2D7H5K9QX", "com.thistledown.planner"))}});
    apps.push_back({"/Applications",
                    {.fileName = ".Pinecone Updater.app",
                     .bundleID = "com.pinecone.updater",
                     .bundleName = "Pinecone Updater",
                     .shortVersion = "1.0"}});

    const std::pair<std::string_view, std::string_view> system[] = {
        {"Calculator.app", "com.apple.calculator"},
        {"Chess.app", "com.apple.Chess"},
        {"Notes.app", "com.apple.Notes"},
        {"Utilities/Console.app", "com.apple.Console"},
    };
    for (const auto& [relative, bundleID] : system) {
        const fs::path file(relative);
        apps.push_back({file.has_parent_path() ? "/System/Applications/Utilities" : "/System/Applications",
                        {.fileName = file.filename().string(),
                         .bundleID = std::string(bundleID),
                         .bundleName = file.stem().string(),
                         .shortVersion = "14.2",
                         .version = "1402",
                         .infoFormat = Format::binary,
                         .executableImage = image(
                             4 * MB, withoutTeam(MachOSignature::Kind::adHoc, std::string(bundleID)))}});
    }
    return apps;
}

// One file of the tree. Prefixes: "~/" the home, "$T/" the per-user temporary folder, "$C/" the per-user
// cache folder, "/" the system root. A path ending in "/" is an empty folder. A ".plist" of size 0 gets
// real property-list content.
struct Entry {
    std::string_view path;
    std::uint64_t size;
};

// Sweep = the Library sweep, deep = the deep search, vendor = the developer-folder search, orphan = the
// Leftovers mode. "exact"/"possible" is the confidence the scanners are meant to give.
constexpr Entry entries[] = {
    // Skylume (com.halcyra.skylume): a finding in each of the twenty swept folders.
    {"~/Library/Application Support/com.halcyra.skylume/Library.sqlite", 86 * MB}, // sweep exact
    {"~/Library/Application Support/com.halcyra.skylume/Thumbnails/index.db", 240 * MB},
    {"~/Library/Application Support/Skylume/Presets/Film Grain.preset", 12 * KB}, // sweep exact (file name)
    {"~/Library/Caches/com.halcyra.skylume/Cache.db", 31 * MB},
    {"~/Library/Caches/com.halcyra.skylume/fsCachedData/9C1E7B2D", 4 * MB},
    {"~/Library/Caches/skylume.thumbnails/0001.jpg", 180 * KB},       // sweep exact; owned in orphan
    {"~/Library/Caches/Sky-Lume/Renders/render-0412.tif", 152 * MB},  // sweep possible
    {"~/Library/Caches/com.halcyra.skylumeclassic/Cache.db", 6 * MB}, // same developer; an orphan
    {"~/Library/Preferences/com.halcyra.skylume.plist", 0},           // preference + sweep exact
    {"~/Library/Preferences/ByHost/com.halcyra.skylume.4F3A9C1E-7B2D-4E11-9A8C-2D5F6B7C8E90.plist", 0},
    {"~/Library/Saved Application State/com.halcyra.skylume.savedState/windows.plist", 0},
    {"~/Library/Saved Application State/com.halcyra.skylume.savedState/data.data", 212 * KB},
    {"~/Library/HTTPStorages/com.halcyra.skylume/httpstorages.sqlite", 48 * KB},
    {"~/Library/HTTPStorages/com.halcyra.skylume.binarycookies", 2 * KB},
    {"~/Library/WebKit/com.halcyra.skylume/WebsiteData/LocalStorage/"
     "https_help.halcyra.example_0.localstorage",
     24 * KB},
    {"~/Library/Cookies/com.halcyra.skylume.binarycookies", 1 * KB}, // swept by nobody
    {"~/Library/Logs/Skylume/skylume.log", 2 * MB},                  // log identifier
    {"~/Library/Logs/DiagnosticReports/Skylume-2024-05-14-101122.ips", 64 * KB},
    {"~/Library/Logs/CrashReporter/Skylume_2023-11-30-220145_Studio.crash", 41 * KB},
    {"~/Library/Application Support/CrashReporter/Skylume_4F3A9C1E-7B2D-4E11-9A8C-2D5F6B7C8E90.plist", 0},
    {"~/Library/LaunchAgents/com.halcyra.skylume.updater.plist", 0},
    {"~/Library/Application Support/com.apple.sharedfilelist/"
     "com.apple.LSSharedFileList.ApplicationRecentDocuments/com.halcyra.skylume.sfl3",
     3 * KB},
    {"~/Library/Group Containers/H7LK2Q9C4R.com.halcyra.shared/Library/Preferences/"
     "H7LK2Q9C4R.com.halcyra.shared.plist",
     0}, // container exact through the application group
    {"~/Library/Group Containers/H7LK2Q9C4R.com.halcyra.shared/Styles.db", 5 * MB},
    {"~/Library/Halcyra/Skylume/Brushes/Soft Round.brush", 90 * KB}, // deep + vendor exact
    {"~/.config/skylume/settings.json", 2 * KB},                     // deep exact
    {"~/.local/share/com.halcyra.skylume/plugins.db", 700 * KB},     // deep exact
    {"~/.local/share/Sky Lume/Exports/export.log", 8 * KB},          // deep possible
    {"~/.halcyra/skylume/license.key", 1 * KB},                      // deep exact, vendor dot-folder
    {"$C/com.halcyra.skylume/com.apple.metal/shaders.bin", 18 * MB}, // deep exact, cache
    {"$T/Skylume-Export-8F2C/frame-0001.tif", 96 * MB},              // deep exact, cache
    {"~/Pictures/Skylume Exports/Harbour.tif", 210 * MB},            // user's own work: never
    {"/Library/Application Support/com.halcyra.skylume/Plug-Ins/raw-decoder.dylib", 7 * MB},
    {"/Library/Caches/com.halcyra.skylume/fonts.cache", 3 * MB},
    {"/Library/Preferences/com.halcyra.skylume.plist", 0},
    {"/Library/LaunchAgents/com.halcyra.skylume.agent.plist", 0},
    {"/Library/LaunchDaemons/com.halcyra.skylume.helper.plist", 0},
    {"/Library/PrivilegedHelperTools/com.halcyra.skylume.helper", 1400 * KB},
    {"/Library/Logs/DiagnosticReports/skylume_helper_2024-04-02-071530.ips", 38 * KB},
    {"/Library/Logs/CrashReporter/Skylume_2022-09-18-134502_Studio.crash", 29 * KB},
    {"/Library/Application Support/CrashReporter/Skylume_4F3A9C1E-7B2D-4E11-9A8C-2D5F6B7C8E90.plist", 0},
    // Found by the wider search: helpers, team and group prefixes, the developer's and the app's names,
    // unsaved documents, receipts and a command-line link (see `links`).
    {"~/Library/Caches/com.halcyra.lumenagent/state.db", 400 * KB},                              // login item
    {"~/Library/Preferences/com.halcyra.lumenagent.plist", 0},                                   // login item
    {"~/Library/Containers/com.halcyra.skylume.share/Data/Library/Caches/x.db", 90 * KB},        // extension
    {"~/Library/Group Containers/H7LK2Q9C4R.com.halcyra.skylume.widgets/timeline.db", 120 * KB}, // team
    {"~/Library/Group Containers/group.com.halcyra.skylume.sync/sync.db", 2 * MB},               // group
    {"~/Library/Caches/Halcyra/updates.json", 8 * KB},                            // developer: possible
    {"~/Library/Application Support/Skylume 3/Legacy Presets.db", 3 * MB},        // app's name: possible
    {"~/Library/Autosave Information/com.halcyra.skylume/Untitled.skyl", 6 * MB}, // unsaved: not preselected
    {"/private/var/db/receipts/com.halcyra.skylume.pkg.bom", 60 * KB},            // receipt: not preselected
    {"/private/var/db/receipts/com.halcyra.skylume.pkg.plist", 0},
    {"/private/var/db/receipts/com.apple.pkg.XProtectPayloads.bom", 20 * KB}, // never
    {"/Applications/Skylume.app/Contents/Resources/bin/skylume", 900 * KB},
    {"~/.skylume/sessions.json", 4 * KB}, // hidden folder named after the app: possible

    // Ferncastle (sandboxed, application group, cloud container, localised name).
    {"~/Library/Containers/com.quillfern.ferncastle/Data/Documents/Manuscript.fern", 18 * MB},
    {"~/Library/Containers/com.quillfern.ferncastle/Data/Library/Caches/com.quillfern.ferncastle/Cache.db",
     210 * MB},
    {"~/Library/Group Containers/QF7K2M9X4A.com.quillfern.suite/Library/Application Support/custom.dic",
     300 * KB},
    {"~/Library/Application Scripts/com.quillfern.ferncastle/", 0},
    {"~/Library/Application Scripts/QF7K2M9X4A.com.quillfern.suite/", 0},
    {"~/Library/Application Support/Ferncastle Writer/Templates/Novel.ferntemplate",
     2 * MB}, // sweep possible
    {"~/Library/Application Support/com.apple.sharedfilelist/"
     "com.apple.LSSharedFileList.ApplicationRecentDocuments/com.quillfern.ferncastle.sfl2",
     2 * KB},
    {"~/Library/Logs/DiagnosticReports/Ferncastle Writer_2024-02-11-093012_Studio.ips", 58 * KB}, // by name
    {"~/Library/Saved Application State/com.quillfern.ferncastle.savedState/windows.plist", 0},
    {"~/Library/Mobile Documents/iCloud~com~quillfern~ferncastle/Documents/Draft.fern", 4 * MB}, // never

    // Fernmark (same group as Ferncastle).
    {"~/Library/Containers/com.quillfern.fernmark/Data/Library/Preferences/com.quillfern.fernmark.plist", 0},
    {"~/Library/Containers/com.quillfern.fernmark/Data/Library/Application Support/Bookmarks.sqlite", 9 * MB},

    // Tallyhub, its helpers and the vendor's shared folder.
    {"~/Library/Caches/com.kestrelworks.tallyhub/Cache.db", 12 * MB},
    {"~/Library/Preferences/com.kestrelworks.tallyhub.plist", 0},
    {"~/Library/LaunchAgents/com.kestrelworks.tallyhub.launcher.plist", 0},
    {"~/Library/Application Support/Kestrelworks/Tallyhub/Ledgers/2024.tally", 58 * MB}, // vendor exact
    {"~/Library/Application Support/Kestrelworks/Tallyhub Reports/Report Templates.db", 3 * MB},
    {"~/Library/Application Support/Kestrelworks/Shared/Fonts/Kestrel Sans.otf", 420 * KB},    // never
    {"~/Library/Application Support/Kestrelworks/com.kestrelworks.tallyhub.license.plist", 0}, // vendor
    {"~/Library/Kestrelworks/Tallyhub/Sync/state.json", 40 * KB}, // deep + vendor exact
    {"~/.kestrelworks/tallyhub/config.toml", 1 * KB},             // deep exact
    {"~/Library/Logs/Ledgerbeam/agent.log", 3 * MB},              // helper's log identifier
    {"~/Library/Logs/DiagnosticReports/Ledgerbeam-2024-02-11-093012.ips", 52 * KB},
    {"/Library/Logs/DiagnosticReports/Ledgerbeam_2024-01-20-181244.ips", 47 * KB},
    {"~/Library/Logs/autoupdate.log", 90 * KB},                        // other vendor's helper: never
    {"~/Library/Preferences/com.kestrelworks.ledgerbeam.plist", 0},    // helper app
    {"~/Library/Caches/net.brambleware.updater/appcast.xml", 30 * KB}, // other developer's helper: possible
    {"~/Library/Preferences/com.kestrelworks.licensing.plist", 0},     // both apps' developer: possible
    {"~/Library/Caches/Kestrelworks/Tallyhub 7/charts.cache", 5 * MB}, // name and version: possible
    {"~/Library/Preferences/KestrelworksSoftware/Tallyhub/window.plist", 0}, // the app's name: exact

    // Tallyhub Reports.
    {"~/Library/Caches/com.kestrelworks.reports/Charts.cache", 7 * MB},
    {"~/Library/Preferences/com.kestrelworks.reports.plist", 0},

    // Pebble Sync (ad-hoc signed, in ~/Applications).
    {"~/Library/Application Support/PebbleSync/Library.db", 45 * MB}, // sweep possible
    {"~/Library/Caches/com.pebblestack.sync/Cache.db", 2 * MB},
    {"~/Library/Preferences/com.pebblestack.sync.plist", 0},
    {"~/Library/LaunchAgents/com.pebblestack.sync.agent.plist", 0},
    {"~/.local/share/pebble_sync/com.pebblestack.sync.db", 11 * MB}, // deep exact inside a deep possible
    {"~/.local/share/pebble_sync/peers.json", 3 * KB},
    {"$C/com.pebblestack.sync/blobs/0f/0f3a", 26 * MB},

    // Sketchroom (unsigned).
    {"~/Library/Application Support/Sketchroom/Canvases/untitled-3.sketchroom", 34 * MB},
    {"~/Library/Caches/net.marrowby.sketchroom/Cache.db", 1 * MB},
    {"~/Library/Preferences/net.marrowby.sketchroom.plist", 0},
    {"~/Library/Saved Application State/net.marrowby.sketchroom.savedState/windows.plist", 0},

    // Lanternfish (linker-signed).
    {"~/.config/lanternfish/config.toml", 2 * KB},
    {"~/.local/share/lanternfish/library.sqlite", 19 * MB},
    {"~/.lanternfish/org.lanternfish.reader.history", 60 * KB},
    {"~/Library/Caches/org.lanternfish.reader/covers/0001.png", 3 * MB},

    // Scratchpad (no bundle identifier: only its file name identifies it).
    {"~/Library/Application Support/Scratchpad/notes.db", 1200 * KB},
    {"~/Library/Caches/Scratchpad/render.cache", 400 * KB},
    {"~/.config/scratchpad/scratchpad.conf", 1 * KB},

    // Diskwhistle (privileged helper).
    {"~/Library/Preferences/com.saltmarsh.diskwhistle.plist", 0},
    {"~/Library/Logs/Diskwhistle.log", 800 * KB},
    {"/Library/PrivilegedHelperTools/com.saltmarsh.diskwhistle.helper", 2100 * KB},
    {"/Library/LaunchDaemons/com.saltmarsh.diskwhistle.helper.plist", 0},
    {"/Library/Logs/DiagnosticReports/com.saltmarsh.diskwhistle.helper_2024-03-09-120001.ips", 33 * KB},

    // Brinewave (the big one).
    {"~/Library/Application Support/Brinewave/Samples/Library.bwsamples", 520 * MB},
    {"~/Library/Caches/com.brightmoor.brinewave/Waveforms.cache", 380 * MB},
    {"~/Library/HTTPStorages/com.brightmoor.brinewave/httpstorages.sqlite", 36 * KB},
    {"~/Library/WebKit/com.brightmoor.brinewave/WebsiteData/IndexedDB/store.sqlite3", 2 * MB},
    {"~/Library/Preferences/com.brightmoor.brinewave.plist", 0},
    {"~/Library/Cookies/com.brightmoor.brinewave.binarycookies", 3 * KB},
    {"~/Music/Brinewave/Sessions/Harbour Tide.brine", 48 * MB}, // the user's work: never preselected

    // Mossgate (system-wide parts: found, not preselected).
    {"~/Library/Application Support/Mossgate/profiles.json", 6 * KB},
    {"~/Library/Group Containers/group.com.mossgate.shared/tunnel.db", 1 * MB},
    {"/Library/Application Support/Mossgate/mossgated", 9 * MB},
    {"/Library/LaunchDaemons/com.mossgate.client.daemon.plist", 0},
    {"/Library/Preferences/com.mossgate.client.plist", 0},

    // Gloamlight (sandboxed).
    {"~/Library/Containers/com.duskforge.gloamlight/Data/Library/Application Support/Books/library.sqlite",
     760 * MB},
    {"~/Library/Group Containers/group.com.duskforge.gloamlight/Fonts/Gloam Serif.ttf", 1800 * KB},
    {"~/Library/Application Scripts/com.duskforge.gloamlight/", 0},

    // Cinderpost.
    {"~/Library/Application Support/Cinderpost/Mailboxes/Inbox.mbox/mbox", 640 * MB},
    {"~/Library/Application Support/Cinderpost/Accounts.plist", 0},
    {"~/Library/Caches/com.cinderpost.mail/Attachments.cache", 44 * MB},
    {"~/Library/HTTPStorages/com.cinderpost.mail/httpstorages.sqlite", 30 * KB},

    // Thistledown.
    {"~/Library/Application Support/com.thistledown.planner/Planner.sqlite", 14 * MB},
    {"~/Library/Preferences/com.thistledown.planner.plist", 0},
    {"~/Library/Logs/DiagnosticReports/Planner_2024-06-01-084511.ips", 71 * KB}, // log identifier "planner"

    // The system's own: found when a system app is scanned, never in the Leftovers mode.
    {"~/Library/Containers/com.apple.Notes/Data/Library/Notes/NotesV7.storedata", 8 * MB},
    {"~/Library/Group Containers/group.com.apple.notes/NoteStore.sqlite", 22 * MB},
    {"~/Library/Preferences/com.apple.calculator.plist", 0},
    {"~/Library/Saved Application State/com.apple.calculator.savedState/windows.plist", 0},
    {"~/Library/Containers/com.apple.Chess/Data/Library/Preferences/com.apple.Chess.plist", 0},
    {"~/Library/Preferences/com.apple.Console.plist", 0},
    {"~/Library/Preferences/com.apple.dock.plist", 0},
    {"~/Library/Preferences/com.apple.finder.plist", 0},
    {"~/Library/Caches/com.apple.nsurlsessiond/Downloads/state.plist", 0},
    {"~/Library/Logs/com.apple.xpc.launchd/launchd.log", 12 * KB},
    {"/Library/Application Support/com.apple.TCC/TCC.db", 90 * KB},
    {"/Library/Caches/com.apple.iconservices.store", 45 * MB},
    {"/Library/Preferences/com.apple.loginwindow.plist", 0},
    {"/Library/Preferences/org.cups.printers.plist", 0},
    {"/Library/Logs/com.apple.xpc.launchd/launchd.log.1", 20 * KB},

    // Orphans of applications that are gone: the Leftovers mode lists them.
    {"~/Library/Application Support/com.wrenfield.mapmaker/Tiles/z12.mbtiles", 120 * MB},
    {"~/Library/Caches/com.wrenfield.mapmaker/Cache.db", 64 * MB},
    {"~/Library/Caches/.com.wrenfield.mapmaker.lock", 0}, // hidden: never
    {"~/Library/Preferences/com.wrenfield.mapmaker.plist", 0},
    {"~/Library/Saved Application State/com.wrenfield.mapmaker.savedState/windows.plist", 0},
    {"~/Library/Containers/com.wrenfield.mapmaker/Data/Library/Preferences/com.wrenfield.mapmaker.plist", 0},
    {"~/Library/Group Containers/group.com.wrenfield.mapmaker/Shared.db", 2 * MB},
    {"~/Library/Logs/com.wrenfield.mapmaker/mapmaker.log", 600 * KB},
    {"~/Library/LaunchAgents/com.wrenfield.mapmaker.updater.plist", 0},
    {"~/Library/Caches/org.vellumcraft.typesetter/hyphenation.cache", 5 * MB},
    {"~/Library/Application Support/Vellumcraft/Fonts/Vellum Book.otf", 280 * KB}, // no dot: never
    {"/Library/Application Support/net.glimmerhollow.player/Codecs.bundle", 17 * MB},
    {"/Library/Caches/net.glimmerhollow.player/artwork.cache", 29 * MB},
    {"/Library/Preferences/net.glimmerhollow.player.plist", 0},
    {"/Library/Logs/net.glimmerhollow.player.log", 1200 * KB},

    // An ordinary home.
    {"~/Desktop/", 0},
    {"~/Documents/Letters/To the council.txt", 3 * KB},
    {"~/Downloads/", 0},
    {"~/Movies/", 0},
    {"~/Music/", 0},
    {"~/Public/", 0},
    {"~/.Trash/", 0},
    {"/opt/homebrew/Cellar/ripgrep/14.1.0/bin/rg", 5 * MB},
    {"/Users/Shared/", 0},
    {"/private/tmp/", 0},
    {"$T/TemporaryItems/", 0},
};

struct Link {
    std::string_view link; // prefixes as for entries
    std::string_view target;
};

constexpr Link links[] = {
    {"~/.config/skylume-current", "skylume"}, // never proposed, though its name would match
    {"~/Library/Caches/com.halcyra.skylume/latest-export.tif",
     "../../../Pictures/Skylume Exports/Harbour.tif"},
    {"~/.local/share/pebble_sync/current.db", "com.pebblestack.sync.db"},
    {"/usr/local/bin/skylume", "../../../Applications/Skylume.app/Contents/Resources/bin/skylume"},
    {"~/.local/bin/lanternfish", "../../../../Applications/Lanternfish.APP/Contents/MacOS/lanternfish"},
    {"/opt/homebrew/bin/rg", "../Cellar/ripgrep/14.1.0/bin/rg"}, // not an app's: never
    {"/var", "private/var"},
    {"/tmp", "private/tmp"},
};

fs::path place(const Platform& platform, std::string_view path) {
    auto after = [&](std::string_view prefix) { return fs::path(path.substr(prefix.size())); };
    if (path.starts_with("~/")) {
        return platform.home() / after("~/");
    }
    if (path.starts_with("$T/")) {
        return platform.temporaryFolder() / after("$T/");
    }
    if (path.starts_with("$C/")) {
        return platform.perUserCacheFolder() / after("$C/");
    }
    return platform.system(path);
}

std::string plistContents(const fs::path& file) {
    const std::string label = file.stem().string();
    if (file.parent_path().filename().string().starts_with("Launch")) {
        return PropertyList::toXml(PlistValue::Dictionary{
            {"Label", label},
            {"ProgramArguments", PlistValue::Array{"/Library/PrivilegedHelperTools/" + label}},
            {"RunAtLoad", true},
        });
    }
    return PropertyList::toBinary(PlistValue::Dictionary{
        {"NSNavLastRootDirectory", "~/Documents"},
        {"NSWindow Frame Main", "212 180 1280 800 0 0 1728 1079 "},
        {"SUHasLaunchedBefore", true},
        {"LastLaunchDate", PlistValue::Date{736000000.0}},
    });
}

// Folders left by a build that did not finish: ".demo-<format>-building-<process id>" of a process that
// no longer runs. One of a running process may be a build going on right now.
void removeAbandonedBuilds(const fs::path& parent) {
    const std::string prefix = ".demo-" + std::to_string(formatVersion) + "-building-";
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(parent, error)) {
        const std::string name = entry.path().filename().string();
        if (!name.starts_with(prefix)) {
            continue;
        }
        long pid = 0;
        const char* digits = name.data() + prefix.size();
        const auto [end, failure] = std::from_chars(digits, name.data() + name.size(), pid);
        const bool valid = failure == std::errc() && end == name.data() + name.size() && pid > 0;
        if (!valid || (kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH)) {
            std::error_code ignored;
            fs::remove_all(entry.path(), ignored);
        }
    }
}

// Trees of earlier formats are never used again.
void removeOlderFormats(const fs::path& parent) {
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(parent, error)) {
        const std::string name = entry.path().filename().string();
        int format = 0;
        if (!name.starts_with("demo-")) {
            continue;
        }
        const auto [end, failure] = std::from_chars(name.data() + 5, name.data() + name.size(), format);
        if (failure == std::errc() && end == name.data() + name.size() && format < formatVersion) {
            std::error_code ignored;
            fs::remove_all(entry.path(), ignored);
        }
    }
}

} // namespace

void build(const fs::path& root) {
    const fs::path perUser = root / perUserFolder;
    const Platform platform(Platform::Folders{.home = root / "Users" / Platform::userName(),
                                              .temporary = perUser / "T",
                                              .systemRoot = root,
                                              .layout = FolderLayout::macOS,
                                              .xdgDataHome = {},
                                              .xdgCacheHome = {},
                                              .preferredLanguages = {"en"}});
    const TreeBuilder builder(platform);

    builder.addFolder(platform.system("/Applications"));
    builder.addFolder(platform.home() / "Applications");
    builder.addFolder(platform.temporaryFolder());
    builder.addFolder(platform.perUserCacheFolder());
    builder.addFolder(perUser / "0");
    for (const DemoApp& app : applications()) {
        builder.addApp(place(platform, app.folder), app.appSpec);
    }
    for (const Entry& entry : entries) {
        const fs::path path = place(platform, entry.path);
        if (entry.path.ends_with('/')) {
            builder.addFolder(path);
        } else if (entry.size == 0 && path.extension() == ".plist") {
            builder.addFile(path, plistContents(path));
        } else {
            builder.addFile(path, entry.size);
        }
    }
    for (const Link& link : links) {
        builder.addLink(place(platform, link.link), fs::path(link.target));
    }
}

fs::path ensure(const fs::path& cacheFolder) {
    const fs::path parent = cacheFolder / "Tarnwick";
    const fs::path root = parent / ("demo-" + std::to_string(formatVersion));
    std::error_code error;
    if (fs::is_directory(root, error)) {
        return root;
    }
    fs::create_directories(parent, error);
    if (error) {
        throw std::runtime_error("Cannot create the folder " + parent.string() + ": " + error.message());
    }
    removeAbandonedBuilds(parent);
    removeOlderFormats(parent);

    const fs::path building =
        parent / (".demo-" + std::to_string(formatVersion) + "-building-" + std::to_string(getpid()));
    fs::remove_all(building, error);
    try {
        build(building);
    } catch (...) {
        fs::remove_all(building, error);
        throw;
    }
    fs::rename(building, root, error);
    if (error) {
        std::error_code ignored;
        fs::remove_all(building, ignored);
        // Another process may have finished the same tree first; that one serves as well.
        if (!fs::is_directory(root, ignored)) {
            throw std::runtime_error("Cannot move the demo tree to " + root.string() + ": " +
                                     error.message());
        }
    }
    return root;
}

} // namespace tarnwick::DemoTree
