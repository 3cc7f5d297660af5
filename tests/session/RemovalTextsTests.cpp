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

TEST(RemovalTextsTest, TheConfirmationAndSummaryReadAsTheWindowWritesThem) {
    EXPECT_EQ(RemovalTexts::confirmationMessage(1, 30'100'000),
              "1 items (30.1 MB) will be moved to the macOS Trash. You can restore them from History until "
              "Trash is emptied.");
    RemovalRecord record;
    record.items.resize(1);
    record.bytes = 71'000;
    record.date = at(std::nan(""));
    EXPECT_EQ(RemovalTexts::summary(record), "1 item \u2022 71 KB \u2022 unknown date");
}

} // namespace
} // namespace tarnwick
