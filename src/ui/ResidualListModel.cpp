#include "ui/ResidualListModel.h"

#include "catalogue/ByteFormat.h"
#include "ui/AppIcons.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QPointer>
#include <QThreadPool>
#include <algorithm>
#include <sys/stat.h>

namespace tarnwick {
namespace {

namespace fs = std::filesystem;

QString qText(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

constexpr std::size_t slot(ResidualCategory category) {
    return position(category);
}

// What the expansion of `location` shows, read from the disk: whether it is a folder (a link never is),
// when it was last changed, and a folder's first children.
ResidualListModel::Expansion readFacts(const fs::path& location) {
    ResidualListModel::Expansion facts;
    facts.expanded = true;
    facts.loaded = true;
    struct stat status {};
    if (::lstat(location.c_str(), &status) == 0) {
        facts.isDirectory = S_ISDIR(status.st_mode);
#if defined(__APPLE__)
        const auto& changed = status.st_mtimespec;
#else
        const auto& changed = status.st_mtim;
#endif
        facts.modified = QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(changed.tv_sec) * 1000 +
                                                        changed.tv_nsec / 1000000);
    }
    if (facts.isDirectory) {
        facts.listing = FolderContentItem::load(location);
    }
    return facts;
}

} // namespace

ResidualListModel::ResidualListModel(CleanerStore& store, QObject* parent)
    : QAbstractListModel(parent)
    , store_(store) {
    connect(&store_, &CleanerStore::residualsChanged, this, &ResidualListModel::followChange);
    connect(&store_, &CleanerStore::fileSearchChanged, this, &ResidualListModel::rebuild);
    connect(&store_, &CleanerStore::selectedAppChanged, this, &ResidualListModel::rebuild);
    connect(&store_, &CleanerStore::isLeftoversModeChanged, this, &ResidualListModel::rebuild);
    // A new scan rebuilds every row: listings are read again for its findings.
    connect(&store_, &CleanerStore::isScanningChanged, this, [this] {
        if (store_.isScanning()) {
            expansions_.clear();
            ++generation_;
        }
    });
    rebuild();
}

ResidualListModel::~ResidualListModel() = default;

int ResidualListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

Qt::ItemFlags ResidualListModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) {
        return Qt::NoItemFlags;
    }
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

ResidualListModel::RowKind ResidualListModel::kind(int row) const {
    return rows_.at(static_cast<std::size_t>(row)).kind;
}

const ResidualItem* ResidualListModel::item(int row) const {
    if (row < 0 || row >= rowCount() || rows_[static_cast<std::size_t>(row)].kind != RowKind::residual) {
        return nullptr;
    }
    return &store_.residuals().at(static_cast<std::size_t>(rows_[static_cast<std::size_t>(row)].index));
}

const ResidualListModel::Expansion* ResidualListModel::expansion(int row) const {
    const ResidualItem* found = item(row);
    if (found == nullptr) {
        return nullptr;
    }
    const auto state = expansions_.find(found->id());
    return state == expansions_.end() ? nullptr : &state->second;
}

ResidualListModel::CategorySummary ResidualListModel::summary(ResidualCategory category) const {
    return summaries_[slot(category)];
}

ResidualListModel::SectionSelection ResidualListModel::sectionSelection(ResidualCategory category) const {
    const CategorySummary& counts = summaries_[slot(category)];
    if (counts.selected == 0) {
        return SectionSelection::none;
    }
    return counts.selected == counts.shown ? SectionSelection::all : SectionSelection::some;
}

int ResidualListModel::headerRow(ResidualCategory category) const {
    for (std::size_t row = 0; row < rows_.size(); ++row) {
        if (rows_[row].kind == RowKind::categoryHeader && rows_[row].category == category) {
            return static_cast<int>(row);
        }
    }
    return -1;
}

int ResidualListModel::rowOf(const std::string& itemID) const {
    const auto found = std::find(ids_.begin(), ids_.end(), itemID);
    return found == ids_.end() ? -1 : rowOfIndex_[static_cast<std::size_t>(found - ids_.begin())];
}

int ResidualListModel::informationHeaderRow(const QString& key) const {
    for (std::size_t row = 0; row < rows_.size(); ++row) {
        if (rows_[row].kind == RowKind::informationHeader && rows_[row].key == key) {
            return static_cast<int>(row);
        }
    }
    return -1;
}

QString ResidualListModel::summaryText(int count, std::int64_t bytes) {
    return QStringLiteral("%1 %2  \u2022  %3")
        .arg(count)
        .arg(count == 1 ? QStringLiteral("item") : QStringLiteral("items"))
        .arg(qText(ByteFormat::string(bytes)));
}

QVariant ResidualListModel::data(const QModelIndex& index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid)) {
        return {};
    }
    const Row& row = rows_[static_cast<std::size_t>(index.row())];
    if (role == kindRole) {
        return static_cast<int>(row.kind);
    }
    switch (row.kind) {
    case RowKind::categoryHeader: {
        const CategorySummary& counts = summaries_[slot(row.category)];
        const bool collapsed = collapsedCategories_.contains(row.category);
        const QString name = qText(rawValue(row.category));
        switch (role) {
        case Qt::DisplayRole:
        case Qt::AccessibleTextRole:
            return name;
        case categoryRole:
            return static_cast<int>(position(row.category));
        case selectionRole:
            return static_cast<int>(sectionSelection(row.category));
        case collapsedRole:
            return collapsed;
        case summaryRole:
            return summaryText(counts.shown, counts.bytes);
        case symbolRole:
            return qText(symbol(row.category));
        default:
            return {};
        }
    }
    case RowKind::residual: {
        const ResidualItem& found = store_.residuals()[static_cast<std::size_t>(row.index)];
        switch (role) {
        case Qt::DisplayRole:
            return QString::fromStdString(found.url.filename().string());
        case Qt::AccessibleTextRole:
            return QString::fromStdString(found.url.filename().string()) + QStringLiteral(", ") +
                   qText(title(found.confidence)) + QStringLiteral(", ") +
                   (found.selected ? QStringLiteral("selected") : QStringLiteral("not selected"));
        case Qt::CheckStateRole:
            return found.selected ? Qt::Checked : Qt::Unchecked;
        case categoryRole:
            return static_cast<int>(position(found.category));
        case selectionRole:
            return found.selected;
        case pathRole:
            return QString::fromStdString(found.url.string());
        case confidenceRole:
            return rawValue(found.confidence);
        case reasonRole:
            return QString::fromStdString(found.reason);
        case sizeTextRole:
            return qText(ByteFormat::string(found.size));
        case expandedRole: {
            const auto state = expansions_.find(found.id());
            return state != expansions_.end() && state->second.expanded;
        }
        default:
            return {};
        }
    }
    case RowKind::informationHeader: {
        const bool dock = row.key == QStringLiteral("dock");
        switch (role) {
        case Qt::DisplayRole:
        case Qt::AccessibleTextRole:
            return dock ? QStringLiteral("Dock Icon") : QStringLiteral("Supported Document Types");
        case collapsedRole:
            return collapsedInformation_.contains(row.key);
        case symbolRole:
            return dock ? QStringLiteral("dock.rectangle") : QStringLiteral("doc.on.doc");
        case informationKeyRole:
            return row.key;
        default:
            return {};
        }
    }
    case RowKind::metadata: {
        if (row.index < 0) {
            if (role == Qt::DisplayRole || role == Qt::AccessibleTextRole) {
                return store_.selectedApp() ? QString::fromStdString(store_.selectedApp()->name) : QString();
            }
            if (role == detailRole) {
                return QString();
            }
        } else {
            const DocumentType& type = metadata_.documentTypes[static_cast<std::size_t>(row.index)];
            if (role == Qt::DisplayRole || role == Qt::AccessibleTextRole) {
                return QString::fromStdString(type.name);
            }
            if (role == detailRole) {
                return QString::fromStdString(type.extensionList());
            }
            if (role == extensionRole) {
                return type.extensions.empty() ? QString() : QString::fromStdString(type.extensions.front());
            }
        }
        if (role == Qt::ToolTipRole) {
            return QStringLiteral(
                "Application metadata \u2014 this item is informational and is not removed separately.");
        }
        return {};
    }
    }
    return {};
}

void ResidualListModel::refreshMetadata() {
    // The pseudo-application of the Leftovers mode has no bundle to describe.
    if (!store_.selectedApp() || store_.isLeftoversMode()) {
        metadata_ = ApplicationMetadata{.showsDockIcon = false, .documentTypes = {}};
        metadataFor_.clear();
        applicationIcon_ = QIcon();
        return;
    }
    // Read again at every rebuild: the bundle may have changed since.
    metadata_ = ApplicationMetadata::read(*store_.selectedApp());
    if (metadataFor_ != store_.selectedApp()->id()) {
        metadataFor_ = store_.selectedApp()->id();
        applicationIcon_ = QIcon();
        icons_.clear();
    }
}

void ResidualListModel::recount(ResidualCategory category) {
    CategorySummary counts;
    const auto& items = store_.residuals();
    for (const int index : shownIndexes_[slot(category)]) {
        const ResidualItem& found = items[static_cast<std::size_t>(index)];
        ++counts.shown;
        counts.selected += found.selected ? 1 : 0;
        counts.bytes = addedSize(counts.bytes, found.size);
    }
    summaries_[slot(category)] = counts;
}

void ResidualListModel::rebuild() {
    beginResetModel();
    const auto& items = store_.residuals();
    rows_.clear();
    ids_.clear();
    ids_.reserve(items.size());
    rowOfIndex_.assign(items.size(), -1);
    for (auto& indexes : shownIndexes_) {
        indexes.clear();
    }
    for (std::size_t index = 0; index < items.size(); ++index) {
        ids_.push_back(items[index].id());
        if (store_.isShown(items[index])) {
            shownIndexes_[slot(items[index].category)].push_back(static_cast<int>(index));
        }
    }
    // Expanded rows are remembered only for the findings still in the list.
    std::erase_if(expansions_, [this](const auto& entry) {
        return std::find(ids_.begin(), ids_.end(), entry.first) == ids_.end();
    });

    rows_.reserve(items.size() + residualCategoryCount + 2);
    for (const ResidualCategory category : allResidualCategories()) {
        recount(category);
        const auto& indexes = shownIndexes_[slot(category)];
        if (indexes.empty()) {
            continue;
        }
        rows_.push_back({RowKind::categoryHeader, category, -1, {}});
        if (collapsedCategories_.contains(category)) {
            continue;
        }
        for (const int index : indexes) {
            rowOfIndex_[static_cast<std::size_t>(index)] = static_cast<int>(rows_.size());
            rows_.push_back({RowKind::residual, category, index, {}});
        }
    }

    refreshMetadata();
    if (metadata_.showsDockIcon) {
        rows_.push_back({RowKind::informationHeader, ResidualCategory::other, -1, QStringLiteral("dock")});
        if (!collapsedInformation_.contains(QStringLiteral("dock"))) {
            rows_.push_back({RowKind::metadata, ResidualCategory::other, -1, QStringLiteral("dock")});
        }
    }
    if (!metadata_.documentTypes.empty()) {
        rows_.push_back(
            {RowKind::informationHeader, ResidualCategory::other, -1, QStringLiteral("documents")});
        if (!collapsedInformation_.contains(QStringLiteral("documents"))) {
            for (std::size_t type = 0; type < metadata_.documentTypes.size(); ++type) {
                rows_.push_back({RowKind::metadata, ResidualCategory::other, static_cast<int>(type),
                                 QStringLiteral("documents")});
            }
        }
    }
    endResetModel();
}

void ResidualListModel::followChange(ListChange change) {
    const auto& items = store_.residuals();
    if (change.kind != ListChange::Kind::changed || items.size() != ids_.size() || change.first < 0 ||
        change.last >= static_cast<int>(items.size())) {
        rebuild();
        return;
    }
    for (int index = change.first; index <= change.last; ++index) {
        if (items[static_cast<std::size_t>(index)].id() != ids_[static_cast<std::size_t>(index)]) {
            rebuild();
            return;
        }
    }
    // Same findings with new flags: repaint their rows and the headers of their sections.
    int firstRow = rowCount();
    int lastRow = -1;
    std::array<bool, residualCategoryCount> touched{};
    for (int index = change.first; index <= change.last; ++index) {
        touched[slot(items[static_cast<std::size_t>(index)].category)] = true;
        const int row = rowOfIndex_[static_cast<std::size_t>(index)];
        if (row >= 0) {
            firstRow = std::min(firstRow, row);
            lastRow = std::max(lastRow, row);
        }
    }
    if (lastRow >= 0) {
        emit dataChanged(this->index(firstRow), this->index(lastRow));
    }
    for (const ResidualCategory category : allResidualCategories()) {
        if (touched[slot(category)]) {
            recount(category);
            const int header = headerRow(category);
            if (header >= 0) {
                emit dataChanged(this->index(header), this->index(header));
            }
        }
    }
}

void ResidualListModel::toggleItem(int row) {
    if (const ResidualItem* found = item(row)) {
        store_.toggle(*found);
    }
}

void ResidualListModel::toggleSectionSelection(ResidualCategory category) {
    const auto& items = store_.residuals();
    std::set<std::string> ids;
    for (const int index : shownIndexes_[slot(category)]) {
        ids.insert(items[static_cast<std::size_t>(index)].id());
    }
    if (ids.empty()) {
        return;
    }
    store_.setSelection(sectionSelection(category) != SectionSelection::all, ids);
}

void ResidualListModel::toggleCollapsed(ResidualCategory category) {
    if (!collapsedCategories_.erase(category)) {
        collapsedCategories_.insert(category);
    }
    rebuild();
}

void ResidualListModel::toggleInformationSection(const QString& key) {
    if (!collapsedInformation_.erase(key)) {
        collapsedInformation_.insert(key);
    }
    rebuild();
}

void ResidualListModel::toggleExpanded(int row) {
    const ResidualItem* found = item(row);
    if (found == nullptr) {
        return;
    }
    const std::string id = found->id();
    Expansion& state = expansions_[id];
    state.expanded = !state.expanded;
    // Collapsing keeps what was read; the first expansion reads it.
    const bool startsLoading = state.expanded && !state.loaded && !state.loading;
    emit dataChanged(index(row), index(row));
    emit rowHeightChanged(row);
    if (startsLoading) {
        startLoading(id, found->url);
    }
}

void ResidualListModel::startLoading(const std::string& itemID, const fs::path& location) {
    // Once per row: not again while the first read is on its way.
    Expansion& state = expansions_[itemID];
    if (state.loaded || state.loading) {
        return;
    }
    state.loading = true;
    QPointer<ResidualListModel> model(this);
    const std::uint64_t generation = generation_;
    // A network folder may take long to list; the window keeps answering meanwhile.
    QThreadPool::globalInstance()->start([model, generation, itemID, location] {
        Expansion facts = readFacts(location);
        QMetaObject::invokeMethod(
            qApp,
            [model, generation, itemID, facts = std::move(facts)]() mutable {
                if (model) {
                    model->applyLoaded(generation, itemID, std::move(facts));
                }
            },
            Qt::QueuedConnection);
    });
}

void ResidualListModel::applyLoaded(std::uint64_t generation, const std::string& itemID, Expansion facts) {
    const auto state = expansions_.find(itemID);
    if (generation != generation_ || state == expansions_.end() || state->second.loaded) {
        return;
    }
    facts.expanded = state->second.expanded;
    state->second = std::move(facts);
    const int row = rowOf(itemID);
    if (row >= 0) {
        emit dataChanged(index(row), index(row));
        emit rowHeightChanged(row);
    }
}

QIcon ResidualListModel::fileIcon(const fs::path& location) const {
    const std::string key = location.string();
    const auto found = icons_.find(key);
    if (found != icons_.end()) {
        return found->second;
    }
    QIcon icon = AppIcons::file(location);
    icons_.emplace(key, icon);
    return icon;
}

QIcon ResidualListModel::applicationIcon() const {
    if (applicationIcon_.isNull() && store_.selectedApp()) {
        applicationIcon_ = AppIcons::application(store_.selectedApp()->url);
    }
    return applicationIcon_;
}

} // namespace tarnwick
