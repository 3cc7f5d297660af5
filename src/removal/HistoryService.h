#pragma once

#include "removal/HistoryFile.h"
#include "removal/RemovalRecord.h"
#include "removal/Trashes.h"

#include <cstddef>
#include <filesystem>
#include <vector>

namespace tarnwick {

// The removal history as everyone uses it. Whoever opens it first completes the records of removals
// that were interrupted (a removal writes its record before it moves anything): the items found in the
// Trash as the removal planned them count as moved, the rest are dropped. A record stays as it is while
// its removal, its restore or the administrator helper working for it still runs.
class HistoryService {
public:
    // The most records the history keeps; older ones are dropped (their items stay in the Trash).
    static constexpr std::size_t limit = 30;

    struct Listing {
        std::vector<RemovalRecord> records;           // newest first
        HistoryFile::Outcome upkeep;                  // what opening the history kept aside, or why it failed
        std::vector<std::filesystem::path> keptAside; // every file of unreadable history kept so far
    };

    HistoryService(std::filesystem::path location, Trashes& trashes);

    const std::filesystem::path& location() const { return file_.location(); }
    std::filesystem::path folder() const { return file_.location().parent_path(); }

    Listing open();
    void forget(const Uuid& id);
    // Forgets every record; what they moved stays in the Trash.
    HistoryFile::Outcome clear();
    // Forgets every record with nothing left to restore.
    void clearUnavailable();

    // Whether anything the record moved is still in the Trash as the removal left it.
    bool isRestorable(const RemovalRecord& record) const;
    // Whether the item of `pair` is in its place in the Trash, and is what the removal put there.
    static bool isInTrash(const TrashPair& pair);
    // Whether the item of `pair` is back at its former place: the very object the Trash held, where the
    // record knows it.
    static bool isPutBack(const TrashPair& pair);

    // The removal's side: a new record goes to the head (the newest `limit` are kept); a changed one
    // takes its own place, or the head when it is gone. A finished record without items leaves the
    // history.
    HistoryFile::Outcome add(const RemovalRecord& record);
    HistoryFile::Outcome replace(const RemovalRecord& record);

    // The restore's side: marked before the first item comes back, settled once it is done. A restore
    // that was interrupted is settled by whoever opens the history next.
    void markRestoring(const Uuid& id);
    void settleRestore(const Uuid& id);

private:
    // Every change first completes what interrupted removals left.
    HistoryFile::Outcome update(const HistoryFile::Change& change);
    bool completeInterrupted(std::vector<RemovalRecord>& records);
    void complete(RemovalRecord& record);
    // Restored once nothing of it is in the Trash and something of it is back; else as before.
    static void settle(RemovalRecord& record);

    HistoryFile file_;
    Trashes& trashes_;
};

} // namespace tarnwick
