#pragma once

#include "store/AppListFilter.h"

#include <QMainWindow>
#include <QPointer>
#include <array>

class QAction;
class QSettings;

namespace tarnwick {

class CircularCloseButton;
class CleanerStore;
class MainView;
class UndoNotice;
class Workspace;

// The program's one window: the main view under a toolbar (History, Refresh, Quit), and the menus that hold
// every command as an action with its standard key (File, Edit, View, Window, Help). It keeps its state
// in `settings` between runs. Nothing that removes or quits is a stray key away: the quit button takes no
// focus, and when a dialog, an alert or the history panel closes, the keyboard goes back to the list it
// came from.
class MainWindow : public QMainWindow {
    Q_OBJECT

public:
    // The size the window is designed for at least; smaller only on a screen that has not that much room.
    static constexpr QSize designedMinimum{1040, 680};
    // The smallest size on a screen whose room for windows is `available`.
    static QSize minimumSizeFor(const QSize& available);

    MainWindow(CleanerStore& store, Workspace& workspace, QSettings& settings, QWidget* parent = nullptr);
    // Keeps the window's state for the next run.
    ~MainWindow() override;

    MainView* mainView() const { return view_; }
    UndoNotice* undoNotice() const { return undoNotice_; }
    CircularCloseButton* quitButton() const { return quitButton_; }

    QAction* historyAction() const { return history_; }
    // "Rescan Applications", the toolbar's Refresh.
    QAction* rescanAction() const { return rescan_; }
    QAction* undoAction() const { return undo_; }
    QAction* quitAction() const { return quit_; }
    QAction* findAction() const { return find_; }
    QAction* filterAction() const { return filterFiles_; }
    QAction* leftoversAction() const { return leftovers_; }
    QAction* modeAction(AppListFilter filter) const;

    void saveState() const;

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void buildMenus();
    void buildToolbar();
    void refreshActions();
    // Gives the keyboard back to the list the user last worked in, once nothing stands over the window.
    void returnFocus();
    void fitMinimumToScreen();
    void placeUndoNotice();

    CleanerStore& store_;
    Workspace& workspace_;
    QSettings& settings_;
    MainView* view_;
    UndoNotice* undoNotice_;
    CircularCloseButton* quitButton_;
    QAction* history_;
    QAction* rescan_;
    QAction* undo_;
    QAction* quit_;
    QAction* about_;
    QAction* find_;
    QAction* filterFiles_;
    QAction* leftovers_;
    QAction* minimize_;
    QAction* zoom_;
    std::array<QAction*, allAppListFilters.size()> modes_{};
    QPointer<QWidget> lastList_;
    QMetaObject::Connection focusWatch_;
};

} // namespace tarnwick
