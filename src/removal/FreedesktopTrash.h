#pragma once

#include "removal/Trash.h"

#include <filesystem>
#include <optional>

namespace tarnwick {

// The Trash of Linux desktops, as freedesktop.org defines it: the item goes to "files", and a
// "<name>.trashinfo" file in "info" keeps its former path and the deletion date, so that file managers
// can show and put it back. The info file is created first, exclusively, and so reserves the name.
class FreedesktopTrash : public Trash {
public:
    // `trashFolder` is "$XDG_DATA_HOME/Trash", or a volume's ".Trash-<uid>" or ".Trash/<uid>" when
    // `volume` names the volume's top folder (the info files then give paths relative to it). The
    // folder and its two sub-folders are created when missing. The path as TrashLocation gives it: its
    // folders resolved, not itself, so that a link there is seen and refused.
    explicit FreedesktopTrash(std::filesystem::path trashFolder,
                              std::optional<std::filesystem::path> volume = {});

    const std::filesystem::path& folder() const override { return folder_; }
    Usability usability() const override;
    std::filesystem::path plannedPlace(const std::filesystem::path& item,
                                       const std::set<std::filesystem::path>& planned) const override;
    void moveTo(const OpenFolder& from, std::string_view name, const std::filesystem::path& item,
                const std::filesystem::path& place) override;
    const OpenFolder& open() override;
    void abandon(const std::filesystem::path& place) override;
    void itemWasRestored(const std::filesystem::path& place) override;

private:
    std::filesystem::path infoFile(const std::filesystem::path& place) const;
    static std::string infoName(const std::filesystem::path& place);
    std::string infoText(const std::filesystem::path& item) const;
    // The "info" folder, made when missing, held open without links on the way.
    const OpenFolder& infoFolder();

    std::filesystem::path folder_;
    std::optional<std::filesystem::path> volume_;
    FolderCache held_{3};
};

} // namespace tarnwick
