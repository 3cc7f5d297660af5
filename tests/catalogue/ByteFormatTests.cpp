#include "catalogue/ByteFormat.h"

#include <clocale>
#include <cstdint>
#include <gtest/gtest.h>
#include <limits>
#include <string>

namespace tarnwick {
namespace {

TEST(ByteFormatTests, SmallCountsAreShownInBytes) {
    EXPECT_EQ(ByteFormat::string(0), "Zero KB");
    EXPECT_EQ(ByteFormat::string(1), "1 byte");
    EXPECT_EQ(ByteFormat::string(2), "2 bytes");
    EXPECT_EQ(ByteFormat::string(532), "532 bytes");
    EXPECT_EQ(ByteFormat::string(999), "999 bytes");
}

TEST(ByteFormatTests, KilobytesAreRoundedToWholeNumbers) {
    EXPECT_EQ(ByteFormat::string(1'000), "1 KB");
    EXPECT_EQ(ByteFormat::string(1'499), "1 KB");
    EXPECT_EQ(ByteFormat::string(1'500), "2 KB");
    EXPECT_EQ(ByteFormat::string(12'345), "12 KB");
    EXPECT_EQ(ByteFormat::string(999'499), "999 KB");
}

TEST(ByteFormatTests, MegabytesShowAtMostOneDecimal) {
    EXPECT_EQ(ByteFormat::string(12'400'000), "12.4 MB");
    EXPECT_EQ(ByteFormat::string(12'449'999), "12.4 MB");
    EXPECT_EQ(ByteFormat::string(12'450'000), "12.5 MB");
    EXPECT_EQ(ByteFormat::string(3'000'000), "3 MB");
    EXPECT_EQ(ByteFormat::string(3'040'000), "3 MB");
    EXPECT_EQ(ByteFormat::string(3'050'000), "3.1 MB");
    EXPECT_EQ(ByteFormat::string(999'949'999), "999.9 MB");
}

TEST(ByteFormatTests, LargerUnitsShowAtMostTwoDecimals) {
    EXPECT_EQ(ByteFormat::string(2'345'000'000), "2.35 GB");
    EXPECT_EQ(ByteFormat::string(2'500'000'000), "2.5 GB");
    EXPECT_EQ(ByteFormat::string(2'000'000'000), "2 GB");
    EXPECT_EQ(ByteFormat::string(2'004'999'999), "2 GB");
    EXPECT_EQ(ByteFormat::string(2'005'000'000), "2.01 GB");
    EXPECT_EQ(ByteFormat::string(1'230'000'000'000), "1.23 TB");
    EXPECT_EQ(ByteFormat::string(4'560'000'000'000'000), "4.56 PB");
}

TEST(ByteFormatTests, RoundingThatReachesTheNextUnitMovesUp) {
    EXPECT_EQ(ByteFormat::string(999'500), "1 MB");
    EXPECT_EQ(ByteFormat::string(999'999), "1 MB");
    EXPECT_EQ(ByteFormat::string(999'950'000), "1 GB");
    EXPECT_EQ(ByteFormat::string(999'995'000'000), "1 TB");
    EXPECT_EQ(ByteFormat::string(999'994'999'999), "999.99 GB");
}

TEST(ByteFormatTests, ExtremeCountsDoNotOverflow) {
    EXPECT_EQ(ByteFormat::string(std::numeric_limits<std::int64_t>::max()), "9.22 EB");
    EXPECT_EQ(ByteFormat::string(std::numeric_limits<std::int64_t>::min()), "-9.22 EB");
}

TEST(ByteFormatTests, NegativeCountsGetAMinusSign) {
    EXPECT_EQ(ByteFormat::string(-1), "-1 byte");
    EXPECT_EQ(ByteFormat::string(-532), "-532 bytes");
    EXPECT_EQ(ByteFormat::string(-12'400'000), "-12.4 MB");
    EXPECT_EQ(ByteFormat::string(-999'999), "-1 MB");
}

TEST(ByteFormatTests, TextDoesNotDependOnTheProcessLocale) {
    const std::string previous = std::setlocale(LC_ALL, nullptr);
    if (std::setlocale(LC_ALL, "de_DE.UTF-8") == nullptr &&
        std::setlocale(LC_ALL, "fr_FR.UTF-8") == nullptr) {
        GTEST_SKIP() << "no locale with a decimal comma is installed";
    }
    const std::string text = ByteFormat::string(2'345'000'000);
    std::setlocale(LC_ALL, previous.c_str());
    EXPECT_EQ(text, "2.35 GB");
}

} // namespace
} // namespace tarnwick
