#include "catalogue/ByteFormat.h"

#include <array>
#include <string_view>

namespace tarnwick::ByteFormat {
namespace {

struct Unit {
    std::string_view name;
    std::uint64_t bytes;
    int decimals;
};

constexpr std::array<Unit, 6> units{{
    {"KB", 1'000ULL, 0},
    {"MB", 1'000'000ULL, 1},
    {"GB", 1'000'000'000ULL, 2},
    {"TB", 1'000'000'000'000ULL, 2},
    {"PB", 1'000'000'000'000'000ULL, 2},
    {"EB", 1'000'000'000'000'000'000ULL, 2},
}};

constexpr std::uint64_t powerOfTen(int exponent) {
    std::uint64_t result = 1;
    for (int i = 0; i < exponent; ++i) {
        result *= 10;
    }
    return result;
}

// `scaled` counts hundredths (or tenths, ...) of the unit; trailing zero decimals are dropped.
std::string decimalText(std::uint64_t scaled, int decimals) {
    const std::uint64_t denominator = powerOfTen(decimals);
    std::string text = std::to_string(scaled / denominator);
    std::uint64_t fraction = scaled % denominator;
    if (fraction == 0) {
        return text;
    }
    int digits = decimals;
    while (fraction % 10 == 0) {
        fraction /= 10;
        --digits;
    }
    std::string fractionText = std::to_string(fraction);
    fractionText.insert(0, static_cast<std::size_t>(digits) - fractionText.size(), '0');
    return text + "." + fractionText;
}

std::string magnitudeText(std::uint64_t bytes) {
    if (bytes == 0) {
        return "Zero KB";
    }
    if (bytes == 1) {
        return "1 byte";
    }
    if (bytes < units.front().bytes) {
        return std::to_string(bytes) + " bytes";
    }
    for (std::size_t index = 0; index < units.size(); ++index) {
        const Unit& unit = units[index];
        // Integer arithmetic keeps rounding exact (half away from zero) for every 64-bit count.
        const std::uint64_t step = unit.bytes / powerOfTen(unit.decimals);
        const std::uint64_t scaled = bytes / step + (bytes % step >= step / 2 ? 1 : 0);
        // A value that rounds to 1000 of a unit is shown as 1 of the next one.
        if (scaled < 1000 * powerOfTen(unit.decimals) || index + 1 == units.size()) {
            return decimalText(scaled, unit.decimals) + " " + std::string(unit.name);
        }
    }
    return {};
}

} // namespace

std::string string(std::int64_t bytes) {
    if (bytes < 0) {
        // Negated in unsigned arithmetic so that the most negative count has a magnitude too.
        return "-" + magnitudeText(0 - static_cast<std::uint64_t>(bytes));
    }
    return magnitudeText(static_cast<std::uint64_t>(bytes));
}

} // namespace tarnwick::ByteFormat
