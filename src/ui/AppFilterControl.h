#pragma once

#include "store/AppListFilter.h"

#include <QWidget>
#include <array>

class QAbstractButton;

namespace tarnwick {

class CleanerStore;

// The sidebar's mode switch: "Apps" with the number of installed applications, and the two previews.
class AppFilterControl : public QWidget {
    Q_OBJECT

public:
    explicit AppFilterControl(CleanerStore& store, QWidget* parent = nullptr);

    QAbstractButton* button(AppListFilter filter) const;

    // The short title on a mode's button: "Junk" for the Junk Cleaner, otherwise the mode's name.
    static QString title(AppListFilter filter);
    static QString tooltip(AppListFilter filter);

private:
    void refresh();

    CleanerStore& store_;
    std::array<QAbstractButton*, allAppListFilters.size()> buttons_{};
};

} // namespace tarnwick
