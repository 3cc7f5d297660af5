#include "cli/CliRunner.h"
#include "platform/Text.h"

#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

namespace tarnwick::testing {
namespace {

namespace fs = std::filesystem;

// Text that would retitle the window, clear the screen, move the cursor or reverse what follows.
const std::string hostile = "\x1b]0;owned\x07\r\u0085\x1b[2J\x1b[1A\u202Etxt.exe\u2066";
const std::string escaped = "\\x1B]0;owned\\x07\\r\\u0085\\x1B[2J\\x1B[1A\\u202Etxt.exe\\u2066";

// The output shows the hostile text escaped, and nothing a terminal acts on but line breaks.
void expectEscaped(const ProcessResult& result, const std::string& command) {
    const std::string output = result.out + result.err;
    std::istringstream lines(output);
    for (std::string line; std::getline(lines, line);) {
        EXPECT_EQ(line, Text::printable(line)) << command;
    }
    EXPECT_NE(output.find(escaped), std::string::npos) << command << ": " << Text::printable(output);
}

class TerminalOutputTest : public CliTest {
protected:
    TerminalOutputTest() {
        const MachOSignature signature{.identifier = "com.example.evil", .teamID = "TEAM" + hostile};
        app = tree.addApp(platform.system("/Applications"),
                          {.fileName = "Evil" + hostile + ".app",
                           .bundleID = "com.example.evil",
                           .displayName = "Evil" + hostile,
                           .shortVersion = "1.0" + hostile,
                           .infoFormat = AppSpec::PlistFormat::binary,
                           .executableImage = MachOImage{.slices = {{.signature = signature}}}});
        tree.addFile(tree.userLibrary("Caches/com.example.evil/" + hostile), "cache");
        tree.addFile(tree.userLibrary("Caches/com.gone" + hostile), "cache");
    }

    fs::path app;
};

TEST_F(TerminalOutputTest, TextFromDiskIsShownEscapedByEveryCommand) {
    const std::vector<std::vector<std::string>> commands = {
        {"apps"},
        {"scan", "com.example.evil"},
        {"identity", "com.example.evil"},
        {"leftovers"},
        {"remove", "com.example.evil", "--dry-run"},
        {"remove", "Evil" + hostile, "--item", app.string() + "x"},
        {"identity", "Evil" + hostile + "x"},
        {"scan", (folder / ("Gone" + hostile + ".app")).string()},
        {"remove", "com.example.evil", "--yes"},
        {"history", "--verbose"},
    };
    // A suggested command quotes the name so that a shell gives it back as it was.
    EXPECT_NE(run(commands[5]).err.find(" scan $'Evil\\x1B]0;owned\\x07\\r"), std::string::npos);
    for (const auto& command : commands) {
        expectEscaped(run(command), command.front());
    }

    // The application's place is taken: the restore brings back the rest and says, line by line, which
    // failed.
    const std::string id = nlohmann::json::parse(run({"history", "--json"}).out).at(0).at("id");
    std::ofstream(app) << "taken";
    const auto restore = run({"restore", id});
    EXPECT_EQ(restore.status, 1);
    expectEscaped(restore, "restore");
    EXPECT_NE(restore.err.find(":\n\nAlready exists: "), std::string::npos) << Text::printable(restore.err);
    expectEscaped(run({"history", "forget", id}), "forget");
}

TEST_F(TerminalOutputTest, TablesLineUpWithWhatIsShownAndJsonKeepsTheTextExactly) {
    tree.addApp(platform.system("/Applications"), {.fileName = "Plain.app", .shortVersion = "2"});
    std::istringstream lines(run({"apps"}).out);
    std::string title, evil, plain;
    std::getline(lines, title);
    std::getline(lines, evil);
    std::getline(lines, plain);
    const std::size_t column = title.find("Version");
    EXPECT_EQ(evil.find("1.0\\x1B"), column) << Text::printable(evil);
    EXPECT_EQ(plain.find('2'), column) << plain;

    const auto apps = nlohmann::json::parse(run({"apps", "--json"}).out);
    EXPECT_EQ(apps.at(0).at("name"), "Evil" + hostile);
    EXPECT_EQ(apps.at(0).at("version"), "1.0" + hostile);
    const auto leftovers = nlohmann::json::parse(run({"leftovers", "--json"}).out);
    EXPECT_EQ(leftovers.at("items").at(0).at("path"),
              (platform.home() / ("Library/Caches/com.gone" + hostile)).string());
}

} // namespace
} // namespace tarnwick::testing
