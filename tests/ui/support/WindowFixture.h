#pragma once

#include "store/StoreFixture.h"
#include "support/RecordingWorkspace.h"
#include "ui/AppListModel.h"
#include "ui/MainWindow.h"

#include <QAbstractItemModelTester>
#include <QModelIndex>
#include <QSettings>
#include <QSignalSpy>
#include <QStringList>
#include <chrono>
#include <memory>
#include <vector>

class QListView;

namespace tarnwick {
class DetailPane;
class FindingsModel;
class HistoryModel;
class Sidebar;
} // namespace tarnwick

namespace tarnwick::testing {

// The real window over a store on the shared temporary tree, whose background work the test runs by hand.
// Every change the window's three models make is checked against the rules of item models as it happens,
// and their resets are counted.
class WindowFixture : public StoreFixture {
protected:
    // Makes the store and the window; `shown` shows it, which asks for the applications; `trash` replaces
    // the system's trash manager.
    void openWindow(bool shown = true, std::unique_ptr<TrashManager> trash = nullptr);
    // Opens the window with two more applications, Skylume and Gloamlight, in a home on the running system,
    // where processes run from bundles (the fixture's Mac in a folder has none); each has its bundle and
    // support folder found and chosen. What runs from them is given `patience` to quit.
    void openWindowOnRunningSystem(std::chrono::milliseconds patience);
    // The bundle of one of those applications.
    std::filesystem::path runningBundle(const std::string& name) const;
    // Makes the window the active one again after a dialog over it closed, as a desktop's window manager
    // does; the offscreen platform leaves no window active.
    void activateAgain();

    Sidebar& sidebar() const;
    DetailPane& detail() const;
    QListView& list() const;
    AppListModel& appModel() const;
    FindingsModel& findingsModel() const;
    HistoryModel& historyModel() const;
    // How many times each model was reset since the window opened, in that order.
    std::vector<int> resets() const;

    // Editor's findings in four categories: two exact caches and support files chosen, a merely possible
    // cache and log and exact preferences not.
    std::vector<ResidualItem> editorFindings() const;

    // The names on the sidebar's application rows, in order (the "System Cleanup" section left out).
    QStringList listedNames() const;
    QModelIndex rowNamed(const QString& name) const;
    QModelIndex leftoversRow() const;
    // A click on the row; with Qt::ControlModifier, the Command key on a Mac, it adds the row to those
    // chosen.
    void click(const QModelIndex& row, Qt::KeyboardModifiers modifiers = {}) const;
    // The name on the highlighted row; empty when none is.
    QString highlightedName() const;

    RecordingWorkspace workspace;
    // The window's settings, in a file of the test's own.
    std::unique_ptr<QSettings> settings;
    std::unique_ptr<MainWindow> window;

private:
    QModelIndexList sidebarRows(AppListModel::RowKind kind) const;

    std::vector<std::unique_ptr<QAbstractItemModelTester>> testers_;
    std::vector<std::unique_ptr<QSignalSpy>> resets_;
};

} // namespace tarnwick::testing
