#include "session/LaunchOptions.h"
#include "support/TemporaryFolder.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace tarnwick {
namespace {

class LaunchOptionsTest : public ::testing::Test {
protected:
    LaunchOptionsTest() {
        folder.write("Users/alice/.keep", "");
        folder.write("Users/bob/.keep", "");
    }

    std::string refusal(const LaunchOptions::Request& request) const {
        try {
            LaunchOptions::resolve(request);
        } catch (const LaunchOptions::Error& error) {
            return error.what();
        }
        return "accepted";
    }

    testing::TemporaryFolder folder;
    std::string root = folder.path().string();
};

TEST_F(LaunchOptionsTest, RefusesWhatCannotBeUsedWithWhatToDoInstead) {
    const struct {
        LaunchOptions::Request request;
        std::string message;
    } cases[] = {
        {{.root = root, .demo = true},
         "--root and --demo cannot be used together: the demo is a tree of its own."},
        {{.user = "alice"}, "--user picks a home on a disk: use it with --root or --demo."},
        {{.root = root + "/missing\n"},
         "The folder \"" + root +
             "/missing\\n\" does not exist. Pass the folder where a Mac disk is mounted."},
        {{.root = ""}, "The folder \"\" does not exist. Pass the folder where a Mac disk is mounted."},
    };
    for (const auto& test : cases) {
        EXPECT_EQ(refusal(test.request), test.message);
    }
    // Two homes and no login name among them: the user must pick one.
    const std::string several = refusal({.root = root});
    EXPECT_TRUE(several.ends_with(" Pick one with --user NAME.")) << several;
}

TEST_F(LaunchOptionsTest, ARootMovesTheSystemThereAndIsNamedAgainInFull) {
    const LaunchOptions::System system = LaunchOptions::resolve({.root = root + "/./", .user = "alice"});
    EXPECT_EQ(system.platform.system("/Applications"), folder / "Applications");
    EXPECT_EQ(system.platform.home(), folder / "Users/alice");
    EXPECT_EQ(system.arguments, (std::vector<std::string>{"--root", root, "--user", "alice"}));
    EXPECT_TRUE(LaunchOptions::resolve({}).arguments.empty());
}

} // namespace
} // namespace tarnwick
