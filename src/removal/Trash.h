#pragma once

#include "platform/FolderCache.h"
#include "platform/OpenFolder.h"
#include "removal/TrashLocation.h"

#include <filesystem>
#include <set>
#include <string_view>

namespace tarnwick {

// One Trash folder. An item's place in it is planned first, so that a removal can write down where
// everything will go before anything moves, and then taken by a move that never replaces anything.
// Failures are PlatformErrors, so that permission problems can be told apart.
class Trash {
public:
    virtual ~Trash() = default;

    // The folder that holds what is in this Trash, its folders resolved but not itself. The
    // administrator's batch folders go in it too.
    virtual const std::filesystem::path& folder() const = 0;

    enum class Usability {
        usable, // the folder is there, the user's and writable, or can be made
        link,   // the folder, or one it is made of, is a link: nothing ever goes into it
        unusable,
    };
    virtual Usability usability() const = 0;

    // The mount the Trash is on: its folder's, or the nearest folder's above while it is not made yet.
    std::optional<MountIdentity> mount() const { return TrashLocation::mountAtOrAbove(folder()); }

    // The folder, made when missing, held open for as long as its path leads to it.
    virtual const OpenFolder& open() = 0;

    // A place the item at `item` could take: a name nothing has now and that no other planned move of the
    // same removal has. Taken names are varied as the Finder does ("Notes 2.app").
    virtual std::filesystem::path plannedPlace(const std::filesystem::path& item,
                                               const std::set<std::filesystem::path>& planned) const = 0;

    // Moves `name`, of the open folder `from`, to its planned `place`, the item itself (a link stays a
    // link) and never over anything: EEXIST when the place was taken meanwhile (plan again), ENOENT when
    // nothing is at `name`. `item` is the item's path before the move, for the Trash's own records.
    virtual void moveTo(const OpenFolder& from, std::string_view name, const std::filesystem::path& item,
                        const std::filesystem::path& place) = 0;

    // Moves the item `name` of the open folder `from`, a folder of this Trash, back to `toName` in `to`,
    // never over anything: EEXIST when the name is taken.
    virtual void moveBack(const OpenFolder& from, std::string_view name, const OpenFolder& to,
                          std::string_view toName) {
        from.moveWithoutReplacing(name, to, toName);
    }

    // Plans a place for the item at `item` and moves it there, planning again when the place is taken
    // meanwhile; returns where it now lies. The item's folder is opened without following links.
    std::filesystem::path moveToTrash(const std::filesystem::path& item);

    // A planned move that never happened: what the Trash kept for it goes.
    virtual void abandon(const std::filesystem::path& place) { (void)place; }

    // An item was put back from `place`, so the Trash can forget what it kept about it.
    virtual void itemWasRestored(const std::filesystem::path& place) { (void)place; }
};

} // namespace tarnwick
