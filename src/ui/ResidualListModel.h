#pragma once

#include "catalogue/ApplicationMetadata.h"
#include "catalogue/FolderContentItem.h"
#include "residuals/ResidualItem.h"
#include "store/CleanerStore.h"

#include <QAbstractListModel>
#include <QDateTime>
#include <QIcon>
#include <array>
#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

namespace tarnwick {

// The detail pane's list as rows: a header per category with shown findings, the findings of each open
// section, then the application's information sections. It reads the store's findings through the store's
// own filter and follows `residualsChanged`, so that a changed selection repaints only its rows and headers.
// The rows' expanded state and folder listings are kept by finding, so a filter change keeps them.
class ResidualListModel : public QAbstractListModel {
    Q_OBJECT

public:
    enum class RowKind { categoryHeader, residual, informationHeader, metadata };
    enum class SectionSelection { none, some, all };

    // What an expanded finding shows. Read off the main thread, once per row.
    struct Expansion {
        bool expanded = false;
        bool loading = false;
        bool loaded = false; // facts (and for a folder its listing) have arrived
        bool isDirectory = false;
        std::optional<QDateTime> modified;
        FolderListing listing;
    };

    struct CategorySummary {
        int shown = 0;
        int selected = 0;
        std::int64_t bytes = 0;
    };

    enum Role {
        kindRole = Qt::UserRole + 1,
        categoryRole,       // int position of the category (headers and findings)
        selectionRole,      // SectionSelection of a category header, bool of a finding
        collapsedRole,      // headers
        summaryRole,        // "3 items  •  12 KB" of a category header
        pathRole,           // a finding's full path
        confidenceRole,     // int raw value of a finding's confidence
        reasonRole,         // a finding's reason
        sizeTextRole,       // a finding's size as text
        expandedRole,       // bool
        symbolRole,         // the symbol name of a header (QString)
        detailRole,         // a metadata row's detail, empty when none
        informationKeyRole, // "dock" or "documents"
        extensionRole,      // a document type's first extension, for its icon
    };

    explicit ResidualListModel(CleanerStore& store, QObject* parent = nullptr);
    ~ResidualListModel() override;

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    RowKind kind(int row) const;
    // The finding of a residual row; null for other rows.
    const ResidualItem* item(int row) const;
    const Expansion* expansion(int row) const;
    CategorySummary summary(ResidualCategory category) const;
    SectionSelection sectionSelection(ResidualCategory category) const;
    // The row of a category's header, or of a finding by id; -1 when it is not shown.
    int headerRow(ResidualCategory category) const;
    int rowOf(const std::string& itemID) const;
    int informationHeaderRow(const QString& key) const;
    const ApplicationMetadata& metadata() const { return metadata_; }

    // The user's actions on rows.
    void toggleItem(int row);
    // Deselects the section's shown findings when all of them are selected, else selects all of them.
    void toggleSectionSelection(ResidualCategory category);
    void toggleCollapsed(ResidualCategory category);
    void toggleInformationSection(const QString& key);
    void toggleExpanded(int row);

    // Collapsed sections, kept across applications.
    const std::set<ResidualCategory>& collapsedCategories() const { return collapsedCategories_; }
    const std::set<QString>& collapsedInformationSections() const { return collapsedInformation_; }

    // The file icon of a finding or listed child, looked up once.
    QIcon fileIcon(const std::filesystem::path& location) const;
    QIcon applicationIcon() const;

    // "1 item" or "n items", two spaces, a bullet, two spaces and the size.
    static QString summaryText(int count, std::int64_t bytes);

signals:
    // A row's height changes without its data changing for the view (expansion, listing arrived).
    void rowHeightChanged(int row);

private:
    struct Row {
        RowKind kind;
        ResidualCategory category = ResidualCategory::other;
        int index =
            -1;      // the store's index of a finding, the document type of a metadata row (-1: the Dock row)
        QString key; // information sections
    };

    void rebuild();
    void followChange(ListChange change);
    void refreshMetadata();
    void recount(ResidualCategory category);
    void startLoading(const std::string& itemID, const std::filesystem::path& location);
    void applyLoaded(std::uint64_t generation, const std::string& itemID, Expansion facts);

    CleanerStore& store_;
    std::vector<Row> rows_;
    // The ids the rows were built from, one per finding of the store, to tell an in-place change from a
    // new list.
    std::vector<std::string> ids_;
    std::vector<int> rowOfIndex_; // -1: not shown, or in a collapsed section
    std::array<std::vector<int>, residualCategoryCount> shownIndexes_;
    std::array<CategorySummary, residualCategoryCount> summaries_;
    std::unordered_map<std::string, Expansion> expansions_;
    std::uint64_t generation_ = 0; // a new scan drops the listings that were on their way
    std::set<ResidualCategory> collapsedCategories_;
    std::set<QString> collapsedInformation_;
    std::string metadataFor_;
    ApplicationMetadata metadata_;
    mutable QIcon applicationIcon_;
    mutable std::unordered_map<std::string, QIcon> icons_;
};

} // namespace tarnwick
