#pragma once

#include "catalogue/InstalledApp.h"
#include "removal/RemovalRecord.h"
#include "session/RemovalWorkflow.h"

#include <QObject>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace tarnwick {

// A removal the user is asked about: what each application would lose, and what runs from each of them.
struct RemovalCandidate {
    std::vector<RemovalRequest> requests;
    std::vector<std::vector<RunningProcess>> running; // one list per request
    std::vector<LaunchJob> launchJobs;                // stopped before their lists move

    // The processes by the names the user knows, each once.
    std::vector<std::string> runningNames() const;
    bool isRunning() const { return !runningNames().empty(); }
    std::size_t itemCount() const;
    std::int64_t bytes() const;
    bool isSeveral() const { return requests.size() > 1; }
};

// The removal awaiting confirmation, whether a removal or a restore is running, the removal history as last
// read, which of its records can still be restored, and whether the history panel is shown.
class RemovalState : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

    const std::optional<RemovalCandidate>& candidate() const { return candidate_; }
    // What did not quit when asked, while the user is asked whether to force it: nothing moves until then.
    const std::optional<RemovalCandidate>& forceQuitCandidate() const { return forceQuitCandidate_; }
    // The processes given time to quit before the removal, while they are; empty otherwise.
    const std::vector<std::string>& waitingFor() const { return waitingFor_; }
    // From the confirmation to the end of the move, the quitting of what runs and its question included.
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
    // The records of the last removal made here (one per application), while Undo may put them back.
    const std::vector<RemovalRecord>& undoable() const { return undoable_; }
    bool canUndo() const { return !undoable_.empty(); }

    // Whether anything of `record` is still in the Trash, as last looked at; a record not looked at yet
    // counts as restorable.
    bool isRestorable(const RemovalRecord& record) const;
    bool hasUnavailable() const;

    void setCandidate(std::optional<RemovalCandidate> candidate);
    void setForceQuitCandidate(std::optional<RemovalCandidate> candidate);
    void setWaitingFor(std::vector<std::string> processNames);
    void setRemoving(bool removing);
    void setRestoring(std::optional<Uuid> record);
    void setHistory(std::vector<RemovalRecord> records);
    void setKeptAside(std::vector<std::filesystem::path> files);
    void setRestorability(std::unordered_map<Uuid, bool> restorable);
    void setShown(bool shown);
    void setUndoable(std::vector<RemovalRecord> records);
    // Takes out of what Undo puts back every record `gone` answers true for.
    void dropUndoable(const std::function<bool(const RemovalRecord&)>& gone);

signals:
    void candidateChanged();
    void forceQuitCandidateChanged();
    void waitingForChanged();
    // A removal or a restore started or ended.
    void busyChanged();
    void historyChanged();
    void keptAsideChanged();
    void restorabilityChanged();
    void shownChanged();
    void undoableChanged();

private:
    std::optional<RemovalCandidate> candidate_;
    std::optional<RemovalCandidate> forceQuitCandidate_;
    std::vector<std::string> waitingFor_;
    bool isRemoving_ = false;
    std::optional<Uuid> restoring_;
    std::vector<RemovalRecord> history_;
    std::vector<std::filesystem::path> keptAside_;
    std::unordered_map<Uuid, bool> restorable_;
    bool isShown_ = false;
    std::vector<RemovalRecord> undoable_;
};

} // namespace tarnwick
