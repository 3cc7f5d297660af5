#pragma once

#include "demo/TreeBuilder.h"
#include "platform/Platform.h"
#include "support/TemporaryFolder.h"
#include "support/TestPlatform.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <string_view>

namespace tarnwick::testing {

// A Mac whose disk is a fresh temporary folder, and the builder of its apps and files. Paths may be written
// as the Mac names them: "~/..." below the home, "/..." below the disk's root.
class MacDiskTest : public ::testing::Test {
protected:
    TemporaryFolder folder;
    Platform platform = makeTestPlatform(folder);
    TreeBuilder tree{platform};

    std::filesystem::path at(std::string_view path) const {
        if (path.starts_with("~/")) {
            return platform.home() / path.substr(2);
        }
        return platform.system(path);
    }

    std::filesystem::path file(std::string_view path) const { return tree.addFile(at(path), "data"); }
    std::filesystem::path folderAt(std::string_view path) const { return tree.addFolder(at(path)); }
};

} // namespace tarnwick::testing
