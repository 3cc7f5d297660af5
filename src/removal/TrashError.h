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
    enum class Kind {
        unsafePath,
        partial,
        systemApplication,
        nothingSelected,
        historyUnwritable,
        noTrash,
        trashIsLink,
        mountPoint,
        notPutBack,
        alreadyRestoring,
        stillRunning,
    };
    enum class NoTrashReason { noneUsable, otherMount };

    static TrashError unsafePath(std::string path);
    // `recordedRemoval`: the history record of what a removal did move before the failures, if any.
    static TrashError partial(std::vector<std::string> lines,
                              std::optional<Uuid> recordedRemoval = std::nullopt);
    static TrashError systemApplication();
    static TrashError nothingSelected();
    // The removal's record could not be written before the first move, so nothing moved.
    static TrashError historyUnwritable(const std::string& reason);
    // No Trash can take the item at `path` (its volume has none the user may use, or the item lies on
    // another mount than it), so nothing moved.
    static TrashError noTrash(std::string path, NoTrashReason reason = NoTrashReason::noneUsable);
    // The Trash the items would go to is a link, so nothing moved.
    static TrashError trashIsLink(std::string trashFolder);
    // The item at `path` is where another disk is mounted, so nothing moved.
    static TrashError mountPoint(std::string path);
    // A restore left items in the Trash: one line per item, naming it and why.
    static TrashError notPutBack(std::vector<std::string> lines);
    // Another process is putting the same removal back.
    static TrashError alreadyRestoring();
    // Processes run from what would move (named by `processNames`), so nothing moved: a running
    // application would write its files again from the Trash.
    static TrashError stillRunning(const std::vector<std::string>& processNames);

    Kind kind() const { return kind_; }
    // The refused path of `unsafePath` (as resolved), `noTrash`, `trashIsLink` or `mountPoint`.
    const std::string& path() const { return path_; }
    // The failure lines of `partial` or `notPutBack`, in the order they arose.
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
