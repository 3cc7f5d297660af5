#include "ui/AppListModel.h"

#include "catalogue/ByteFormat.h"
#include "store/AppListState.h"
#include "ui/IconCache.h"

#include <algorithm>

namespace tarnwick {

AppListModel::AppListModel(const AppListState& state, IconCache& icons, QObject* parent)
    : QAbstractListModel(parent)
    , state_(state)
    , icons_(icons)
    , rows_(state.apps()) {
    countUnmeasured();
    requestIcons(0, rowCount() - 1);
    connect(&state_, &AppListState::appsChanged, this, &AppListModel::follow);
    connect(&icons_, &IconCache::applicationArrived, this, &AppListModel::showIcon);
}

int AppListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

const InstalledApp* AppListModel::app(int row) const {
    return row >= 0 && row < rowCount() ? &rows_[static_cast<std::size_t>(row)] : nullptr;
}

int AppListModel::rowOf(const std::string& id) const {
    const auto found =
        std::find_if(rows_.begin(), rows_.end(), [&](const InstalledApp& app) { return app.id() == id; });
    return found == rows_.end() ? -1 : static_cast<int>(found - rows_.begin());
}

QString AppListModel::detailText(const InstalledApp& app) {
    return app.isSystem ? tr("System app") : tr("Version ") + QString::fromStdString(app.version);
}

QVariant AppListModel::data(const QModelIndex& index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid)) {
        return {};
    }
    const InstalledApp& shown = rows_[static_cast<std::size_t>(index.row())];
    switch (role) {
    case Qt::DisplayRole:
        return QString::fromStdString(shown.name);
    case Qt::DecorationRole:
        return icons_.application(shown.url, iconSide);
    case Qt::AccessibleTextRole: {
        QString text = QString::fromStdString(shown.name) + QStringLiteral(", ") + detailText(shown);
        if (!shown.isSystem && shown.size) {
            text += QStringLiteral(", ") + QString::fromStdString(ByteFormat::string(*shown.size));
        }
        return text;
    }
    case Qt::ToolTipRole:
        return QString::fromStdString(shown.url.string());
    case appIdRole:
        return QString::fromStdString(shown.id());
    case detailRole:
        return detailText(shown);
    case sizeTextRole:
        return shown.isSystem || !shown.size ? QString()
                                             : QString::fromStdString(ByteFormat::string(*shown.size));
    case isSystemRole:
        return shown.isSystem;
    case isMeasuringRole:
        return !shown.isSystem && !shown.size.has_value();
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

void AppListModel::follow(const ListChange& change) {
    const auto& apps = state_.apps();
    const int count = change.last - change.first + 1;
    const auto first = static_cast<std::ptrdiff_t>(change.first);
    switch (change.kind) {
    case ListChange::Kind::inserted:
        if (count < 1 || change.first < 0 || change.first > rowCount() ||
            apps.size() != rows_.size() + static_cast<std::size_t>(count)) {
            break;
        }
        beginInsertRows({}, change.first, change.last);
        rows_.insert(rows_.begin() + first, apps.begin() + first, apps.begin() + first + count);
        countUnmeasured();
        endInsertRows();
        requestIcons(change.first, change.last);
        return;
    case ListChange::Kind::removed:
        if (count < 1 || change.first < 0 || change.last >= rowCount() ||
            apps.size() + static_cast<std::size_t>(count) != rows_.size()) {
            break;
        }
        beginRemoveRows({}, change.first, change.last);
        rows_.erase(rows_.begin() + first, rows_.begin() + first + count);
        countUnmeasured();
        endRemoveRows();
        return;
    case ListChange::Kind::changed:
        if (count < 1 || change.first < 0 || change.last >= rowCount() || apps.size() != rows_.size()) {
            break;
        }
        std::copy(apps.begin() + first, apps.begin() + first + count, rows_.begin() + first);
        countUnmeasured();
        emit dataChanged(index(change.first), index(change.last),
                         change.field == ListChange::Field::size
                             ? QList<int>{sizeTextRole, isMeasuringRole, Qt::AccessibleTextRole}
                             : QList<int>{});
        return;
    case ListChange::Kind::reset:
        break;
    }
    // A new list, or a change that does not fit the rows shown.
    takeAll();
}

void AppListModel::takeAll() {
    beginResetModel();
    rows_ = state_.apps();
    countUnmeasured();
    endResetModel();
    requestIcons(0, rowCount() - 1);
}

void AppListModel::countUnmeasured() {
    unmeasured_ = static_cast<int>(std::count_if(rows_.begin(), rows_.end(), [](const InstalledApp& app) {
        return !app.isSystem && !app.size.has_value();
    }));
}

void AppListModel::requestIcons(int first, int last) {
    for (int row = first; row <= last; ++row) {
        icons_.requestApplication(rows_[static_cast<std::size_t>(row)].url, iconSide);
    }
}

void AppListModel::showIcon(const QString& bundle) {
    const std::string path = bundle.toStdString();
    for (std::size_t row = 0; row < rows_.size(); ++row) {
        if (rows_[row].url.native() == path) {
            emit dataChanged(index(static_cast<int>(row)), index(static_cast<int>(row)),
                             {Qt::DecorationRole});
        }
    }
}

} // namespace tarnwick
