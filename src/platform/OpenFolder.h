#pragma once

#include "platform/FileDescriptor.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
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

// Which mounted file system an object lies on. One device can be mounted at two places (a folder bound
// elsewhere), and a move between the two fails as one between disks does, so the mount counts too where
// the system numbers its mounts.
struct MountIdentity {
    std::uint64_t device = 0;
    std::uint64_t mount = 0; // 0 where the system does not say

    // The mount of what is at `location`, a link taken as itself; nothing when nothing is there.
    static std::optional<MountIdentity> at(const std::filesystem::path& location);

    bool isSameMount(const MountIdentity& other) const {
        return device == other.device && (mount == 0 || other.mount == 0 || mount == other.mount);
    }

    friend bool operator==(const MountIdentity&, const MountIdentity&) = default;
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

    enum class Missing { fail, create };

    // Opens the absolute `path` one component at a time, following only the links the system owns (those
    // of root, as "/var" and "/tmp" on a Mac): a link anyone else made fails with ELOOP, a component that
    // is no folder with ENOTDIR, and either names that component, so that a folder replaced by a link never
    // leads elsewhere. With `Missing::create`, missing folders are made on the way, owned by whoever runs
    // this; otherwise a missing one fails with ENOENT.
    static OpenFolder throughSystemLinks(const std::filesystem::path& path, Missing missing = Missing::fail);

    // What is at `name` inside this folder, a link taken as itself; nothing when nothing is there.
    std::optional<ItemIdentity> itemIdentity(std::string_view name) const;
    ItemIdentity identity() const;
    uid_t owner() const;
    MountIdentity mount() const;
    // The mount of what is at `name`, a link taken as itself; nothing when nothing is there.
    std::optional<MountIdentity> itemMount(std::string_view name) const;

    // Creates the file `name` holding `contents`, flushed to the disk, only when the name is free: false
    // when it is taken. Any other failure throws and leaves no file behind.
    bool createFile(std::string_view name, std::string_view contents, unsigned permissions = 0600) const;
    // Replaces the file `name` as a whole, flushed to the disk first, so that a reader or the disk after a
    // crash sees the old content or the new one, never a mixture.
    void replaceFile(std::string_view name, std::string_view contents, unsigned permissions = 0600) const;
    // The content of the regular file `name`, a link not followed; nothing when nothing is there. Throws
    // for anything else there, and for more than `maximumSize` bytes. `read`, when given, is set to what
    // the content was read from, so that a caller can tell it is the object it judged.
    std::optional<std::string> readFile(std::string_view name, std::size_t maximumSize,
                                        ItemIdentity* read = nullptr) const;
    // Deletes the file `name`, never a folder; nothing there is no failure.
    void removeFile(std::string_view name) const;

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
