#pragma once

#include "removal/Trash.h"

#include <filesystem>

namespace tarnwick {

// The Trash of Linux desktops, as freedesktop.org defines it: the item goes to "files", and a
// "<name>.trashinfo" file in "info" keeps its former path and the deletion date, so that file managers
// can show and put it back. The info file is created first, exclusively, and so reserves the name.
class FreedesktopTrash : public Trash {
public:
    // `trashFolder` is "$XDG_DATA_HOME/Trash"; it and its two folders are created when missing.
    explicit FreedesktopTrash(std::filesystem::path trashFolder);

    std::filesystem::path moveToTrash(const std::filesystem::path& item) override;
    void itemWasRestored(const std::filesystem::path& trashLocation) override;

    const std::filesystem::path& folder() const override { return folder_; }

private:
    std::filesystem::path folder_;
};

} // namespace tarnwick
