#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace tarnwick::testing {

// A fresh folder for one test, removed with everything in it (unreadable sub-folders included)
// when the test ends.
class TemporaryFolder {
public:
    TemporaryFolder();
    ~TemporaryFolder();
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(std::string_view relative) const { return path_ / relative; }

    // Writes `contents` to `relative`, creating the folders on the way; returns the full path.
    std::filesystem::path write(std::string_view relative, std::string_view contents) const;

private:
    std::filesystem::path path_;
};

// The bytes of `file`; empty when it cannot be read.
std::string contentsOf(const std::filesystem::path& file);

} // namespace tarnwick::testing
