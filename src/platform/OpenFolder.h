#pragma once

#include "platform/FileDescriptor.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string_view>
#include <sys/types.h>

namespace tarnwick {

// What a file system object is, whatever it is called. A move inside one volume keeps all of it. The
// birth time tells an object from a later one that was given the inode of a deleted one.
struct ItemIdentity {
    enum class Kind { file, folder, link, other };

    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    Kind kind = Kind::other;
    std::int64_t birth = 0; // nanoseconds since 1970; 0 where the file system does not keep it

    // What is at `location`, a link taken as itself; nothing when nothing is there or it cannot be seen.
    static std::optional<ItemIdentity> at(const std::filesystem::path& location);

    // Whether both describe one object: the same device, inode and kind, born at the same moment as far
    // as both know.
    bool isSameObject(const ItemIdentity& other) const;

    friend bool operator==(const ItemIdentity&, const ItemIdentity&) = default;
};

// A folder held open by its descriptor. Everything done through it happens in that folder, whatever
// is renamed or replaced by a link on its path meanwhile: what is checked and what is changed are the
// same object. Every failure is a PlatformError in the POSIX domain.
class OpenFolder {
public:
    // Opens the absolute `path` one component at a time from "/", following no link: a link anywhere on
    // the way fails (ELOOP or ENOTDIR). Pass a resolved path when links before it are expected.
    static OpenFolder withoutLinks(const std::filesystem::path& path);

    // The folder named `name` inside this one, not followed when it is a link.
    OpenFolder child(std::string_view name) const;

    // Creates the folder `name` inside this one with `permissions` (EEXIST when the name is taken) and
    // opens it.
    OpenFolder createChild(std::string_view name, unsigned permissions) const;

    // Opens the folder at `relative` below this one, one component at a time, following no link.
    OpenFolder descendant(const std::filesystem::path& relative) const;

    // What is at `name` inside this folder, a link taken as itself; nothing when nothing is there.
    std::optional<ItemIdentity> itemIdentity(std::string_view name) const;
    ItemIdentity identity() const;
    uid_t owner() const;

    // Moves `name` from this folder to `destinationName` in `destination`, in one step and never over
    // anything: EEXIST when the destination name is taken, ENOENT when nothing is at `name`.
    void moveWithoutReplacing(std::string_view name, const OpenFolder& destination,
                              std::string_view destinationName) const;

    // The path the folder was opened at, for messages; it may no longer lead here.
    const std::filesystem::path& path() const { return path_; }
    int descriptor() const { return folder_.get(); }

private:
    OpenFolder(FileDescriptor folder, std::filesystem::path path);

    FileDescriptor folder_;
    std::filesystem::path path_;
};

} // namespace tarnwick
