#include "store/FindingsState.h"

#include "platform/Text.h"

#include <algorithm>
#include <iterator>

namespace tarnwick {

namespace {

std::vector<bool> choices(const std::vector<ResidualItem>& items) {
    std::vector<bool> chosen;
    chosen.reserve(items.size());
    for (const ResidualItem& item : items) {
        chosen.push_back(item.selected);
    }
    return chosen;
}

} // namespace

bool FindingsState::isShown(const ResidualItem& item) const {
    return fileSearch_.empty() || categoryFound_[position(item.category)] ||
           Text::localizedCaseInsensitiveContains(item.url.native(), fileSearch_);
}

std::vector<ResidualItem> FindingsState::shownItems() const {
    std::vector<ResidualItem> shown;
    std::copy_if(items_.begin(), items_.end(), std::back_inserter(shown),
                 [this](const ResidualItem& item) { return isShown(item); });
    return shown;
}

std::vector<ResidualItem> FindingsState::chosenItems() const {
    std::vector<ResidualItem> chosen;
    std::copy_if(items_.begin(), items_.end(), std::back_inserter(chosen),
                 [](const ResidualItem& item) { return item.selected; });
    return chosen;
}

std::size_t FindingsState::chosenCount() const {
    return static_cast<std::size_t>(
        std::count_if(items_.begin(), items_.end(), [](const ResidualItem& item) { return item.selected; }));
}

std::int64_t FindingsState::chosenBytes() const {
    std::int64_t bytes = 0;
    for (const ResidualItem& item : items_) {
        if (item.selected) {
            bytes = addedSize(bytes, item.size);
        }
    }
    return bytes;
}

void FindingsState::show(std::optional<InstalledApp> app, bool leftovers) {
    selectedApp_ = std::move(app);
    isLeftoversMode_ = leftovers;
    emit selectionChanged();
    setFindings({});
    setFileSearch({});
}

void FindingsState::setFindings(std::vector<ResidualItem> items) {
    items_ = std::move(items);
    emit itemsChanged(ListChange::all());
}

void FindingsState::setScanning(bool scanning) {
    isScanning_ = scanning;
    emit scanningChanged();
}

void FindingsState::setProgress(const ScanProgress& progress) {
    progress_ = progress;
    emit progressChanged();
}

void FindingsState::setFileSearch(std::string text) {
    fileSearch_ = std::move(text);
    for (const ResidualCategory category : allResidualCategories()) {
        categoryFound_[position(category)] =
            Text::localizedCaseInsensitiveContains(rawValue(category), fileSearch_);
    }
    emit fileSearchChanged();
}

void FindingsState::toggle(const std::string& itemID) {
    const auto found = std::find_if(items_.begin(), items_.end(),
                                    [&](const ResidualItem& item) { return item.id() == itemID; });
    if (found == items_.end()) {
        return;
    }
    found->selected = !found->selected;
    const int row = static_cast<int>(found - items_.begin());
    emit itemsChanged(ListChange::changedRows(row, row, ListChange::Field::choice));
}

void FindingsState::apply(ItemChoice::Command command) {
    const std::vector<bool> before = choices(items_);
    for (ResidualItem& item : items_) {
        item.selected = ItemChoice::chosenAfter(command, item);
    }
    publishChoices(before);
}

void FindingsState::setChoice(bool chosen, const std::set<std::string>& itemIDs) {
    const std::vector<bool> before = choices(items_);
    for (ResidualItem& item : items_) {
        if (itemIDs.contains(item.id())) {
            item.selected = chosen;
        }
    }
    publishChoices(before);
}

void FindingsState::toggleSection(const std::set<std::string>& itemIDs) {
    const auto chosen = std::count_if(items_.begin(), items_.end(), [&](const ResidualItem& item) {
        return item.selected && itemIDs.contains(item.id());
    });
    const auto shown = std::count_if(items_.begin(), items_.end(),
                                     [&](const ResidualItem& item) { return itemIDs.contains(item.id()); });
    setChoice(
        ItemChoice::sectionCheckboxChooses(static_cast<std::size_t>(shown), static_cast<std::size_t>(chosen)),
        itemIDs);
}

void FindingsState::remove(const std::set<std::string>& itemIDs) {
    // From the end, so that the rows of each range are those of the list as it then is.
    for (int last = static_cast<int>(items_.size()) - 1; last >= 0;) {
        if (!itemIDs.contains(items_[static_cast<std::size_t>(last)].id())) {
            --last;
            continue;
        }
        int first = last;
        while (first > 0 && itemIDs.contains(items_[static_cast<std::size_t>(first - 1)].id())) {
            --first;
        }
        items_.erase(items_.begin() + first, items_.begin() + last + 1);
        emit itemsChanged(ListChange::removedRows(first, last));
        last = first - 1;
    }
}

void FindingsState::publishChoices(const std::vector<bool>& before) {
    // One range from the first change to the last: rows between them that kept their choice repaint the same.
    int first = -1;
    int last = -1;
    for (std::size_t row = 0; row < items_.size(); ++row) {
        if (items_[row].selected != before[row]) {
            first = first < 0 ? static_cast<int>(row) : first;
            last = static_cast<int>(row);
        }
    }
    if (first >= 0) {
        emit itemsChanged(ListChange::changedRows(first, last, ListChange::Field::choice));
    }
}

} // namespace tarnwick
