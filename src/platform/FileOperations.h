#pragma once

#include <cstddef>
#include <filesystem>
#include <limits>
#include <optional>
#include <string>
#include <string_view>

namespace tarnwick {

// The file operations that change the disk. Every failure is a PlatformError in the POSIX domain.
namespace FileOperations {

// Whether anything is at `location`: a file, a folder, or a link, even one that points nowhere.
bool exists(const std::filesystem::path& location);

// Moves an item to `destination` in one step, never replacing what is there: when the destination is
// taken, even by an item that appears at the last moment, the move fails with EEXIST and nothing changes.
void moveWithoutReplacing(const std::filesystem::path& source, const std::filesystem::path& destination);

// Whether the item at `location` is locked against change (immutable or append-only, the Finder's "Locked"
// on a Mac): neither its owner nor an administrator may move it until it is unlocked. False when nothing
// is there or its flags cannot be read.
bool isLocked(const std::filesystem::path& location);

// Creates one folder; its parent must exist.
void createFolder(const std::filesystem::path& location, unsigned permissions = 0755);

// Creates a file holding `contents`, flushed to the disk, only when nothing is at `location`: false when
// the name is taken. Throws for any other failure, leaving no file behind.
bool createNew(const std::filesystem::path& location, std::string_view contents, unsigned permissions = 0600);

// Creates the file, or empties the one there, and writes `contents` into it. Not atomic: for files
// nobody reads while they are written, such as the trees built for the demo, tests and benchmarks.
void writeFile(const std::filesystem::path& location, std::string_view contents, unsigned permissions = 0644);

// The whole content of a regular file; nothing when nothing is there. Throws when something else is there
// (a folder, a pipe), when it cannot be read, or when it holds more than `maximumSize` bytes. The one way
// the program reads whole files: every reader of untrusted files passes its own limit.
std::optional<std::string> readFile(const std::filesystem::path& location,
                                    std::size_t maximumSize = std::numeric_limits<std::size_t>::max());

// Whether a replacement reaches the disk before it takes the file's place. Unflushed suits rebuildable
// data only: a reader still never sees a mixture, but after a crash the file may be empty or garbled.
enum class Durability { flushed, unflushed };

// Replaces the whole file so that a reader, or the disk after a crash, sees the old or the new content
// and never a mixture: the content goes to a temporary file beside it, is flushed to the disk, and then
// takes the file's place.
void replaceAtomically(const std::filesystem::path& location, std::string_view contents,
                       Durability durability = Durability::flushed);

// The same for content written piece by piece: nothing changes at `location` until `commit`, and a
// replacement dropped before it leaves no trace. Every failure throws.
class Replacement {
public:
    explicit Replacement(std::filesystem::path location, Durability durability = Durability::flushed);
    ~Replacement();
    Replacement(const Replacement&) = delete;
    Replacement& operator=(const Replacement&) = delete;

    void write(std::string_view piece);
    void commit();

private:
    std::filesystem::path location_;
    Durability durability_;
    std::string temporary_;
    int descriptor_ = -1;
    std::string buffer_;
};

// Deletes the temporary files that replacements of `location` killed half-way left beside it. Only for a
// caller that knows no other replacement of the file is under way.
void removeAbandonedReplacements(const std::filesystem::path& location);

} // namespace FileOperations
} // namespace tarnwick
