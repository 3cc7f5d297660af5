#pragma once

#include "residuals/ResidualItem.h"
#include "store/ListChange.h"

#include <QAbstractItemModel>
#include <QIcon>
#include <QList>
#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace tarnwick {

class CleanerStore;
class FindingsState;
class IconCache;

// What the details of a finding show beyond the finding itself, once read from the disk.
struct FindingDetails {
    struct Child {
        QString name;
        bool isDirectory = false;
        QString sizeText;
        QIcon icon;
    };

    bool isRead = false; // false while the facts are on their way
    bool isDirectory = false;
    QList<Child> children; // a folder's first children, in the order a file browser shows them
    qint64 hiddenCount = 0;
    QString modified; // empty when the date cannot be read
};

// The findings of the selected application as a tree: one section per category that has findings, in the
// categories' order, holding the findings; under each finding one row with its details; then the
// information sections of what the application's bundle declares. It keeps its own copy of the findings and
// follows the store's changes as inserted, removed and changed rows; facts that take the disk to learn come
// from the details updater and the icon cache, so that `data()` never reads it.
class FindingsModel : public QAbstractItemModel {
    Q_OBJECT

public:
    enum class RowKind { category, finding, details, information, metadata };
    enum Role {
        kindRole = Qt::UserRole + 1,
        categoryRole,        // int position of the category
        categoryNameRole,    // the category's name
        summaryRole,         // "3 items  •  12 KB" of a category
        pathRole,            // a finding's full path
        confidenceRole,      // int raw value of a finding's confidence
        confidenceTitleRole, // "Exact match"
        reasonRole,
        explanationRole, // what the confidence means
        sizeTextRole,
        bytesRole,          // qint64
        symbolRole,         // the symbol name of a section
        detailRole,         // a metadata row's detail, empty when none
        informationKeyRole, // "dock" or "documents"
        itemIdRole,
        detailsRole, // FindingDetails of a details row
    };

    // The sides, in points, of the icons the rows draw.
    static constexpr int findingIconSide = 34;
    static constexpr int childIconSide = 20;
    static constexpr int metadataIconSide = 30;

    // Over the store's single selection, or over `findings`, one of several applications' findings.
    FindingsModel(CleanerStore& store, IconCache& icons, QObject* parent = nullptr);
    FindingsModel(CleanerStore& store, const FindingsState& findings, IconCache& icons,
                  QObject* parent = nullptr);

    const FindingsState& findings() const { return findings_; }
    ~FindingsModel() override;

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    static RowKind kindOf(const QModelIndex& index);
    // The finding of a finding row or of its details row.
    const ResidualItem* item(const QModelIndex& index) const;
    // Starts reading what the details of a finding (or its details row) show.
    void requestDetails(const QModelIndex& index);

    // "1 item" or "n items", two spaces, a bullet, two spaces and the size.
    static QString summaryText(int count, std::int64_t bytes);

private:
    struct Node;

    Node* nodeOf(const QModelIndex& index) const;
    QModelIndex indexOf(const Node* node) const;
    std::vector<std::unique_ptr<Node>>& siblingsOf(Node* parent);
    QVariant sectionData(const Node& node, int role) const;
    QVariant findingData(const Node& node, int role) const;
    QVariant detailsData(const Node& node, int role) const;
    QVariant informationData(const Node& node, int role) const;

    void follow(const ListChange& change);
    void rebuild();
    void requestFileIcons();
    void addInformationSections(std::vector<std::unique_ptr<Node>>& sections) const;
    void showInformation(const QString& appID);
    void removeFindings(int first, int last);
    void takeChanges(int first, int last, ListChange::Field field);
    void showChoices(int first, int last);
    void showFacts(const QString& path);
    void showFileIcons();
    void showApplicationIcon(const QString& bundle);
    void showDocumentTypeIcons();
    void repaintChildren(const Node* section, int role);
    void renumber(std::vector<std::unique_ptr<Node>>& nodes, std::size_t from);

    CleanerStore& store_;
    const FindingsState& findings_;
    IconCache& icons_;
    std::vector<std::unique_ptr<Node>> sections_;
    // The findings in the store's order, and by path (viewed in the finding's own record, which outlives
    // its entry).
    std::vector<Node*> findingAt_;
    std::unordered_map<std::string_view, Node*> findingByPath_;
    // The findings whose details are read, which draw their children's icons.
    std::set<const Node*> detailed_;
};

} // namespace tarnwick

Q_DECLARE_METATYPE(tarnwick::FindingDetails)
