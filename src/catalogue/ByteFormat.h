#pragma once

#include <cstdint>
#include <string>

namespace tarnwick {

// The one conversion of byte counts to display text, as a Mac file browser shows file sizes: decimal
// units (1 KB = 1000 bytes), "Zero KB", "1 byte", "532 bytes", "12 KB", "12.4 MB", "2.35 GB".
// Independent of the process locale.
namespace ByteFormat {

std::string string(std::int64_t bytes);

} // namespace ByteFormat
} // namespace tarnwick
