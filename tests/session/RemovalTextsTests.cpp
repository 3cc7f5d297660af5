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

TEST(RemovalTextsTest, WhatRunsIsNamedInAgreementWithHowManyThereAre) {
    EXPECT_EQ(RemovalTexts::runningNote({"Skylume"}),
              "Skylume is running. Tarnwick will ask it to quit first.");
    EXPECT_EQ(RemovalTexts::runningNote({"Skylume", "Lumen Agent", "lumend"}),
              "Skylume, Lumen Agent and lumend are running. Tarnwick will ask them to quit first.");
    EXPECT_EQ(RemovalTexts::forceQuitQuestion({"Skylume"}),
              "Skylume did not quit. Force it to quit? Anything it has not saved is lost.");
    EXPECT_EQ(RemovalTexts::forceQuitQuestion({"Skylume", "lumend"}),
              "Skylume and lumend did not quit. Force them to quit? Anything they have not saved is lost.");
    EXPECT_EQ(RemovalTexts::launchJobsNote({{"com.example.agent", "/a.plist", LaunchJob::Domain::user}}),
              "Tarnwick will stop com.example.agent before it moves.");
}

} // namespace
} // namespace tarnwick
