#pragma once

#include <filesystem>

namespace tarnwick::testing {

// Locks the item at `location` against change (the immutable flag), as a user or a program may have; false
// where the file system or the test's rights do not allow it. Locked items are unlocked before the test's
// temporary folder is removed, or it cannot be.
bool lockForTest(const std::filesystem::path& location);
void unlockForTest(const std::filesystem::path& location);

} // namespace tarnwick::testing
