#pragma once

#include "catalogue/BundleReading.h"
#include "catalogue/InstalledApp.h"
#include "platform/Platform.h"

#include <filesystem>
#include <memory>
#include <string_view>

namespace tarnwick {

// How an application bundle becomes a record: one found in the application folders, or one the user
// hands over directly (dropped on the window, named by path), which need not be in any of them.
namespace AppRecord {

// Whether a last path component names an application bundle: the extension "app", in any case, after a
// name ("Foo.APP", not ".app").
bool isApplicationName(std::string_view lastComponent);

// The record of a bundle in the application folders, made from what was read from it; `isSystem` as
// the folder says. Its version is the short version string, else the build number; its size is left to
// be measured.
InstalledApp listed(const std::filesystem::path& url, bool isSystem,
                    std::shared_ptr<const BundleReading> reading);

// The same, reading the bundle now.
InstalledApp listed(const std::filesystem::path& url, bool isSystem, const Platform& platform);

// The record of a bundle handed over, with its size measured at once. Its version is only the short
// version string, and it is a system application exactly when it lies in the system's folder.
InstalledApp handedOver(const std::filesystem::path& location, const Platform& platform);

} // namespace AppRecord
} // namespace tarnwick
