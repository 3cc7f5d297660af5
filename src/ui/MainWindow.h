#pragma once

#include <QMainWindow>

class QAction;

namespace tarnwick {

class CircularCloseButton;
class CleanerStore;
class MainView;
class Workspace;

// The program's one window: the main view under a toolbar (History, Refresh, Quit), and the application
// menu with "Rescan Applications".
class MainWindow : public QMainWindow {
    Q_OBJECT

public:
    MainWindow(CleanerStore& store, Workspace& workspace, QWidget* parent = nullptr);

    MainView* mainView() const { return view_; }
    QAction* historyAction() const { return history_; }
    QAction* refreshAction() const { return refresh_; }
    QAction* rescanAction() const { return rescan_; }
    CircularCloseButton* quitButton() const { return quit_; }

    static QSize minimumContentSize() { return {1040, 680}; }

private:
    MainView* view_;
    QAction* history_;
    QAction* refresh_;
    QAction* rescan_;
    CircularCloseButton* quit_;
};

} // namespace tarnwick
