#pragma once

#include "removal/Trash.h"

#include <filesystem>

namespace tarnwick {

// The Trash of macOS: the folder ".Trash" in the home folder. A taken name is varied as the Finder
// does: "Notes.app", "Notes 2.app", "Notes 3.app"...
class MacTrash : public Trash {
public:
    explicit MacTrash(std::filesystem::path trashFolder);

    std::filesystem::path moveToTrash(const std::filesystem::path& item) override;

    const std::filesystem::path& folder() const override { return folder_; }

private:
    std::filesystem::path folder_;
};

} // namespace tarnwick
