#include "cli/CliRunner.h"
#include "demo/TreeBuilder.h"
#include "platform/Text.h"
#include "support/TestPlatform.h"

#include <algorithm>
#include <fstream>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

namespace tarnwick {
namespace {

namespace fs = std::filesystem;

// Text that would clear the screen, retitle the window, move the cursor or reverse what follows.
const std::string hostile = "\x1b]0;owned\x07\r\u0085\x1b[2J\x1b[1A\u202Etxt.exe\u2066";

// The first thing in `output` a terminal would act on, or nothing: only line breaks may reach it.
std::string firstControl(const std::string& output) {
    for (std::size_t index = 0; index < output.size(); ++index) {
        const auto byte = static_cast<unsigned char>(output[index]);
        const std::string_view rest = std::string_view(output).substr(index);
        if ((byte < 0x20 && byte != '\n') || byte == 0x7F ||
            (byte == 0xC2 && rest.size() > 1 && static_cast<unsigned char>(rest[1]) < 0xA0)) {
            return "control at " + std::to_string(index);
        }
        for (const char* bidi : {"\u202A", "\u202B", "\u202C", "\u202D", "\u202E", "\u2066", "\u2067",
                                 "\u2068", "\u2069", "\u200E", "\u200F", "\u061C"}) {
            if (rest.starts_with(bidi)) {
                return "bidirectional formatting at " + std::to_string(index);
            }
        }
    }
    return {};
}

class TerminalOutputTest : public ::testing::Test {
protected:
    TerminalOutputTest() {
        const TreeBuilder tree(platform);
        MachOSignature signature{.identifier = "com.example.evil",
                                 .teamID = "TEAM" + hostile,
                                 .entitlements =
                                     PlistValue::Dictionary{{"com.apple.security.application-groups",
                                                             PlistValue::Array{"group." + hostile}}}};
        app = tree.addApp(platform.system("/Applications"),
                          {.fileName = "Evil" + hostile + ".app",
                           .bundleID = "com.example.evil",
                           .displayName = "Evil" + hostile,
                           .shortVersion = "1.0" + hostile,
                           .infoFormat = AppSpec::PlistFormat::binary,
                           .executableImage = MachOImage{.slices = {{.signature = signature}}}});
        leftover = tree.addFile(tree.userLibrary("Caches/com.example.evil/" + hostile), "cache");
        tree.addFile(tree.userLibrary("Preferences/com.example.evil.plist"), "prefs");
        tree.addFile(tree.userLibrary("Caches/com.gone" + hostile), "cache");
    }

    testing::ProcessResult run(std::vector<std::string> arguments) const {
        arguments.insert(arguments.begin(), {"--root", folder.path().string()});
        return testing::runCli(arguments);
    }

    testing::TemporaryFolder folder;
    Platform platform = testing::makeTestPlatform(folder);
    fs::path app;
    fs::path leftover;
};

// Every output of every command shows what the tree's names hold, and nothing of it reaches the terminal.
TEST_F(TerminalOutputTest, TextFromDiskIsShownEscapedByEveryCommand) {
    const auto check = [](const testing::ProcessResult& result, const std::string& command) {
        SCOPED_TRACE(Text::printable(command));
        EXPECT_EQ(firstControl(result.out), "") << Text::printable(result.out);
        EXPECT_EQ(firstControl(result.err), "") << Text::printable(result.err);
        EXPECT_NE((result.out + result.err)
                      .find("\\x1B]0;owned\\x07\\r\\u0085\\x1B[2J\\x1B[1A\\u202Etxt.exe\\u2066"),
                  std::string::npos)
            << Text::printable(result.out + result.err);
    };
    const std::vector<std::vector<std::string>> commands = {
        {"apps"},
        {"scan", "com.example.evil"},
        {"identity", "com.example.evil"},
        {"leftovers"},
        {"remove", "com.example.evil", "--dry-run"},
        {"remove", "Evil" + hostile, "--item", app.string() + "x"},
        {"identity", "Evil" + hostile + "x"},
        {"scan", (folder / ("Gone" + hostile + ".app")).string()},
    };
    for (const auto& command : commands) {
        check(run(command), command.front() + (command.size() > 1 ? " " + command[1] : ""));
    }

    const auto removal = run({"remove", "com.example.evil", "--yes"});
    ASSERT_EQ(removal.status, 0) << removal.err;
    check(removal, "remove");
    check(run({"history", "--verbose"}), "history");
    const std::string id = nlohmann::json::parse(run({"history", "--json"}).out).at(0).at("id");
    // The application's place is taken: the restore brings back the rest and says which failed.
    std::ofstream(app) << "taken";
    const auto restore = run({"restore", id});
    EXPECT_EQ(restore.status, 1);
    check(restore, "restore");
    EXPECT_NE(restore.err.find(":\n\nAlready exists: "), std::string::npos) << Text::printable(restore.err);
    check(run({"history", "forget", id}), "forget");

    // A suggested command quotes the name so that a shell gives it back as it was.
    const auto suggestion = run({"remove", "Evil" + hostile, "--item", "x"}).err;
    EXPECT_NE(suggestion.find(" scan $'Evil\\x1B]0;owned\\x07\\r"), std::string::npos)
        << Text::printable(suggestion);
}

TEST_F(TerminalOutputTest, TableColumnsLineUpWithWhatIsShown) {
    TreeBuilder(platform).addApp(platform.system("/Applications"),
                                 {.fileName = "Plain.app", .shortVersion = "2"});
    const auto result = run({"apps"});
    ASSERT_EQ(result.status, 0) << result.err;
    // The version column starts at the same place in every row.
    std::istringstream lines(result.out);
    std::string title, evil, plain;
    std::getline(lines, title);
    std::getline(lines, evil);
    std::getline(lines, plain);
    const std::size_t column = title.find("Version");
    EXPECT_EQ(evil.find("1.0\\x1B"), column) << Text::printable(result.out);
    EXPECT_EQ(plain.find_first_not_of(' ', std::string_view("Plain").size()), column) << result.out;
}

TEST_F(TerminalOutputTest, JsonKeepsTheTextExactly) {
    const auto apps = nlohmann::json::parse(run({"apps", "--json"}).out);
    EXPECT_EQ(apps.at(0).at("name"), "Evil" + hostile);
    EXPECT_EQ(apps.at(0).at("version"), "1.0" + hostile);
    EXPECT_EQ(apps.at(0).at("path"), app.string());

    const auto identity = nlohmann::json::parse(run({"identity", "com.example.evil", "--json"}).out);
    EXPECT_EQ(identity.at("teamID"), "TEAM" + hostile);

    const auto scan = nlohmann::json::parse(run({"scan", "com.example.evil", "--json"}).out);
    std::vector<std::string> paths;
    for (const auto& item : scan.at("items")) {
        paths.push_back(item.at("path"));
    }
    EXPECT_NE(std::find(paths.begin(), paths.end(), leftover.parent_path().string()), paths.end());
}

} // namespace
} // namespace tarnwick
