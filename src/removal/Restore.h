#pragma once

#include "platform/FolderCache.h"
#include "platform/PathResolver.h"
#include "removal/HistoryService.h"
#include "removal/RemovalRecord.h"
#include "removal/RestoreOutcome.h"
#include "removal/Trashes.h"

namespace tarnwick {

// Puts the items of one removal back where they were: only from the Trash, only what the removal put
// there (a later item that took the same name stays), through no link on the Trash side, and never
// over anything.
class Restore {
public:
    Restore(Trashes& trashes, HistoryService& history);

    // Folders come back before what was taken out of them. Once nothing of the record is left in the
    // Trash, it is marked restored.
    RestoreOutcome run(const RemovalRecord& record);

private:
    // Puts one item back; false when nothing of it was in the Trash. Throws the failure line.
    bool putBack(const TrashPair& pair, FolderCache& folders, PathResolver& resolver);

    Trashes& trashes_;
    HistoryService& history_;
};

} // namespace tarnwick
