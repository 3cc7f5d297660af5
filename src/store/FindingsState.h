#pragma once

#include "catalogue/InstalledApp.h"
#include "platform/ScanControl.h"
#include "residuals/ResidualItem.h"
#include "session/ItemChoice.h"
#include "store/ListChange.h"

#include <QObject>
#include <array>
#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace tarnwick {

// The application shown in the detail pane (or the Leftovers), what its scan found, which findings are
// chosen, the file search and the scan's progress. Changes of the findings are published as the rows they
// touched; a new scan's result is a new list.
class FindingsState : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

    const std::optional<InstalledApp>& selectedApp() const { return selectedApp_; }
    bool isLeftoversMode() const { return isLeftoversMode_; }
    const std::vector<ResidualItem>& items() const { return items_; }
    const std::string& fileSearch() const { return fileSearch_; }
    bool isScanning() const { return isScanning_; }
    // How far the current scan has got; zero when none runs.
    const ScanProgress& progress() const { return progress_; }

    // Whether the file search shows `item`: its path or its category's name contains the text.
    bool isShown(const ResidualItem& item) const;
    std::vector<ResidualItem> shownItems() const;
    // Chosen findings count whether or not the file search shows them.
    std::vector<ResidualItem> chosenItems() const;
    std::size_t chosenCount() const;
    std::int64_t chosenBytes() const;
    bool isSelected(const std::string& appID) const { return selectedApp_ && selectedApp_->id() == appID; }

    // A new selection (none, an application, or the Leftovers): no findings and no search yet.
    void show(std::optional<InstalledApp> app, bool leftovers);
    void setFindings(std::vector<ResidualItem> items);
    void setScanning(bool scanning);
    void setProgress(const ScanProgress& progress);
    void setFileSearch(std::string text);

    void toggle(const std::string& itemID);
    void apply(ItemChoice::Command command);
    void setChoice(bool chosen, const std::set<std::string>& itemIDs);
    // A section's checkbox over the findings `itemIDs` it shows.
    void toggleSection(const std::set<std::string>& itemIDs);
    // Takes the findings that went to the Trash out of the list.
    void remove(const std::set<std::string>& itemIDs);

signals:
    // The selected application and the Leftovers mode, which change together.
    void selectionChanged();
    void itemsChanged(tarnwick::ListChange change);
    void fileSearchChanged();
    void scanningChanged();
    void progressChanged();

private:
    // Publishes the rows whose choice differs from `before`.
    void publishChoices(const std::vector<bool>& before);

    std::optional<InstalledApp> selectedApp_;
    bool isLeftoversMode_ = false;
    std::vector<ResidualItem> items_;
    std::string fileSearch_;
    // Whether the search is in each category's name: the same for all of a category's findings.
    std::array<bool, residualCategoryCount> categoryFound_{};
    bool isScanning_ = false;
    ScanProgress progress_;
};

} // namespace tarnwick
