#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace tarnwick {

// A random 128-bit identifier (version 4), written as 8-4-4-4-12 hexadecimal digits.
struct Uuid {
    std::array<std::uint8_t, 16> bytes{};

    // A new identifier from the system's random source.
    static Uuid random();

    // The canonical text form in either letter case; nothing for anything else.
    static std::optional<Uuid> parse(std::string_view text);

    // Upper-case canonical text: "E621E1F8-C36C-495A-93FC-0C247A3E6E5F".
    std::string string() const;

    friend bool operator==(const Uuid&, const Uuid&) = default;
};

} // namespace tarnwick

template <> struct std::hash<tarnwick::Uuid> {
    std::size_t operator()(const tarnwick::Uuid& uuid) const noexcept;
};
