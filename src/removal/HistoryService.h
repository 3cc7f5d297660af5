#pragma once

#include "removal/HistoryFile.h"
#include "removal/RemovalRecord.h"
#include "removal/Trashes.h"

#include <cstddef>
#include <filesystem>
#include <functional>
#include <optional>
#include <string_view>
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
    HistoryService(std::filesystem::path location, Trashes& trashes, HistoryFile::Limits limits);

    const std::filesystem::path& location() const { return file_.location(); }
    std::filesystem::path folder() const { return file_.location().parent_path(); }

    // Every record, with the journal folded into the file: what a user looks at.
    Listing open();
    // One record, or those whose identifier begins with `prefix` in any letter case, without reading the
    // others.
    std::optional<RemovalRecord> find(const Uuid& id);
    std::vector<RemovalRecord> startingWith(std::string_view prefix);
    // Every readable record, without writing anything.
    std::vector<RemovalRecord> records();

    HistoryFile::Outcome forget(const Uuid& id);
    // Forgets every record; what they moved stays in the Trash.
    HistoryFile::Outcome clear();
    // Forgets every record with nothing left to restore.
    HistoryFile::Outcome clearUnavailable();

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
    // Completes what interrupted removals and restores left, before anything else is done.
    HistoryFile::Outcome completeInterrupted(HistoryFile::Transaction& transaction);
    // The same for a reader: when the completion cannot be written, the history is read as it stands.
    void completeWherePossible(HistoryFile::Transaction& transaction);
    // Whether the record was left unsettled by work that no longer runs; completes it then.
    bool completeIfInterrupted(RemovalRecord& record);
    void complete(RemovalRecord& record);
    // Restored once nothing of it is in the Trash and something of it is back; else as before.
    static void settle(RemovalRecord& record);
    // The step that puts the record as it now stands; a finished record without items is forgotten.
    static HistoryFile::Step stepFor(const RemovalRecord& record);
    // Appends the step; a settled record folds a journal grown long.
    HistoryFile::Outcome
    take(const std::function<std::optional<HistoryFile::Step>(HistoryFile::Transaction&)>& step);
    // What every fold does: completes, drops what leaves the history, keeps the newest `limit`.
    HistoryFile::Fold upkeep(std::size_t& kept, std::vector<RemovalRecord>* listed = nullptr);

    HistoryFile file_;
    Trashes& trashes_;
};

} // namespace tarnwick
