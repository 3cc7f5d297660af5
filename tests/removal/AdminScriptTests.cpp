#include "removal/AdminScript.h"

#include <gtest/gtest.h>

namespace tarnwick::testing {
namespace {

TEST(AdminScriptTest, CommandsAndScriptsHaveTheirExactText) {
    EXPECT_EQ(AdminScript::quoted("/Library/Foo's \"App\""), "'/Library/Foo'\\''s \"App\"'");
    EXPECT_EQ(AdminScript::moveCommand("/a b", "/T/0-a b"), "/bin/mv -- '/a b' '/T/0-a b'");
    EXPECT_EQ(AdminScript::source("/bin/mv -- 'a\\b' '\"c\"'"),
              "do shell script \"/bin/mv -- 'a\\\\b' '\\\"c\\\"'\" with administrator privileges");
}

TEST(AdminScriptTest, TheCommandComesBackOutOfTheScriptUnchanged) {
    for (const std::string command :
         {"", "/bin/mv -- 'a' 'b'", "\\\"\\\\\"", "line\nbreak", "caf\u00e9 $(x) `y`"}) {
        EXPECT_EQ(AdminScript::command(AdminScript::source(command)), command);
    }
    // Only what `source` can have written is accepted.
    for (const std::string text :
         {"", "do shell script \"x\"", "do shell script \"a\"b\" with administrator privileges",
          "do shell script \"a\\\" with administrator privileges",
          "do shell script \"\\n\" with administrator privileges"}) {
        EXPECT_FALSE(AdminScript::command(text).has_value()) << text;
    }
}

} // namespace
} // namespace tarnwick::testing
