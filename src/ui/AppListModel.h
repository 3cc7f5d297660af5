#pragma once

#include "catalogue/InstalledApp.h"
#include "store/ListChange.h"

#include <QAbstractListModel>
#include <vector>

namespace tarnwick {

class AppListState;
class IconCache;

// The store's applications as rows. It keeps its own copy of the list and follows the store's changes row
// by row: a record that arrives is one inserted row, a size one changed row, a removal one removed row.
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

    // The side of the icons the rows draw, in points.
    static constexpr int iconSide = 38;

    AppListModel(const AppListState& state, IconCache& icons, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QHash<int, QByteArray> roleNames() const override;

    const InstalledApp* app(int row) const;
    // The row of the application with the identity `id`; -1 when none has it.
    int rowOf(const std::string& id) const;
    // Whether some listed application still waits for its size.
    bool isMeasuring() const { return unmeasured_ > 0; }

    // The text under an application's name.
    static QString detailText(const InstalledApp& app);

private:
    void follow(const ListChange& change);
    void takeAll();
    void countUnmeasured();
    void requestIcons(int first, int last);
    void showIcon(const QString& bundle);

    const AppListState& state_;
    IconCache& icons_;
    std::vector<InstalledApp> rows_;
    int unmeasured_ = 0;
};

} // namespace tarnwick
