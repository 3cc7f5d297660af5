#pragma once

#include "removal/Trash.h"

#include <filesystem>

namespace tarnwick {

// The Trash of macOS: ".Trash" in the home folder, or ".Trashes/<uid>" at the top of another volume. A
// taken name is varied as the Finder does: "Notes.app", "Notes 2.app", "Notes 3.app"...
class MacTrash : public Trash {
public:
    explicit MacTrash(std::filesystem::path trashFolder);

    // The Trash of the volume whose top folder is `volume`, for the user `uid`.
    static std::filesystem::path volumeFolder(const std::filesystem::path& volume, unsigned uid);

    const std::filesystem::path& folder() const override { return folder_; }
    bool isUsable() const override;
    std::filesystem::path plannedPlace(const std::filesystem::path& item,
                                       const std::set<std::filesystem::path>& planned) const override;
    void moveTo(const OpenFolder& from, std::string_view name, const std::filesystem::path& item,
                const std::filesystem::path& place) override;
    // Made on first use, private to the user as on a Mac; a volume's ".Trashes" the way macOS makes it.
    const OpenFolder& open() override;

private:
    void create() const;

    std::filesystem::path folder_;
    FolderCache held_{1};
};

} // namespace tarnwick
