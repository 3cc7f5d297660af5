#pragma once

#include <QHash>
#include <QSortFilterProxyModel>
#include <cstdint>
#include <set>
#include <string>

namespace tarnwick {

class CleanerStore;
class FindingsModel;

// The findings the file search shows, and the sections that hold them; the information sections always. A
// section speaks for the findings it shows: its checkbox and its summary count those, and choosing through it
// chooses those.
class FindingsFilter : public QSortFilterProxyModel {
    Q_OBJECT

public:
    FindingsFilter(CleanerStore& store, FindingsModel& source, QObject* parent = nullptr);

    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool hasChildren(const QModelIndex& parent = {}) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

    // What clicking the checkbox of a finding or a section does, as the store's choice rules say.
    void toggleChoice(const QModelIndex& index);
    // The findings a section shows.
    std::set<std::string> shownIDs(const QModelIndex& section) const;

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const override;

private:
    // What a section's checkbox and summary say of the findings it shows.
    struct Summary {
        int count = 0;
        int chosen = 0;
        std::int64_t bytes = 0;
    };

    void refilter();
    const Summary& summaryOf(const QModelIndex& section) const;
    void forgetSummaries(const QList<int>& roles = {});

    CleanerStore& store_;
    FindingsModel& source_;
    // By the source's section; a header is painted often and a section may hold thousands of findings.
    mutable QHash<const void*, Summary> summaries_;
};

} // namespace tarnwick
