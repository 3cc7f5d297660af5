#include "cli/CliRunner.h"

#include <nlohmann/json.hpp>

namespace tarnwick::testing {
namespace {

class IdentityCommandTest : public CliTest {
protected:
    IdentityCommandTest() {
        const MachOSignature signature{
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
};

TEST_F(IdentityCommandTest, ShowsTheTeamAndEntitlementIdentifiers) {
    const auto result = run({"identity", "sIGNED", "--json"});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(
        nlohmann::json::parse(result.out),
        (nlohmann::json{{"teamID", "ABCDE12345"},
                        {"entitlementIdentifiers",
                         {"ABCDE12345.com.example.signed", "com.example.signed", "group.a", "group.b"}}}));
    EXPECT_EQ(nlohmann::json::parse(run({"--json", "identity", "com.example.twin"}).out),
              (nlohmann::json{{"teamID", nullptr}, {"entitlementIdentifiers", nlohmann::json::array()}}));
    EXPECT_NE(run({"identity", "Signed"}).out.find("Team identifier: ABCDE12345"), std::string::npos);
}

TEST_F(IdentityCommandTest, UnknownOrAmbiguousNamesFailWithAHint) {
    const struct {
        std::string query;
        std::string hint;
    } cases[] = {
        {"Nothing", "tarnwick-cli apps"},
        {"sign", "Did you mean:\n  Signed  (" + (folder / "Applications/Signed.app").string() + ")"},
        {"twin", (folder / "System/Applications/Twin.app").string()},
        {(folder / "Applications/Gone.app").string(), "There is no application bundle at"},
    };
    for (const auto& test : cases) {
        const auto result = run({"identity", test.query});
        EXPECT_EQ(result.status, 2) << test.query;
        EXPECT_TRUE(result.out.empty());
        EXPECT_NE(result.err.find(test.hint), std::string::npos) << result.err;
    }
}

} // namespace
} // namespace tarnwick::testing
