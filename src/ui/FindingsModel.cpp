#include "ui/FindingsModel.h"

#include "catalogue/ByteFormat.h"
#include "store/CleanerStore.h"
#include "ui/IconCache.h"

#include <QLocale>
#include <algorithm>
#include <array>
#include <map>

namespace tarnwick {

namespace fs = std::filesystem;

namespace {

QString qText(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

const QString dockKey = QStringLiteral("dock");
const QString documentsKey = QStringLiteral("documents");

// The abbreviated date and short time of the user's locale ("Dec 6, 2026, 20:36" in English).
QString modifiedText(const QDateTime& modified) {
    const QLocale locale;
    QString dateFormat = locale.dateFormat(QLocale::LongFormat);
    // The long form less the weekday and with the month's short name is the abbreviated style.
    dateFormat.remove(QStringLiteral("dddd, "))
        .remove(QStringLiteral("dddd "))
        .remove(QStringLiteral("dddd"));
    dateFormat.replace(QStringLiteral("MMMM"), QStringLiteral("MMM"));
    const QDateTime local = modified.toLocalTime();
    return locale.toString(local.date(), dateFormat.trimmed()) + QStringLiteral(", ") +
           locale.toString(local.time(), QLocale::ShortFormat);
}

Qt::CheckState checkState(std::size_t chosen, std::size_t count) {
    return chosen == 0 ? Qt::Unchecked : chosen == count ? Qt::Checked : Qt::PartiallyChecked;
}

} // namespace

struct FindingsModel::Node {
    RowKind kind = RowKind::category;
    Node* parent = nullptr;
    int row = 0;
    ResidualCategory category = ResidualCategory::other;
    ResidualItem item{};     // findings
    QString key{};           // information sections and their rows
    QString title{};         // information rows
    QString detail{};        // information rows
    std::string extension{}; // document types
    std::vector<std::unique_ptr<Node>> children{};
};

FindingsModel::FindingsModel(CleanerStore& store, IconCache& icons, QObject* parent)
    : FindingsModel(store, store.findings(), icons, parent) {}

FindingsModel::FindingsModel(CleanerStore& store, const FindingsState& findings, IconCache& icons,
                             QObject* parent)
    : QAbstractItemModel(parent)
    , store_(store)
    , findings_(findings)
    , icons_(icons) {
    connect(&findings_, &FindingsState::itemsChanged, this, &FindingsModel::follow);
    connect(&store_.details(), &DetailsUpdater::metadataArrived, this, &FindingsModel::showInformation);
    connect(&store_.details(), &DetailsUpdater::factsArrived, this, &FindingsModel::showFacts);
    connect(&icons_, &IconCache::filesArrived, this, &FindingsModel::showFileIcons);
    connect(&icons_, &IconCache::applicationArrived, this, &FindingsModel::showApplicationIcon);
    connect(&icons_, &IconCache::documentTypesArrived, this, &FindingsModel::showDocumentTypeIcons);
    rebuild();
}

FindingsModel::~FindingsModel() = default;

// --- Structure ------------------------------------------------------------------------------------------

FindingsModel::Node* FindingsModel::nodeOf(const QModelIndex& index) const {
    return index.isValid() ? static_cast<Node*>(index.internalPointer()) : nullptr;
}

QModelIndex FindingsModel::indexOf(const Node* node) const {
    return node == nullptr ? QModelIndex() : createIndex(node->row, 0, const_cast<Node*>(node));
}

std::vector<std::unique_ptr<FindingsModel::Node>>& FindingsModel::siblingsOf(Node* parent) {
    return parent == nullptr ? sections_ : parent->children;
}

QModelIndex FindingsModel::index(int row, int column, const QModelIndex& parent) const {
    if (column != 0 || row < 0 || row >= rowCount(parent)) {
        return {};
    }
    const Node* holder = nodeOf(parent);
    const auto& nodes = holder == nullptr ? sections_ : holder->children;
    return indexOf(nodes[static_cast<std::size_t>(row)].get());
}

QModelIndex FindingsModel::parent(const QModelIndex& child) const {
    const Node* node = nodeOf(child);
    return node == nullptr ? QModelIndex() : indexOf(node->parent);
}

int FindingsModel::rowCount(const QModelIndex& parent) const {
    if (parent.column() > 0) {
        return 0;
    }
    const Node* holder = nodeOf(parent);
    return static_cast<int>(holder == nullptr ? sections_.size() : holder->children.size());
}

int FindingsModel::columnCount(const QModelIndex&) const {
    return 1;
}

FindingsModel::RowKind FindingsModel::kindOf(const QModelIndex& index) {
    return static_cast<RowKind>(index.data(kindRole).toInt());
}

const ResidualItem* FindingsModel::item(const QModelIndex& index) const {
    const Node* node = nodeOf(index);
    if (node != nullptr && node->kind == RowKind::details) {
        node = node->parent;
    }
    return node != nullptr && node->kind == RowKind::finding ? &node->item : nullptr;
}

Qt::ItemFlags FindingsModel::flags(const QModelIndex& index) const {
    const Node* node = nodeOf(index);
    if (node == nullptr) {
        return Qt::NoItemFlags;
    }
    switch (node->kind) {
    case RowKind::category:
        return Qt::ItemIsEnabled | Qt::ItemIsUserCheckable | Qt::ItemIsAutoTristate;
    case RowKind::finding:
        return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable;
    case RowKind::details:
    case RowKind::metadata:
        return Qt::ItemIsEnabled | Qt::ItemNeverHasChildren;
    case RowKind::information:
        break;
    }
    return Qt::ItemIsEnabled;
}

QString FindingsModel::summaryText(int count, std::int64_t bytes) {
    return tr("%Ln item(s)  \u2022  %1", nullptr, count).arg(qText(ByteFormat::string(bytes)));
}

// --- Data -----------------------------------------------------------------------------------------------

QVariant FindingsModel::data(const QModelIndex& index, int role) const {
    // Asked for every row the tree lays out: the parent's rows are not counted again for each.
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::DoNotUseParent)) {
        return {};
    }
    const Node& node = *nodeOf(index);
    if (role == kindRole) {
        return static_cast<int>(node.kind);
    }
    switch (node.kind) {
    case RowKind::category:
        return sectionData(node, role);
    case RowKind::finding:
        return findingData(node, role);
    case RowKind::details:
        return detailsData(node, role);
    case RowKind::information:
    case RowKind::metadata:
        break;
    }
    return informationData(node, role);
}

QVariant FindingsModel::sectionData(const Node& node, int role) const {
    switch (role) {
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole:
    case categoryNameRole:
        return qText(rawValue(node.category));
    case categoryRole:
        return static_cast<int>(position(node.category));
    case symbolRole:
        return qText(symbol(node.category));
    case Qt::CheckStateRole: {
        const auto chosen = std::count_if(node.children.begin(), node.children.end(),
                                          [](const auto& child) { return child->item.selected; });
        return checkState(static_cast<std::size_t>(chosen), node.children.size());
    }
    case summaryRole: {
        std::int64_t bytes = 0;
        for (const auto& child : node.children) {
            bytes = addedSize(bytes, child->item.size);
        }
        return summaryText(static_cast<int>(node.children.size()), bytes);
    }
    default:
        return {};
    }
}

QVariant FindingsModel::findingData(const Node& node, int role) const {
    const ResidualItem& found = node.item;
    switch (role) {
    case Qt::DisplayRole:
        return QString::fromStdString(found.url.filename().string());
    case Qt::DecorationRole:
        return icons_.file(found.url, findingIconSide);
    case Qt::AccessibleTextRole:
        return QString::fromStdString(found.url.filename().string()) + QStringLiteral(", ") +
               qText(title(found.confidence)) + QStringLiteral(", ") +
               (found.selected ? tr("selected") : tr("not selected"));
    case Qt::CheckStateRole:
        return found.selected ? Qt::Checked : Qt::Unchecked;
    default:
        return detailsData(node, role);
    }
}

QVariant FindingsModel::detailsData(const Node& node, int role) const {
    const ResidualItem& found = node.kind == RowKind::details ? node.parent->item : node.item;
    switch (role) {
    case categoryRole:
        return static_cast<int>(position(found.category));
    case categoryNameRole:
        return qText(rawValue(found.category));
    case pathRole:
        return QString::fromStdString(found.url.string());
    case confidenceRole:
        return rawValue(found.confidence);
    case confidenceTitleRole:
        return qText(title(found.confidence));
    case reasonRole:
        return QString::fromStdString(found.reason);
    case explanationRole:
        return qText(found.confidenceExplanation());
    case sizeTextRole:
        return qText(ByteFormat::string(found.size));
    case bytesRole:
        return static_cast<qint64>(found.size);
    case itemIdRole:
        return QString::fromStdString(found.id());
    default:
        break;
    }
    if (role == Qt::AccessibleTextRole && node.kind == RowKind::details) {
        // What the opened row shows, for a screen reader that cannot see the painted listing.
        return tr("Details of %1: %2, %3, %4")
            .arg(QString::fromStdString(found.url.filename().string()),
                 QString::fromStdString(found.url.string()), QString::fromStdString(found.reason),
                 qText(ByteFormat::string(found.size)));
    }
    if (role != detailsRole || node.kind != RowKind::details) {
        return {};
    }
    FindingDetails details;
    if (const DetailsUpdater::ItemFacts* facts = store_.details().facts(found.url)) {
        details.isRead = true;
        details.isDirectory = facts->isDirectory;
        details.modified = facts->modified ? modifiedText(*facts->modified) : QString();
        details.hiddenCount = facts->listing.hiddenCount;
        for (const FolderContentItem& child : facts->listing.items) {
            details.children.append({QString::fromStdString(child.url.filename().string()), child.isDirectory,
                                     qText(ByteFormat::string(child.size)),
                                     icons_.file(child.url, childIconSide)});
        }
    }
    return QVariant::fromValue(details);
}

QVariant FindingsModel::informationData(const Node& node, int role) const {
    switch (role) {
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole:
        return node.title;
    case informationKeyRole:
        return node.key;
    default:
        break;
    }
    if (node.kind == RowKind::information) {
        if (role == symbolRole) {
            return node.key == dockKey ? QStringLiteral("dock.rectangle") : QStringLiteral("doc.on.doc");
        }
        return {};
    }
    switch (role) {
    case detailRole:
        return node.detail;
    case Qt::DecorationRole:
        if (node.key == dockKey) {
            const auto& app = findings_.selectedApp();
            return app ? icons_.application(app->url, metadataIconSide) : QVariant();
        }
        return icons_.documentType(node.extension);
    case Qt::ToolTipRole:
        return tr("Application metadata \u2014 this item is informational and is not removed separately.");
    default:
        return {};
    }
}

bool FindingsModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    const Node* node = nodeOf(index);
    if (role != Qt::CheckStateRole || node == nullptr) {
        return false;
    }
    std::set<std::string> ids;
    if (node->kind == RowKind::finding) {
        ids.insert(node->item.id());
    } else if (node->kind == RowKind::category) {
        for (const auto& child : node->children) {
            ids.insert(child->item.id());
        }
    } else {
        return false;
    }
    store_.setChoice(findings_, value.value<Qt::CheckState>() == Qt::Checked, ids);
    return true;
}

// --- Following the store --------------------------------------------------------------------------------

void FindingsModel::follow(const ListChange& change) {
    const auto& items = findings_.items();
    const int count = change.last - change.first + 1;
    const bool fits = count > 0 && change.first >= 0;
    switch (change.kind) {
    case ListChange::Kind::removed:
        if (fits && change.last < static_cast<int>(findingAt_.size()) &&
            items.size() + static_cast<std::size_t>(count) == findingAt_.size()) {
            removeFindings(change.first, change.last);
            return;
        }
        break;
    case ListChange::Kind::changed:
        if (fits && change.last < static_cast<int>(findingAt_.size()) && items.size() == findingAt_.size()) {
            takeChanges(change.first, change.last, change.field);
            showChoices(change.first, change.last);
            return;
        }
        break;
    case ListChange::Kind::inserted:
    case ListChange::Kind::reset:
        break;
    }
    // A new scan's result: a new list.
    rebuild();
}

void FindingsModel::rebuild() {
    beginResetModel();
    sections_.clear();
    findingAt_.clear();
    findingByPath_.clear();
    detailed_.clear();
    const auto& items = findings_.items();
    std::array<std::vector<std::size_t>, residualCategoryCount> byCategory;
    for (std::size_t index = 0; index < items.size(); ++index) {
        byCategory[position(items[index].category)].push_back(index);
    }
    findingAt_.resize(items.size());
    findingByPath_.reserve(items.size());
    for (const ResidualCategory category : allResidualCategories()) {
        const auto& indexes = byCategory[position(category)];
        if (indexes.empty()) {
            continue;
        }
        auto section = std::make_unique<Node>(
            Node{.kind = RowKind::category, .row = static_cast<int>(sections_.size()), .category = category});
        for (const std::size_t index : indexes) {
            auto finding = std::make_unique<Node>(Node{.kind = RowKind::finding,
                                                       .parent = section.get(),
                                                       .row = static_cast<int>(section->children.size()),
                                                       .category = category,
                                                       .item = items[index]});
            finding->children.push_back(std::make_unique<Node>(
                Node{.kind = RowKind::details, .parent = finding.get(), .category = category}));
            findingAt_[index] = finding.get();
            findingByPath_[finding->item.url.native()] = finding.get();
            section->children.push_back(std::move(finding));
        }
        sections_.push_back(std::move(section));
    }
    addInformationSections(sections_);
    endResetModel();
    // Asked for in an event of their own: this one has built every row.
    QMetaObject::invokeMethod(this, &FindingsModel::requestFileIcons, Qt::QueuedConnection);
}

void FindingsModel::requestFileIcons() {
    std::vector<std::string> paths;
    paths.reserve(findings_.items().size());
    for (const ResidualItem& found : findings_.items()) {
        paths.push_back(found.url.native());
    }
    icons_.requestFiles(std::move(paths), findingIconSide);
}

void FindingsModel::addInformationSections(std::vector<std::unique_ptr<Node>>& sections) const {
    const FindingsState& findings = findings_;
    if (!findings.selectedApp() || findings.isLeftoversMode()) {
        return; // the Leftovers have no bundle to describe
    }
    const InstalledApp& app = *findings.selectedApp();
    const ApplicationMetadata* metadata = store_.details().metadata(app.id());
    if (metadata == nullptr) {
        return; // on its way
    }
    const auto addSection = [&](const QString& key, const QString& title) {
        sections.push_back(std::make_unique<Node>(Node{.kind = RowKind::information,
                                                       .row = static_cast<int>(sections.size()),
                                                       .key = key,
                                                       .title = title}));
        return sections.back().get();
    };
    const auto addRow = [](Node* section, Node row) {
        row.kind = RowKind::metadata;
        row.parent = section;
        row.row = static_cast<int>(section->children.size());
        row.key = section->key;
        section->children.push_back(std::make_unique<Node>(std::move(row)));
    };
    if (metadata->showsDockIcon) {
        Node* dock = addSection(dockKey, tr("Dock Icon"));
        addRow(dock, {.title = QString::fromStdString(app.name)});
        icons_.requestApplication(app.url, metadataIconSide);
    }
    if (!metadata->documentTypes.empty()) {
        Node* documents = addSection(documentsKey, tr("Supported Document Types"));
        std::vector<std::string> extensions;
        for (const DocumentType& type : metadata->documentTypes) {
            const std::string extension = type.extensions.empty() ? std::string() : type.extensions.front();
            addRow(documents, {.title = QString::fromStdString(type.name),
                               .detail = QString::fromStdString(type.extensionList()),
                               .extension = extension});
            extensions.push_back(extension);
        }
        icons_.requestDocumentTypes(extensions);
    }
}

void FindingsModel::showInformation(const QString& appID) {
    const FindingsState& findings = findings_;
    const bool shown = std::any_of(sections_.begin(), sections_.end(),
                                   [](const auto& section) { return section->kind == RowKind::information; });
    if (shown || !findings.isSelected(appID.toStdString()) || findings.isScanning()) {
        return; // the information comes with the scan's result when it arrives later
    }
    std::vector<std::unique_ptr<Node>> added;
    addInformationSections(added);
    if (added.empty()) {
        return;
    }
    const int first = static_cast<int>(sections_.size());
    beginInsertRows({}, first, first + static_cast<int>(added.size()) - 1);
    for (auto& section : added) {
        sections_.push_back(std::move(section));
    }
    renumber(sections_, static_cast<std::size_t>(first));
    endInsertRows();
}

void FindingsModel::renumber(std::vector<std::unique_ptr<Node>>& nodes, std::size_t from) {
    for (std::size_t position = from; position < nodes.size(); ++position) {
        nodes[position]->row = static_cast<int>(position);
    }
}

void FindingsModel::removeFindings(int first, int last) {
    // Per section, the rows that go, from the bottom, so that each run's rows are those of the list as it is.
    std::map<Node*, std::vector<int>> bySection;
    for (int index = first; index <= last; ++index) {
        Node* finding = findingAt_[static_cast<std::size_t>(index)];
        bySection[finding->parent].push_back(finding->row);
        findingByPath_.erase(finding->item.url.native());
        detailed_.erase(finding);
    }
    findingAt_.erase(findingAt_.begin() + first, findingAt_.begin() + last + 1);
    std::vector<Node*> emptied;
    for (auto& [section, rows] : bySection) {
        std::sort(rows.rbegin(), rows.rend());
        for (std::size_t at = 0; at < rows.size();) {
            std::size_t end = at;
            while (end + 1 < rows.size() && rows[end + 1] == rows[end] - 1) {
                ++end;
            }
            const int top = rows[end];
            const int bottom = rows[at];
            beginRemoveRows(indexOf(section), top, bottom);
            section->children.erase(section->children.begin() + top, section->children.begin() + bottom + 1);
            renumber(section->children, static_cast<std::size_t>(top));
            endRemoveRows();
            at = end + 1;
        }
        if (section->children.empty()) {
            emptied.push_back(section);
        }
    }
    std::sort(emptied.begin(), emptied.end(),
              [](const Node* left, const Node* right) { return left->row > right->row; });
    for (Node* section : emptied) {
        const int row = section->row;
        beginRemoveRows({}, row, row);
        sections_.erase(sections_.begin() + row);
        renumber(sections_, static_cast<std::size_t>(row));
        endRemoveRows();
    }
}

void FindingsModel::takeChanges(int first, int last, ListChange::Field field) {
    const auto& items = findings_.items();
    for (int row = first; row <= last; ++row) {
        Node* finding = findingAt_[static_cast<std::size_t>(row)];
        const ResidualItem& now = items[static_cast<std::size_t>(row)];
        if (field == ListChange::Field::choice) {
            // Choosing all of ten thousand findings copies ten thousand choices, not ten thousand paths.
            finding->item.selected = now.selected;
            continue;
        }
        findingByPath_.erase(finding->item.url.native());
        finding->item = now;
        findingByPath_[finding->item.url.native()] = finding;
    }
}

void FindingsModel::showChoices(int first, int last) {
    std::map<Node*, std::pair<int, int>> bySection;
    for (int index = first; index <= last; ++index) {
        const Node* finding = findingAt_[static_cast<std::size_t>(index)];
        auto [place, added] = bySection.try_emplace(finding->parent, finding->row, finding->row);
        if (!added) {
            place->second.first = std::min(place->second.first, finding->row);
            place->second.second = std::max(place->second.second, finding->row);
        }
    }
    const QList<int> roles{Qt::CheckStateRole, Qt::AccessibleTextRole};
    for (const auto& [section, rows] : bySection) {
        const QModelIndex parent = indexOf(section);
        emit dataChanged(index(rows.first, 0, parent), index(rows.second, 0, parent), roles);
        emit dataChanged(parent, parent, {Qt::CheckStateRole});
    }
}

void FindingsModel::showFacts(const QString& path) {
    const std::string key = path.toStdString();
    const auto found = findingByPath_.find(key);
    if (found == findingByPath_.end()) {
        return;
    }
    detailed_.insert(found->second);
    const QModelIndex row = indexOf(found->second->children.front().get());
    emit dataChanged(row, row, {detailsRole});
    if (const DetailsUpdater::ItemFacts* facts = store_.details().facts(found->second->item.url)) {
        std::vector<std::string> children;
        for (const FolderContentItem& child : facts->listing.items) {
            children.push_back(child.url.native());
        }
        icons_.requestFiles(std::move(children), childIconSide);
    }
}

void FindingsModel::repaintChildren(const Node* section, int role) {
    if (!section->children.empty()) {
        const QModelIndex parent = indexOf(section);
        emit dataChanged(index(0, 0, parent),
                         index(static_cast<int>(section->children.size()) - 1, 0, parent), {role});
    }
}

void FindingsModel::showFileIcons() {
    for (const auto& section : sections_) {
        if (section->kind == RowKind::category) {
            repaintChildren(section.get(), Qt::DecorationRole);
        }
    }
    for (const Node* finding : detailed_) {
        const QModelIndex details = indexOf(finding->children.front().get());
        emit dataChanged(details, details, {detailsRole});
    }
}

void FindingsModel::showApplicationIcon(const QString& bundle) {
    const std::string path = bundle.toStdString();
    if (const auto found = findingByPath_.find(path); found != findingByPath_.end()) {
        const QModelIndex row = indexOf(found->second);
        emit dataChanged(row, row, {Qt::DecorationRole});
    }
    const auto& app = findings_.selectedApp();
    if (app && app->url.native() == path) {
        for (const auto& section : sections_) {
            if (section->key == dockKey) {
                repaintChildren(section.get(), Qt::DecorationRole);
            }
        }
    }
}

void FindingsModel::showDocumentTypeIcons() {
    for (const auto& section : sections_) {
        if (section->key == documentsKey) {
            repaintChildren(section.get(), Qt::DecorationRole);
        }
    }
}

void FindingsModel::requestDetails(const QModelIndex& index) {
    if (const ResidualItem* found = item(index)) {
        store_.details().requestFacts(found->url);
    }
}

} // namespace tarnwick
