#pragma once

#include "removal/RemovalRecord.h"

#include <QAbstractListModel>
#include <vector>

namespace tarnwick {

class CleanerStore;

// The removal history as the panel lists it, newest first. It keeps its own copy of the records and follows
// the store's history as inserted, removed and changed rows; whether a record can still be restored is what
// the store last learnt, so that drawing a row never looks at the disk.
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
        emptiedRole,                    // bool: the Trash was emptied of it, a warning; not when put back
    };

    explicit HistoryModel(CleanerStore& store, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

    const RemovalRecord& record(int row) const;
    // What the row's button does: restore the record, or forget one that cannot be restored.
    void activate(int row);

private:
    // Brings the rows to the store's history: records gone are removed, new ones inserted where they are,
    // changed ones repainted.
    void follow();
    void refreshRoles(const QList<int>& roles);

    CleanerStore& store_;
    std::vector<RemovalRecord> rows_;
};

} // namespace tarnwick
