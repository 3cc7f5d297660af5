#include "removal/AdminProtocol.h"

#include <gtest/gtest.h>

namespace tarnwick {
inline void PrintTo(const AdminItemOutcome& outcome, std::ostream* out) {
    *out << AdminProtocol::line(outcome);
}
} // namespace tarnwick

namespace tarnwick::testing {
namespace {

using Result = AdminItemOutcome::Result;

// Names a shell, a script runner or an option parser would take for something else.
const std::vector<std::string> hostileNames = {"with space",
                                               "it's \"quoted\"",
                                               "$(touch pwned)",
                                               "`touch pwned`",
                                               "back\\slash\\",
                                               "line\nbreak",
                                               "-leading-dash",
                                               "--",
                                               "*",
                                               "caf\u00e9 \u65e5\u672c",
                                               "tab\tand\x1b",
                                               "%s%n"};

TEST(AdminProtocolTest, RequestsComeBackFromTheArgumentsUnchanged) {
    for (const std::string& name : hostileNames) {
        const AdminRequest request{501,
                                   "/Users/" + name + "/.Trash",
                                   "Tarnwick-" + name,
                                   {{"/Library/" + name, "0-" + name}, {"/" + name, name}}};
        EXPECT_EQ(AdminProtocol::request(AdminProtocol::arguments(request)), request) << name;
    }
    const AdminRequest empty{0, "/var/root/.Trash", "B", {}};
    EXPECT_EQ(AdminProtocol::arguments(empty), (std::vector<std::string>{"0", "/var/root/.Trash", "B"}));
    EXPECT_EQ(AdminProtocol::request(AdminProtocol::arguments(empty)), empty);
}

TEST(AdminProtocolTest, ArgumentsItCannotHaveWrittenAreNoRequest) {
    const std::vector<std::vector<std::string>> lists = {{},
                                                         {"501", "/T"},
                                                         {"501", "/T", "B", "/a"},
                                                         {"", "/T", "B"},
                                                         {"-1", "/T", "B"},
                                                         {"+5", "/T", "B"},
                                                         {" 5", "/T", "B"},
                                                         {"0x1", "/T", "B"},
                                                         {"4294967295", "/T", "B"},
                                                         {"4294967296", "/T", "B"}};
    for (const auto& list : lists) {
        EXPECT_FALSE(AdminProtocol::request(list).has_value()) << ::testing::PrintToString(list);
    }
}

TEST(AdminProtocolTest, EveryAnswerStaysOneLine) {
    EXPECT_EQ(AdminProtocol::printable("a\nb\r\x1b\x7f\u0085\u2028 caf\u00e9 \xff"),
              "a\\nb\\r\\x1B\\x7F\\u0085\\u2028 caf\u00e9 \uFFFD");
    const std::vector<AdminItemOutcome> outcomes = {
        {Result::moved, {}},
        {Result::missing, {}},
        {Result::failed, "Could not move \"/a\": Permission denied."},
        {Result::failed, "Could not move \"/x\ny\u2028z\": File exists."}};
    std::string answer;
    for (const AdminItemOutcome& outcome : outcomes) {
        answer += AdminProtocol::line(outcome) + "\n";
    }
    const std::vector<AdminItemOutcome> parsed = AdminProtocol::outcomes(answer, outcomes.size());
    ASSERT_EQ(parsed.size(), outcomes.size());
    EXPECT_EQ(std::vector(parsed.begin(), parsed.begin() + 3),
              std::vector(outcomes.begin(), outcomes.begin() + 3));
    EXPECT_EQ(parsed[3].message, "Could not move \"/x\\ny\\u2028z\": File exists.");
}

TEST(AdminProtocolTest, AMoveWithoutAReadableAnswerFailed) {
    // Line ends changed on the way, an answer too many, an unreadable one and one missing.
    const auto parsed = AdminProtocol::outcomes("moved\r\nmissing\r\nwhat?\n", 4);
    ASSERT_EQ(parsed.size(), 4U);
    EXPECT_EQ(parsed[0].result, Result::moved);
    EXPECT_EQ(parsed[1].result, Result::missing);
    EXPECT_EQ(parsed[2].result, Result::failed);
    EXPECT_NE(parsed[2].message.find("what?"), std::string::npos);
    EXPECT_EQ(parsed[3].result, Result::failed);
    EXPECT_EQ(AdminProtocol::outcomes("moved\nmoved\n", 1).size(), 1U);
}

} // namespace
} // namespace tarnwick::testing
