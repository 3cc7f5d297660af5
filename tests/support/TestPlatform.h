#pragma once

#include "platform/Platform.h"
#include "support/TemporaryFolder.h"

namespace tarnwick::testing {

// A Mac whose disk is the temporary folder: system root, home and temporary folder all inside it.
inline Platform makeTestPlatform(const TemporaryFolder& folder, const std::string& user = "tester") {
    Platform::Folders folders;
    folders.systemRoot = folder.path();
    folders.home = folder / ("Users/" + user);
    folders.temporary = folder / "private/var/folders/zz/tester/T";
    folders.layout = FolderLayout::macOS;
    folders.preferredLanguages = {"en"};
    return Platform(std::move(folders));
}

} // namespace tarnwick::testing
