#include "ui/MainWindow.h"

#include "store/CleanerStore.h"
#include "ui/CircularCloseButton.h"
#include "ui/ErrorAlert.h"
#include "ui/HistoryOverlay.h"
#include "ui/MainView.h"
#include "ui/RemovalConfirmation.h"
#include "ui/Symbols.h"
#include "ui/Theme.h"
#include "ui/Workspace.h"

#include <QAction>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QMenuBar>
#include <QMessageBox>
#include <QToolBar>

namespace tarnwick {

namespace {

QAction* toolbarAction(const QString& label, std::string_view symbol, QObject* parent) {
    auto* action = new QAction(Symbols::icon(symbol), label, parent);
    action->setToolTip(label);
    return action;
}

} // namespace

MainWindow::MainWindow(CleanerStore& store, Workspace& workspace, QWidget* parent)
    : QMainWindow(parent)
    , view_(new MainView(store, workspace, this))
    , history_(toolbarAction(tr("History"), "clock.arrow.circlepath", this))
    , refresh_(toolbarAction(tr("Refresh"), "arrow.clockwise", this))
    , rescan_(new QAction(tr("Rescan Applications"), this))
    , quit_(new CircularCloseButton(tr("Quit Tarnwick"), true)) {
    // No title: the window shows its content from the top, as far as the desktop allows.
    setWindowTitle(QString());
    setUnifiedTitleAndToolBarOnMac(true);
    setCentralWidget(view_);
    setMinimumSize(minimumContentSize());

    auto* toolbar = new QToolBar(this);
    toolbar->setObjectName("mainToolbar");
    toolbar->setMovable(false);
    toolbar->setFloatable(false);
    toolbar->setIconSize(QSize(18, 18));
    toolbar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    toolbar->toggleViewAction()->setEnabled(false);
    auto* spacer = new QWidget(toolbar);
    spacer->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    toolbar->addWidget(spacer);
    toolbar->addAction(history_);
    toolbar->addAction(refresh_);
    auto* quitHolder = new QWidget(toolbar);
    auto* quitLayout = new QHBoxLayout(quitHolder);
    quitLayout->setContentsMargins(0, 0, 4, 0);
    quitLayout->addWidget(quit_);
    toolbar->addWidget(quitHolder);
    addToolBar(Qt::TopToolBarArea, toolbar);
    for (QAction* action : {history_, refresh_}) {
        if (QWidget* button = toolbar->widgetForAction(action)) {
            button->setAccessibleName(action->text());
        }
    }

    // The removal workflow's layers: the history panel dims the toolbar too, so it covers the window.
    new RemovalConfirmation(store, this);
    new ErrorAlert(store, this);
    new HistoryOverlay(store, this);

    connect(history_, &QAction::triggered, &store, &CleanerStore::openHistory);
    connect(refresh_, &QAction::triggered, &store, &CleanerStore::loadApps);
    connect(quit_, &QAbstractButton::clicked, this, [&workspace] { workspace.quit(); });

    // The application menu: About, then the one command of the program, then Quit.
    QMenu* menu = menuBar()->addMenu(tr("Tarnwick"));
    auto* about = menu->addAction(tr("About Tarnwick"));
    about->setMenuRole(QAction::AboutRole);
    connect(about, &QAction::triggered, this, [this] {
        QMessageBox::about(
            this, tr("About Tarnwick"),
            tr("Tarnwick %1\nClean uninstall for macOS.").arg(QCoreApplication::applicationVersion()));
    });
    rescan_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_R));
    rescan_->setShortcutContext(Qt::ApplicationShortcut);
    rescan_->setMenuRole(QAction::ApplicationSpecificRole);
    menu->addAction(rescan_);
    connect(rescan_, &QAction::triggered, &store, &CleanerStore::loadApps);
    menu->addSeparator();
    auto* quit = menu->addAction(tr("Quit Tarnwick"));
    quit->setShortcut(QKeySequence::Quit);
    quit->setMenuRole(QAction::QuitRole);
    connect(quit, &QAction::triggered, this, [&workspace] { workspace.quit(); });
}

} // namespace tarnwick
