#include "store/BatchState.h"

#include <algorithm>

namespace tarnwick {

FindingsState* BatchState::sectionOf(const std::string& appID) const {
    const auto found = std::find_if(sections_.begin(), sections_.end(),
                                    [&](const auto& section) { return section->isSelected(appID); });
    return found == sections_.end() ? nullptr : found->get();
}

int BatchState::rowOf(const FindingsState& section) const {
    const auto found = std::find_if(sections_.begin(), sections_.end(),
                                    [&](const auto& each) { return each.get() == &section; });
    return found == sections_.end() ? -1 : static_cast<int>(found - sections_.begin());
}

std::vector<InstalledApp> BatchState::apps() const {
    std::vector<InstalledApp> apps;
    for (const auto& section : sections_) {
        apps.push_back(*section->selectedApp());
    }
    return apps;
}

bool BatchState::isScanning() const {
    return std::any_of(sections_.begin(), sections_.end(),
                       [](const auto& section) { return section->isScanning(); });
}

std::size_t BatchState::chosenCount() const {
    std::size_t count = 0;
    for (const auto& section : sections_) {
        count += section->chosenCount();
    }
    return count;
}

std::int64_t BatchState::chosenBytes() const {
    std::int64_t bytes = 0;
    for (const auto& section : sections_) {
        bytes = addedSize(bytes, section->chosenBytes());
    }
    return bytes;
}

void BatchState::show(const std::vector<InstalledApp>& apps) {
    if (sections_.empty() && apps.empty()) {
        return;
    }
    // The old sections go only after the views have let go of them.
    std::vector<std::unique_ptr<FindingsState>> old = std::move(sections_);
    sections_.clear();
    for (const InstalledApp& app : apps) {
        auto section = std::make_unique<FindingsState>();
        section->show(app, false);
        section->setScanning(true);
        FindingsState* published = section.get();
        const auto changed = [this, published] {
            if (const int row = rowOf(*published); row >= 0) {
                emit sectionChanged(row);
            }
        };
        connect(published, &FindingsState::itemsChanged, this, changed);
        connect(published, &FindingsState::scanningChanged, this, changed);
        sections_.push_back(std::move(section));
    }
    emit sectionsChanged(ListChange::all());
}

void BatchState::remove(const std::string& appID) {
    FindingsState* section = sectionOf(appID);
    if (section == nullptr) {
        return;
    }
    const int row = rowOf(*section);
    // Kept alive until the views have dropped the row.
    std::unique_ptr<FindingsState> gone = std::move(sections_[static_cast<std::size_t>(row)]);
    sections_.erase(sections_.begin() + row);
    emit sectionsChanged(ListChange::removedRows(row, row));
}

} // namespace tarnwick
