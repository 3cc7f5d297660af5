#pragma once

#include "removal/Uuid.h"

#include <exception>
#include <optional>
#include <string>
#include <vector>

namespace tarnwick {

// Why a removal or a restore did not do all it was asked to; `what()` is the message the user reads.
class TrashError : public std::exception {
public:
    enum class Kind { unsafePath, partial, systemApplication, nothingSelected, historyUnwritable, noTrash };

    static TrashError unsafePath(std::string path);
    // `recordedRemoval`: the history record of what a removal did move before the failures, if any.
    static TrashError partial(std::vector<std::string> lines,
                              std::optional<Uuid> recordedRemoval = std::nullopt);
    static TrashError systemApplication();
    static TrashError nothingSelected();
    // The removal's record could not be written before the first move, so nothing moved.
    static TrashError historyUnwritable(const std::string& reason);
    // No Trash can take the item at `path` (its volume has none the user may use), so nothing moved.
    static TrashError noTrash(std::string path);

    Kind kind() const { return kind_; }
    // The refused path of `unsafePath` (as resolved) or `noTrash`.
    const std::string& path() const { return path_; }
    // The failure lines of `partial`, in the order they arose.
    const std::vector<std::string>& lines() const { return lines_; }
    const std::optional<Uuid>& recordedRemoval() const { return recordedRemoval_; }

    const char* what() const noexcept override { return message_.c_str(); }

private:
    TrashError(Kind kind, std::string message);

    Kind kind_;
    std::string message_;
    std::string path_;
    std::vector<std::string> lines_;
    std::optional<Uuid> recordedRemoval_;
};

} // namespace tarnwick
