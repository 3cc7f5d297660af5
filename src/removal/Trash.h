#pragma once

#include <filesystem>

namespace tarnwick {

// The user's Trash. Moving never replaces anything: when a name is taken in the Trash, the item gets
// another one. Failures are PlatformErrors, so that permission problems can be told apart.
class Trash {
public:
    virtual ~Trash() = default;

    // Moves the item itself (a link stays a link) and returns where it now lies.
    virtual std::filesystem::path moveToTrash(const std::filesystem::path& item) = 0;

    // The folder that holds what is in the Trash.
    virtual const std::filesystem::path& folder() const = 0;

    // Called after an item was put back from `trashLocation`, so the Trash can forget what it kept
    // about it.
    virtual void itemWasRestored(const std::filesystem::path& trashLocation) { (void)trashLocation; }
};

} // namespace tarnwick
