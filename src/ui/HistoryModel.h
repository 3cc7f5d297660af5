#pragma once

#include <QAbstractListModel>

namespace tarnwick {

class CleanerStore;
struct RemovalRecord;

// The removal history as the panel lists it, newest first. Whether a record can still be restored is
// asked of the store each time a row is drawn, so that emptying the Trash shows at once.
class HistoryModel : public QAbstractListModel {
    Q_OBJECT

public:
    enum Role {
        summaryRole = Qt::UserRole + 1, // "n items • size • date"
        restorableRole,                 // bool
        availabilityRole,               // "Trash emptied — cannot restore", or empty
        actionRole,                     // "Restore" or "Remove"
        restoringRole,                  // bool: this record's restore is running
        actionEnabledRole,              // bool: the button can be pressed now
    };

    explicit HistoryModel(CleanerStore& store, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

    const RemovalRecord& record(int row) const;
    // What the row's button does: restore the record, or forget one that cannot be restored.
    void activate(int row);

private:
    CleanerStore& store_;
};

} // namespace tarnwick
