#include "ui/AppListModel.h"

#include "catalogue/ByteFormat.h"
#include "store/CleanerStore.h"
#include "ui/AppIcons.h"

#include <algorithm>

namespace tarnwick {

AppListModel::AppListModel(CleanerStore& store, QObject* parent)
    : QAbstractListModel(parent)
    , store_(store)
    , rows_(static_cast<int>(store.apps().size())) {
    countUnmeasured();
    connect(&store_, &CleanerStore::appsChanged, this, &AppListModel::applyChange);
}

int AppListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : rows_;
}

const InstalledApp* AppListModel::app(int row) const {
    if (row < 0 || row >= rows_ || row >= static_cast<int>(store_.apps().size())) {
        return nullptr;
    }
    return &store_.apps()[static_cast<std::size_t>(row)];
}

QString AppListModel::detailText(const InstalledApp& app) {
    return app.isSystem ? tr("System app") : tr("Version ") + QString::fromStdString(app.version);
}

QVariant AppListModel::data(const QModelIndex& index, int role) const {
    const InstalledApp* shown = index.isValid() ? app(index.row()) : nullptr;
    if (shown == nullptr) {
        return {};
    }
    switch (role) {
    case Qt::DisplayRole:
        return QString::fromStdString(shown->name);
    case Qt::DecorationRole:
        return iconFor(*shown);
    case Qt::AccessibleTextRole: {
        QString text = QString::fromStdString(shown->name) + QStringLiteral(", ") + detailText(*shown);
        if (!shown->isSystem && shown->size) {
            text += QStringLiteral(", ") + QString::fromStdString(ByteFormat::string(*shown->size));
        }
        return text;
    }
    case Qt::ToolTipRole:
        return QString::fromStdString(shown->url.string());
    case appIdRole:
        return QString::fromStdString(shown->id());
    case detailRole:
        return detailText(*shown);
    case sizeTextRole:
        return shown->isSystem || !shown->size ? QString()
                                               : QString::fromStdString(ByteFormat::string(*shown->size));
    case isSystemRole:
        return shown->isSystem;
    case isMeasuringRole:
        return !shown->isSystem && !shown->size.has_value();
    case rowKindRole:
        return static_cast<int>(RowKind::application);
    default:
        return {};
    }
}

QHash<int, QByteArray> AppListModel::roleNames() const {
    QHash<int, QByteArray> names = QAbstractListModel::roleNames();
    names.insert(appIdRole, "appId");
    names.insert(detailRole, "detail");
    names.insert(sizeTextRole, "sizeText");
    names.insert(isSystemRole, "isSystem");
    names.insert(isMeasuringRole, "isMeasuring");
    names.insert(rowKindRole, "rowKind");
    return names;
}

void AppListModel::applyChange(const ListChange& change) {
    const int now = static_cast<int>(store_.apps().size());
    const int count = change.last - change.first + 1;
    switch (change.kind) {
    case ListChange::Kind::inserted:
        if (count > 0 && change.first >= 0 && change.first <= rows_ && now == rows_ + count) {
            beginInsertRows({}, change.first, change.last);
            rows_ = now;
            countUnmeasured();
            endInsertRows();
            return;
        }
        break;
    case ListChange::Kind::changed:
        if (count > 0 && change.first >= 0 && change.last < rows_ && now == rows_) {
            countUnmeasured();
            emit dataChanged(index(change.first), index(change.last));
            return;
        }
        break;
    case ListChange::Kind::reset:
        break;
    }
    // A reset, or a change that does not fit the rows shown: show the list afresh.
    beginResetModel();
    rows_ = now;
    countUnmeasured();
    endResetModel();
}

void AppListModel::countUnmeasured() {
    unmeasured_ = static_cast<int>(
        std::count_if(store_.apps().begin(), store_.apps().end(),
                      [](const InstalledApp& app) { return !app.isSystem && !app.size.has_value(); }));
}

QIcon AppListModel::iconFor(const InstalledApp& app) const {
    const QString id = QString::fromStdString(app.id());
    auto found = icons_.find(id);
    if (found == icons_.end()) {
        found = icons_.insert(id, AppIcons::application(app.url));
    }
    return *found;
}

} // namespace tarnwick
