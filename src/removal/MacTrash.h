#pragma once

#include "removal/Trash.h"

#include <filesystem>

namespace tarnwick {

// The Trash of macOS: ".Trash" in the home folder, or ".Trashes/<uid>" at the top of another volume. A
// taken name is varied as the Finder does: "Notes.app", "Notes 2.app", "Notes 3.app"...
class MacTrash : public Trash {
public:
    // `trashFolder` as TrashLocation gives it: its folders resolved, not itself, nor anything between the
    // volume's top and it, so that a link there is seen and refused.
    explicit MacTrash(std::filesystem::path trashFolder);

    const std::filesystem::path& folder() const override { return folder_; }
    Usability usability() const override;
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
