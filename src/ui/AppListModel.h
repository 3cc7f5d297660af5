#pragma once

#include "catalogue/InstalledApp.h"

#include <QAbstractListModel>
#include <QHash>
#include <QIcon>

namespace tarnwick {

class CleanerStore;
struct ListChange;

// The store's applications as rows, updated in place: a size that arrives repaints one row.
class AppListModel : public QAbstractListModel {
    Q_OBJECT

public:
    enum Role {
        appIdRole = Qt::UserRole + 1,
        detailRole,   // "System app" or "Version …"
        sizeTextRole, // the size as text; empty while it is being measured and for a system app
        isSystemRole,
        isMeasuringRole, // true while the size is absent
        rowKindRole,     // a RowKind
    };
    enum class RowKind { application, sectionHeader, leftovers };

    explicit AppListModel(CleanerStore& store, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QHash<int, QByteArray> roleNames() const override;

    const InstalledApp* app(int row) const;
    // Whether some listed application still waits for its size.
    bool isMeasuring() const { return unmeasured_ > 0; }

    // The text under an application's name.
    static QString detailText(const InstalledApp& app);

private:
    void applyChange(const ListChange& change);
    void countUnmeasured();
    QIcon iconFor(const InstalledApp& app) const;

    CleanerStore& store_;
    int rows_ = 0;
    int unmeasured_ = 0;
    // Reading an .icns file is slow; a bundle keeps its icon while the window is open.
    mutable QHash<QString, QIcon> icons_;
};

} // namespace tarnwick
