#include "store/RemovalState.h"

#include <algorithm>

namespace tarnwick {

std::vector<std::string> RemovalCandidate::runningNames() const {
    std::vector<RunningProcess> all;
    for (const auto& each : running) {
        all.insert(all.end(), each.begin(), each.end());
    }
    return RemovalWorkflow::processNames(all);
}

std::size_t RemovalCandidate::itemCount() const {
    std::size_t count = 0;
    for (const RemovalRequest& request : requests) {
        count += request.items.size();
    }
    return count;
}

std::int64_t RemovalCandidate::bytes() const {
    std::int64_t total = 0;
    for (const RemovalRequest& request : requests) {
        total = addedSize(total, totalSize(request.items));
    }
    return total;
}

bool RemovalState::isRestorable(const RemovalRecord& record) const {
    if (record.state == RemovalRecord::State::restored) {
        return false;
    }
    const auto known = restorable_.find(record.id);
    return known == restorable_.end() || known->second;
}

bool RemovalState::hasUnavailable() const {
    return std::any_of(history_.begin(), history_.end(),
                       [this](const RemovalRecord& record) { return !isRestorable(record); });
}

void RemovalState::setCandidate(std::optional<RemovalCandidate> candidate) {
    candidate_ = std::move(candidate);
    emit candidateChanged();
}

void RemovalState::setForceQuitCandidate(std::optional<RemovalCandidate> candidate) {
    forceQuitCandidate_ = std::move(candidate);
    emit forceQuitCandidateChanged();
}

void RemovalState::setWaitingFor(std::vector<std::string> processNames) {
    waitingFor_ = std::move(processNames);
    emit waitingForChanged();
}

void RemovalState::setRemoving(bool removing) {
    isRemoving_ = removing;
    emit busyChanged();
}

void RemovalState::setRestoring(std::optional<Uuid> record) {
    restoring_ = std::move(record);
    emit busyChanged();
}

void RemovalState::setHistory(std::vector<RemovalRecord> records) {
    history_ = std::move(records);
    emit historyChanged();
}

void RemovalState::setKeptAside(std::vector<std::filesystem::path> files) {
    keptAside_ = std::move(files);
    emit keptAsideChanged();
}

void RemovalState::setRestorability(std::unordered_map<Uuid, bool> restorable) {
    restorable_ = std::move(restorable);
    emit restorabilityChanged();
}

void RemovalState::setUndoable(std::vector<RemovalRecord> records) {
    undoable_ = std::move(records);
    emit undoableChanged();
}

void RemovalState::dropUndoable(const std::function<bool(const RemovalRecord&)>& gone) {
    if (std::erase_if(undoable_, gone) > 0) {
        emit undoableChanged();
    }
}

void RemovalState::setShown(bool shown) {
    isShown_ = shown;
    emit shownChanged();
}

} // namespace tarnwick
