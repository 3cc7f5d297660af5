#include "catalogue/ByteFormat.h"

#include <clocale>
#include <cstdint>
#include <gtest/gtest.h>
#include <limits>
#include <string>

namespace tarnwick {
namespace {

TEST(ByteFormatTests, DecimalUnitsRoundedToWholeKilobytesOneDecimalForMegabytesTwoAbove) {
    const struct {
        std::int64_t bytes;
        const char* text;
    } cases[] = {
        {0, "Zero KB"},
        {1, "1 byte"},
        {2, "2 bytes"},
        {999, "999 bytes"},
        {1'000, "1 KB"},
        {1'499, "1 KB"},
        {1'500, "2 KB"},
        {999'499, "999 KB"},
        {12'449'999, "12.4 MB"},
        {12'450'000, "12.5 MB"},
        {3'000'000, "3 MB"},
        {3'049'999, "3 MB"},
        {3'050'000, "3.1 MB"},
        {999'949'999, "999.9 MB"},
        {2'345'000'000, "2.35 GB"},
        {2'500'000'000, "2.5 GB"},
        {2'004'999'999, "2 GB"},
        {2'005'000'000, "2.01 GB"},
        {1'230'000'000'000, "1.23 TB"},
        {4'560'000'000'000'000, "4.56 PB"},
        // Rounding that reaches the next unit moves up.
        {999'500, "1 MB"},
        {999'950'000, "1 GB"},
        {999'995'000'000, "1 TB"},
        {999'994'999'999, "999.99 GB"},
        // Extreme and negative counts: no overflow, a minus sign.
        {std::numeric_limits<std::int64_t>::max(), "9.22 EB"},
        {std::numeric_limits<std::int64_t>::min(), "-9.22 EB"},
        {-1, "-1 byte"},
        {-532, "-532 bytes"},
        {-12'400'000, "-12.4 MB"},
        {-999'999, "-1 MB"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ByteFormat::string(c.bytes), c.text) << c.bytes;
    }
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
