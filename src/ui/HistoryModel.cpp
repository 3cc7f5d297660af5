#include "ui/HistoryModel.h"

#include "session/RemovalTexts.h"
#include "store/CleanerStore.h"

#include <QDateTime>
#include <QLocale>

namespace tarnwick {

namespace {

// The date in the user's own format.
std::string dateText(RemovalRecord::Date date) {
    const std::optional<std::time_t> seconds = RemovalTexts::calendarSeconds(date);
    if (!seconds) {
        return RemovalTexts::dateText(date);
    }
    return QLocale().toString(QDateTime::fromSecsSinceEpoch(*seconds), QLocale::ShortFormat).toStdString();
}

} // namespace

HistoryModel::HistoryModel(CleanerStore& store, QObject* parent)
    : QAbstractListModel(parent)
    , store_(store) {
    connect(&store_, &CleanerStore::historyChanged, this, [this] {
        beginResetModel();
        endResetModel();
    });
    const auto refreshButtons = [this] {
        if (rowCount() > 0) {
            emit dataChanged(index(0), index(rowCount() - 1), {restoringRole, actionEnabledRole});
        }
    };
    connect(&store_, &CleanerStore::isRestoringChanged, this, refreshButtons);
    connect(&store_, &CleanerStore::isRemovingChanged, this, refreshButtons);
}

int HistoryModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(store_.history().size());
}

const RemovalRecord& HistoryModel::record(int row) const {
    return store_.history().at(static_cast<std::size_t>(row));
}

QVariant HistoryModel::data(const QModelIndex& index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid)) {
        return {};
    }
    const RemovalRecord& removal = record(index.row());
    switch (role) {
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole:
        return QString::fromStdString(removal.appName);
    case summaryRole:
        return QString::fromStdString(RemovalTexts::summary(removal, dateText(removal.date)));
    case restorableRole:
        return store_.isRestorable(removal);
    case availabilityRole:
        return QString::fromUtf8(RemovalTexts::availability(removal, store_.isRestorable(removal)));
    case actionRole:
        return store_.isRestorable(removal) ? QStringLiteral("Restore") : QStringLiteral("Remove");
    case restoringRole:
        return store_.restoringRecord() == removal.id;
    case actionEnabledRole:
        return !store_.isRestoring() && !store_.isRemoving();
    default:
        return {};
    }
}

void HistoryModel::activate(int row) {
    if (row < 0 || row >= rowCount() || store_.isRestoring() || store_.isRemoving()) {
        return;
    }
    const RemovalRecord removal = record(row); // the store replaces the list it lives in
    if (store_.isRestorable(removal)) {
        store_.restore(removal);
    } else {
        store_.removeHistoryRecord(removal);
    }
}

} // namespace tarnwick
