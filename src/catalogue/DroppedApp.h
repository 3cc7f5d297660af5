#pragma once

#include "catalogue/InstalledApp.h"
#include "platform/Platform.h"

#include <filesystem>

namespace tarnwick {

// An application bundle the user hands over directly (dropped on the window, or named by path), which
// need not be in any of the application folders.
namespace DroppedApp {

// Whether the location names an application bundle by its extension ("app", in any case).
bool isApplicationLocation(const std::filesystem::path& location);

// The record for the bundle at `location`, with its size measured at once. Its version is only the
// short version string, and it is a system application exactly when it lies in the system's folder.
InstalledApp makeRecord(const std::filesystem::path& location, const Platform& platform);

} // namespace DroppedApp
} // namespace tarnwick
