#pragma once

#include <cstdint>
#include <string>

namespace tarnwick {

// Fixed-width unsigned integers in a stated byte order, as binary formats store them: Mach-O headers
// are little-endian, fat headers, code signatures and icon files big-endian. Callers check that the
// bytes are there before reading.
namespace ByteOrder {

inline std::uint64_t readBig(const char* bytes, int width) {
    std::uint64_t value = 0;
    for (int i = 0; i < width; ++i) {
        value = (value << 8) | static_cast<std::uint8_t>(bytes[i]);
    }
    return value;
}

inline std::uint64_t readLittle(const char* bytes, int width) {
    std::uint64_t value = 0;
    for (int i = width - 1; i >= 0; --i) {
        value = (value << 8) | static_cast<std::uint8_t>(bytes[i]);
    }
    return value;
}

inline std::uint32_t big32(const char* bytes) {
    return static_cast<std::uint32_t>(readBig(bytes, 4));
}

inline std::uint64_t big64(const char* bytes) {
    return readBig(bytes, 8);
}

inline std::uint32_t little32(const char* bytes) {
    return static_cast<std::uint32_t>(readLittle(bytes, 4));
}

// Appends the low `width` bytes of `value`.
inline void appendBig(std::string& out, std::uint64_t value, int width) {
    for (int i = width - 1; i >= 0; --i) {
        out.push_back(static_cast<char>((value >> (8 * i)) & 0xff));
    }
}

inline void appendLittle(std::string& out, std::uint64_t value, int width) {
    for (int i = 0; i < width; ++i) {
        out.push_back(static_cast<char>((value >> (8 * i)) & 0xff));
    }
}

} // namespace ByteOrder
} // namespace tarnwick
