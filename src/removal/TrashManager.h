#pragma once

#include "catalogue/InstalledApp.h"
#include "platform/Platform.h"
#include "removal/AdminRunner.h"
#include "removal/HistoryFile.h"
#include "removal/RemovalRecord.h"
#include "removal/Trash.h"
#include "residuals/ResidualItem.h"

#include <filesystem>
#include <memory>
#include <vector>

namespace tarnwick {

// Moves applications and their leftovers to the Trash, remembers every removal in the history file and
// puts removed items back. Nothing is ever deleted: an item lands in the Trash or stays where it was,
// and a restore never replaces anything.
class TrashManager {
public:
    // The most records the history keeps; older ones are dropped (their items stay in the Trash).
    static constexpr std::size_t historyLimit = 30;

    // The Trash and administrator service of this system: the macOS Trash with the macOS layout (on a Mac
    // and whenever a root is set), the freedesktop Trash otherwise.
    explicit TrashManager(const Platform& platform);
    TrashManager(const Platform& platform, std::unique_ptr<Trash> trash, std::unique_ptr<AdminRunner> admin);

    const std::filesystem::path& historyURL() const { return history_.location(); }

    // The refusals that come before anything moves: nothing selected, a system application, an item
    // under /System/, an unsafe path. Throws TrashError.
    void checkRemoval(const InstalledApp& app, const std::vector<ResidualItem>& items) const;

    // Moves exactly the given items (the bundle only when it is one of them), deepest first, and records
    // what moved. Items the user may not move go through one administrator command. Throws TrashError:
    // a refusal before anything moved, or `partial` with one line per failure after the rest moved.
    RemovalRecord remove(const InstalledApp& app, const std::vector<ResidualItem>& items);

    // Puts the record's items back, folders before what was taken out of them, never over anything.
    // Throws TrashError::partial with one line per item that stayed in the Trash.
    void restore(const RemovalRecord& record);

    std::vector<RemovalRecord> history() const;
    void clearHistory();
    void removeRecord(const Uuid& id);
    // Whether anything of the record is still in the Trash.
    bool isRestorable(const RemovalRecord& record) const;
    // Forgets every record that has nothing left in the Trash.
    void clearUnavailable();

private:
    struct AdministratorMove {
        std::vector<TrashPair> moved;
        std::vector<std::string> failureLines; // empty, or the one line of a failed fallback
    };

    AdministratorMove moveWithAdministratorPrivileges(const std::vector<std::filesystem::path>& items,
                                                      const std::string& appName);
    // Whether the history now holds the record.
    bool appendHistory(const RemovalRecord& record);
    bool replaceInHistory(const RemovalRecord& record);
    // Where Tarnwick keeps its own things: the history folder and the Trash. Never removed.
    std::vector<std::filesystem::path> ownFolders() const;
    // The Trash and the folder the administrator command moves into: what a restore may take from.
    std::vector<std::filesystem::path> trashFolders() const;
    std::filesystem::path administratorTrash() const;
    bool isInTrash(const std::filesystem::path& location) const;
    // A batch folder of the administrator command goes once everything in it is back.
    void removeEmptyBatchFolder(const std::filesystem::path& folder) const;

    Platform platform_;
    std::unique_ptr<Trash> trash_;
    std::unique_ptr<AdminRunner> admin_;
    HistoryFile history_;
};

} // namespace tarnwick
