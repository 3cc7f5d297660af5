#pragma once

#include "catalogue/InstalledApp.h"
#include "removal/RemovalRecord.h"

#include <QObject>
#include <filesystem>
#include <optional>
#include <unordered_map>
#include <vector>

namespace tarnwick {

// The removal awaiting confirmation, whether a removal or a restore is running, the removal history as last
// read, which of its records can still be restored, and whether the history panel is shown.
class RemovalState : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

    const std::optional<InstalledApp>& candidate() const { return candidate_; }
    bool isRemoving() const { return isRemoving_; }
    bool isRestoring() const { return restoring_.has_value(); }
    // The record whose restore runs, for its row to show it.
    const std::optional<Uuid>& restoringRecord() const { return restoring_; }
    // While a removal or a restore runs, no other starts.
    bool isBusy() const { return isRemoving() || isRestoring(); }
    const std::vector<RemovalRecord>& history() const { return history_; }
    // The files of unreadable history kept aside, as the history was last opened: shown until dealt with.
    const std::vector<std::filesystem::path>& keptAside() const { return keptAside_; }
    bool isShown() const { return isShown_; }
    // The last removal made here, while Undo may put it back.
    const std::optional<RemovalRecord>& undoable() const { return undoable_; }

    // Whether anything of `record` is still in the Trash, as last looked at; a record not looked at yet
    // counts as restorable.
    bool isRestorable(const RemovalRecord& record) const;
    bool hasUnavailable() const;

    void setCandidate(std::optional<InstalledApp> app);
    void setRemoving(bool removing);
    void setRestoring(std::optional<Uuid> record);
    void setHistory(std::vector<RemovalRecord> records);
    void setKeptAside(std::vector<std::filesystem::path> files);
    void setRestorability(std::unordered_map<Uuid, bool> restorable);
    void setShown(bool shown);
    void setUndoable(std::optional<RemovalRecord> record);

signals:
    void candidateChanged();
    // A removal or a restore started or ended.
    void busyChanged();
    void historyChanged();
    void keptAsideChanged();
    void restorabilityChanged();
    void shownChanged();
    void undoableChanged();

private:
    std::optional<InstalledApp> candidate_;
    bool isRemoving_ = false;
    std::optional<Uuid> restoring_;
    std::vector<RemovalRecord> history_;
    std::vector<std::filesystem::path> keptAside_;
    std::unordered_map<Uuid, bool> restorable_;
    bool isShown_ = false;
    std::optional<RemovalRecord> undoable_;
};

} // namespace tarnwick
