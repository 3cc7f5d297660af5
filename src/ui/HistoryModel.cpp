#include "ui/HistoryModel.h"

#include "catalogue/ByteFormat.h"
#include "session/RemovalTexts.h"
#include "store/CleanerStore.h"
#include "ui/SharedTexts.h"

#include <QDateTime>
#include <QLocale>
#include <QStringList>
#include <algorithm>
#include <unordered_set>

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

QString summaryText(const RemovalRecord& removal) {
    return SharedTexts::translated(RemovalTexts::summaryText, static_cast<qsizetype>(removal.items.size()),
                                   {QString::fromStdString(ByteFormat::string(removal.bytes)),
                                    QString::fromStdString(dateText(removal.date))});
}

// The places the removal took its items from, as a tooltip lists them: the first few, then how many more.
QString itemsText(const RemovalRecord& removal) {
    constexpr std::size_t shown = 12;
    QStringList lines;
    for (std::size_t index = 0; index < removal.items.size() && index < shown; ++index) {
        lines.append(QString::fromStdString(removal.items[index].originalPath));
    }
    if (removal.items.size() > shown) {
        lines.append(
            HistoryModel::tr("and %Ln more", nullptr, static_cast<int>(removal.items.size() - shown)));
    }
    return lines.join(QLatin1Char('\n'));
}

std::unordered_set<Uuid> idsOf(const std::vector<RemovalRecord>& records) {
    std::unordered_set<Uuid> ids;
    for (const RemovalRecord& record : records) {
        ids.insert(record.id);
    }
    return ids;
}

} // namespace

HistoryModel::HistoryModel(CleanerStore& store, QObject* parent)
    : QAbstractListModel(parent)
    , store_(store)
    , rows_(store.removals().history()) {
    const RemovalState& removals = store_.removals();
    connect(&removals, &RemovalState::historyChanged, this, &HistoryModel::follow);
    connect(&removals, &RemovalState::restorabilityChanged, this, [this] {
        refreshRoles({restorableRole, availabilityRole, actionRole, emptiedRole, Qt::AccessibleTextRole});
    });
    connect(&removals, &RemovalState::busyChanged, this, [this] {
        refreshRoles({restoringRole, actionEnabledRole});
    });
}

int HistoryModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

const RemovalRecord& HistoryModel::record(int row) const {
    return rows_.at(static_cast<std::size_t>(row));
}

QVariant HistoryModel::data(const QModelIndex& index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid)) {
        return {};
    }
    const RemovalRecord& removal = record(index.row());
    const RemovalState& removals = store_.removals();
    switch (role) {
    case Qt::DisplayRole:
        return QString::fromStdString(removal.appName);
    case Qt::AccessibleTextRole: {
        QStringList parts{QString::fromStdString(removal.appName), summaryText(removal)};
        const QString availability =
            SharedTexts::translated(RemovalTexts::availability(removal, removals.isRestorable(removal)));
        if (!availability.isEmpty()) {
            parts.append(availability);
        }
        return parts.join(QStringLiteral(", "));
    }
    case Qt::ToolTipRole:
        return itemsText(removal);
    case emptiedRole:
        return removal.state != RemovalRecord::State::restored && !removals.isRestorable(removal);
    case summaryRole:
        return summaryText(removal);
    case restorableRole:
        return removals.isRestorable(removal);
    case availabilityRole:
        return SharedTexts::translated(RemovalTexts::availability(removal, removals.isRestorable(removal)));
    case actionRole:
        return removals.isRestorable(removal) ? tr("Restore") : tr("Remove");
    case restoringRole:
        return removals.restoringRecord() == removal.id;
    case actionEnabledRole:
        return !removals.isBusy();
    default:
        return {};
    }
}

void HistoryModel::activate(int row) {
    if (row < 0 || row >= rowCount() || store_.removals().isBusy()) {
        return;
    }
    const RemovalRecord& removal = record(row);
    if (store_.removals().isRestorable(removal)) {
        store_.restore(removal);
    } else {
        store_.removeHistoryRecord(removal);
    }
}

void HistoryModel::follow() {
    const std::vector<RemovalRecord>& records = store_.removals().history();
    const std::unordered_set<Uuid> kept = idsOf(records);
    for (int last = rowCount() - 1; last >= 0;) {
        if (kept.contains(rows_[static_cast<std::size_t>(last)].id)) {
            --last;
            continue;
        }
        int first = last;
        while (first > 0 && !kept.contains(rows_[static_cast<std::size_t>(first - 1)].id)) {
            --first;
        }
        beginRemoveRows({}, first, last);
        rows_.erase(rows_.begin() + first, rows_.begin() + last + 1);
        endRemoveRows();
        last = first - 1;
    }

    const std::unordered_set<Uuid> present = idsOf(rows_);
    std::vector<Uuid> remaining;
    for (const RemovalRecord& record : records) {
        if (present.contains(record.id)) {
            remaining.push_back(record.id);
        }
    }
    if (!std::equal(remaining.begin(), remaining.end(), rows_.begin(), rows_.end(),
                    [](const Uuid& id, const RemovalRecord& row) { return id == row.id; })) {
        // The records that stayed come in another order: a history unlike the one shown.
        beginResetModel();
        rows_ = records;
        endResetModel();
        return;
    }
    for (std::size_t first = 0; first < records.size();) {
        if (present.contains(records[first].id)) {
            if (!(rows_[first] == records[first])) {
                rows_[first] = records[first];
                emit dataChanged(index(static_cast<int>(first)), index(static_cast<int>(first)));
            }
            ++first;
            continue;
        }
        std::size_t last = first;
        while (last + 1 < records.size() && !present.contains(records[last + 1].id)) {
            ++last;
        }
        beginInsertRows({}, static_cast<int>(first), static_cast<int>(last));
        rows_.insert(rows_.begin() + static_cast<std::ptrdiff_t>(first),
                     records.begin() + static_cast<std::ptrdiff_t>(first),
                     records.begin() + static_cast<std::ptrdiff_t>(last) + 1);
        endInsertRows();
        first = last + 1;
    }
}

void HistoryModel::refreshRoles(const QList<int>& roles) {
    if (rowCount() > 0) {
        emit dataChanged(index(0), index(rowCount() - 1), roles);
    }
}

} // namespace tarnwick
