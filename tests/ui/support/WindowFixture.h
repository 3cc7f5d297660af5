#pragma once

#include "store/StoreFixture.h"
#include "support/RecordingWorkspace.h"
#include "ui/MainWindow.h"

#include <QAbstractItemModelTester>
#include <QModelIndex>
#include <QStringList>
#include <memory>

class QListView;

namespace tarnwick {
class Sidebar;
class DetailPane;
} // namespace tarnwick

namespace tarnwick::testing {

// The real window over a store on a temporary tree whose background work the test runs by hand.
class WindowFixture : public StoreFixture {
protected:
    // Makes the store and the window; `shown` shows it, which asks for the applications.
    void openWindow(bool shown = true);

    Sidebar& sidebar() const;
    DetailPane& detail() const;
    QListView& list() const;
    // The names on the sidebar's application rows, in order (the "System Cleanup" section left out).
    QStringList listedNames() const;
    QModelIndex rowNamed(const QString& name) const;
    QModelIndex leftoversRow() const;
    void click(const QModelIndex& row) const;
    // The name on the highlighted row; empty when none is.
    QString highlightedName() const;

    RecordingWorkspace workspace;
    std::unique_ptr<MainWindow> window;

private:
    std::unique_ptr<QAbstractItemModelTester> tester_;
};

} // namespace tarnwick::testing
