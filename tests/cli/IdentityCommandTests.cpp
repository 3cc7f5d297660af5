#include "cli/CliRunner.h"
#include "demo/TreeBuilder.h"
#include "support/TestPlatform.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace tarnwick {
namespace {

class IdentityCommandTest : public ::testing::Test {
protected:
    IdentityCommandTest() {
        TreeBuilder tree(platform);
        MachOSignature signature{
            .identifier = "com.example.signed",
            .teamID = "ABCDE12345",
            .entitlements = PlistValue::Dictionary{
                {"com.apple.application-identifier", "ABCDE12345.com.example.signed"},
                {"com.apple.security.application-groups", PlistValue::Array{"group.b", "group.a"}}}};
        tree.addApp(platform.system("/Applications"),
                    {.fileName = "Signed.app",
                     .bundleID = "com.example.signed",
                     .executableImage = MachOImage{.slices = {{.signature = signature}}}});
        tree.addApp(platform.system("/Applications"),
                    {.fileName = "Twin.app", .bundleID = "com.example.twin"});
        tree.addApp(platform.system("/System/Applications"),
                    {.fileName = "Twin.app", .bundleID = "com.apple.twin"});
    }

    std::string root() const { return folder.path().string(); }

    testing::TemporaryFolder folder;
    Platform platform = testing::makeTestPlatform(folder);
};

TEST_F(IdentityCommandTest, ShowsTheTeamAndEntitlementIdentifiers) {
    const nlohmann::json expected = {
        {"teamID", "ABCDE12345"},
        {"entitlementIdentifiers",
         {"ABCDE12345.com.example.signed", "com.example.signed", "group.a", "group.b"}}};
    const auto result = testing::runCli({"--root", root(), "identity", "sIGNED", "--json"});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(nlohmann::json::parse(result.out), expected);

    const auto unsigned_ = testing::runCli({"--root", root(), "--json", "identity", "com.example.twin"});
    ASSERT_EQ(unsigned_.status, 0) << unsigned_.err;
    EXPECT_EQ(nlohmann::json::parse(unsigned_.out),
              (nlohmann::json{{"teamID", nullptr}, {"entitlementIdentifiers", nlohmann::json::array()}}));

    const auto text = testing::runCli({"--root", root(), "identity", "Signed"});
    EXPECT_NE(text.out.find("Team identifier: ABCDE12345"), std::string::npos);
}

TEST_F(IdentityCommandTest, UnknownOrAmbiguousNamesFailWithAHint) {
    const auto missing = testing::runCli({"--root", root(), "identity", "Nothing"});
    EXPECT_EQ(missing.status, 2);
    EXPECT_NE(missing.err.find("tarnwick-cli apps"), std::string::npos);

    const auto partial = testing::runCli({"--root", root(), "identity", "sign"});
    EXPECT_EQ(partial.status, 2);
    EXPECT_NE(
        partial.err.find("Did you mean:\n  Signed  (" + (folder / "Applications/Signed.app").string() + ")"),
        std::string::npos)
        << partial.err;

    const auto ambiguous = testing::runCli({"--root", root(), "identity", "twin"});
    EXPECT_EQ(ambiguous.status, 2);
    EXPECT_NE(ambiguous.err.find((folder / "System/Applications/Twin.app").string()), std::string::npos);

    const auto noBundle =
        testing::runCli({"--root", root(), "identity", (folder / "Applications/Gone.app").string()});
    EXPECT_EQ(noBundle.status, 2);
    EXPECT_TRUE(noBundle.out.empty());
}

} // namespace
} // namespace tarnwick
