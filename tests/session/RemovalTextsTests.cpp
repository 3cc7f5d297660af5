#include "session/RemovalTexts.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <string>

namespace tarnwick {
namespace {

RemovalRecord::Date at(double seconds) {
    return RemovalRecord::Date(std::chrono::duration<double>(seconds));
}

TEST(RemovalTextsTest, ADateNoCalendarHoldsIsUnknownRatherThanWrong) {
    // The history file is read from disk and may hold any number.
    for (const double seconds : {std::nan(""), std::numeric_limits<double>::infinity(),
                                 -std::numeric_limits<double>::infinity(), 1e300, -4e11}) {
        EXPECT_EQ(RemovalTexts::dateText(at(seconds)), "unknown date") << seconds;
    }
    const std::string date = RemovalTexts::dateText(at(1'717'231'500.75));
    ASSERT_EQ(date.size(), 16U) << date;
    EXPECT_TRUE(date.starts_with("2024-0")) << date;
    EXPECT_EQ(date[10], ' ');
}

} // namespace
} // namespace tarnwick
