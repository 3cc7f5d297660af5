#include "ui/MainWindow.h"

#include "store/CleanerStore.h"
#include "ui/ApplicationDetailView.h"
#include "ui/CircularCloseButton.h"
#include "ui/DetailPane.h"
#include "ui/ErrorAlert.h"
#include "ui/FindingsView.h"
#include "ui/HistoryOverlay.h"
#include "ui/MainView.h"
#include "ui/RemovalConfirmation.h"
#include "ui/SearchField.h"
#include "ui/Sidebar.h"
#include "ui/Symbols.h"
#include "ui/UndoNotice.h"
#include "ui/WindowSettings.h"
#include "ui/Workspace.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QListView>
#include <QMenuBar>
#include <QMessageBox>
#include <QScreen>
#include <QSettings>
#include <QSplitter>
#include <QTimer>
#include <QToolBar>
#include <QWindow>

namespace tarnwick {

namespace {

QString qt(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QAction* action(const QString& text, QObject* parent, const QList<QKeySequence>& keys = {}) {
    auto* made = new QAction(text, parent);
    made->setShortcuts(keys);
    return made;
}

} // namespace

QSize MainWindow::minimumSizeFor(const QSize& available) {
    return designedMinimum.boundedTo(available);
}

MainWindow::MainWindow(CleanerStore& store, Workspace& workspace, QSettings& settings, QWidget* parent)
    : QMainWindow(parent)
    , store_(store)
    , workspace_(workspace)
    , settings_(settings)
    , view_(new MainView(store, workspace, this))
    , undoNotice_(new UndoNotice(store, this))
    , quitButton_(new CircularCloseButton(tr("Quit Tarnwick"), true))
    , history_(action(tr("Removal History"), this, {QKeySequence(Qt::CTRL | Qt::Key_Y)}))
    , rescan_(action(tr("Rescan Applications"), this, {QKeySequence(Qt::CTRL | Qt::Key_R)}))
    , undo_(action(tr("Undo Move to Trash"), this, {QKeySequence::Undo}))
    , quit_(action(tr("Quit Tarnwick"), this, {QKeySequence::Quit}))
    , about_(action(tr("About Tarnwick"), this))
    , find_(action(tr("Search Applications"), this, {QKeySequence::Find}))
    , filterFiles_(
          action(tr("Filter Discovered Files"), this, {QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_F)}))
    , leftovers_(action(tr("Leftovers"), this, {QKeySequence(Qt::CTRL | Qt::Key_L)}))
    , minimize_(action(tr("Minimize"), this, {QKeySequence(Qt::CTRL | Qt::Key_M)}))
    , zoom_(action(tr("Zoom"), this)) {
    // No title: the window shows its content from the top, as far as the desktop allows.
    setWindowTitle(QString());
    setUnifiedTitleAndToolBarOnMac(true);
    setCentralWidget(view_);
    setMinimumSize(designedMinimum);

    history_->setIconText(tr("History"));
    history_->setIcon(Symbols::icon("clock.arrow.circlepath"));
    rescan_->setIconText(tr("Refresh"));
    rescan_->setIcon(Symbols::icon("arrow.clockwise"));
    // The command of the application menu on a Mac, always available, even while a load runs.
    rescan_->setMenuRole(QAction::ApplicationSpecificRole);
    quit_->setMenuRole(QAction::QuitRole);
    about_->setMenuRole(QAction::AboutRole);

    buildToolbar();
    buildMenus();

    // The removal workflow's layers: the history panel dims the toolbar too, so it covers the window.
    new RemovalConfirmation(store, this);
    new ErrorAlert(store, this);
    new HistoryOverlay(store, this);

    connect(history_, &QAction::triggered, &store_, &CleanerStore::openHistory);
    connect(rescan_, &QAction::triggered, &store_, &CleanerStore::loadApps);
    connect(undo_, &QAction::triggered, &store_, &CleanerStore::undoRemoval);
    connect(quit_, &QAction::triggered, this, [this] { workspace_.quit(); });
    connect(quitButton_, &QAbstractButton::clicked, quit_, &QAction::trigger);
    connect(about_, &QAction::triggered, this, [this] {
        QMessageBox::about(
            this, tr("About Tarnwick"),
            tr("Tarnwick %1\nClean uninstall for macOS.").arg(QCoreApplication::applicationVersion()));
    });
    connect(find_, &QAction::triggered, this, [this] {
        QLineEdit* field = view_->sidebar()->searchField()->lineEdit();
        field->setFocus(Qt::ShortcutFocusReason);
        field->selectAll();
    });
    connect(filterFiles_, &QAction::triggered, this, [this] {
        QLineEdit* field = view_->applicationDetail()->filterField()->lineEdit();
        field->setFocus(Qt::ShortcutFocusReason);
        field->selectAll();
    });
    connect(leftovers_, &QAction::triggered, this, [this] {
        store_.switchMode(AppListFilter::apps);
        store_.selectLeftovers();
    });
    connect(minimize_, &QAction::triggered, this, &QWidget::showMinimized);
    connect(zoom_, &QAction::triggered, this, [this] { isMaximized() ? showNormal() : showMaximized(); });

    // The keyboard goes back to the list the user worked in whenever what stood over the window is gone.
    focusWatch_ = connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
        if (now == view_->sidebar()->list() || now == view_->applicationDetail()->list()) {
            lastList_ = now;
        }
    });
    const auto returnFocusLater = [this] { QTimer::singleShot(0, this, &MainWindow::returnFocus); };
    const RemovalState& removals = store_.removals();
    connect(&removals, &RemovalState::candidateChanged, this, returnFocusLater);
    connect(&removals, &RemovalState::forceQuitCandidateChanged, this, returnFocusLater);
    connect(&removals, &RemovalState::shownChanged, this, returnFocusLater);
    connect(&removals, &RemovalState::busyChanged, this, returnFocusLater);
    connect(&store_, &CleanerStore::errorMessageChanged, this, returnFocusLater);

    for (const auto signal :
         {&RemovalState::undoableChanged, &RemovalState::busyChanged, &RemovalState::shownChanged}) {
        connect(&removals, signal, this, &MainWindow::refreshActions);
    }
    connect(&removals, &RemovalState::undoableChanged, this, &MainWindow::placeUndoNotice);
    connect(&store_.appList(), &AppListState::filterChanged, this, &MainWindow::refreshActions);
    connect(&store_.findings(), &FindingsState::selectionChanged, this, &MainWindow::refreshActions);
    refreshActions();

    WindowSettings::restore(settings_, *this, *view_->splitter(), *view_->applicationDetail()->list(),
                            store_);
}

MainWindow::~MainWindow() {
    // Focus moves while the children go, after this window has stopped being one.
    disconnect(focusWatch_);
    saveState();
}

void MainWindow::saveState() const {
    WindowSettings::save(settings_, *this, *view_->splitter(), *view_->applicationDetail()->list(), store_);
}

QAction* MainWindow::modeAction(AppListFilter filter) const {
    for (std::size_t position = 0; position < allAppListFilters.size(); ++position) {
        if (allAppListFilters[position] == filter) {
            return modes_[position];
        }
    }
    return nullptr;
}

void MainWindow::buildToolbar() {
    auto* toolbar = new QToolBar(tr("Toolbar"), this);
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
    toolbar->addAction(rescan_);
    auto* quitHolder = new QWidget(toolbar);
    auto* quitLayout = new QHBoxLayout(quitHolder);
    quitLayout->setContentsMargins(0, 0, 4, 0);
    quitLayout->addWidget(quitButton_);
    // Quitting is never where the keyboard lands: it is pressed with the pointer or Command-Q.
    quitButton_->setFocusPolicy(Qt::NoFocus);
    toolbar->addWidget(quitHolder);
    addToolBar(Qt::TopToolBarArea, toolbar);
    for (QAction* command : {history_, rescan_}) {
        if (QWidget* button = toolbar->widgetForAction(command)) {
            button->setAccessibleName(command->iconText());
            button->setToolTip(command->iconText());
            button->setFocusPolicy(Qt::TabFocus);
        }
    }
}

void MainWindow::buildMenus() {
    ApplicationDetailView* detail = view_->applicationDetail();
    FindingsView* findings = detail->list();

    QMenu* file = menuBar()->addMenu(tr("&File"));
    file->addAction(rescan_);
    file->addSeparator();
    file->addAction(detail->moveToTrashAction());
    file->addAction(findings->revealAction());
    file->addSeparator();
    file->addAction(quit_);

    QMenu* edit = menuBar()->addMenu(tr("&Edit"));
    edit->addAction(undo_);
    edit->addSeparator();
    edit->addAction(findings->copyPathAction());
    edit->addAction(detail->selectSafeAction());
    edit->addAction(detail->clearAction());
    edit->addAction(findings->chooseAction());
    edit->addSeparator();
    edit->addAction(find_);
    edit->addAction(filterFiles_);

    QMenu* viewMenu = menuBar()->addMenu(tr("&View"));
    auto* modes = new QActionGroup(this);
    for (std::size_t position = 0; position < allAppListFilters.size(); ++position) {
        const AppListFilter filter = allAppListFilters[position];
        const QString title = filter == AppListFilter::apps ? tr("Applications") : qt(rawValue(filter));
        QAction* mode =
            action(title, modes, {QKeySequence(Qt::CTRL | (Qt::Key_1 + static_cast<int>(position)))});
        mode->setCheckable(true);
        connect(mode, &QAction::triggered, this, [this, filter] { store_.switchMode(filter); });
        viewMenu->addAction(mode);
        modes_[position] = mode;
    }
    viewMenu->addAction(leftovers_);
    viewMenu->addSeparator();
    viewMenu->addAction(findings->detailsAction());
    viewMenu->addSeparator();
    viewMenu->addAction(history_);

    QMenu* window = menuBar()->addMenu(tr("&Window"));
    window->addAction(minimize_);
    window->addAction(zoom_);

    QMenu* help = menuBar()->addMenu(tr("&Help"));
    help->addAction(about_);
}

void MainWindow::refreshActions() {
    const RemovalState& removals = store_.removals();
    const bool panel = removals.isShown();
    undo_->setEnabled(removals.canUndo() && !removals.isBusy() && !panel);
    undo_->setToolTip(undo_->isEnabled() ? undo_->text() : tr("There is no removal to undo."));
    for (QAction* command : {rescan_, find_, leftovers_}) {
        command->setEnabled(!panel);
    }
    filterFiles_->setEnabled(!panel && store_.findings().selectedApp().has_value() &&
                             store_.appList().filter() == AppListFilter::apps);
    for (std::size_t position = 0; position < allAppListFilters.size(); ++position) {
        modes_[position]->setEnabled(!panel);
        modes_[position]->setChecked(allAppListFilters[position] == store_.appList().filter());
    }
}

void MainWindow::returnFocus() {
    if (QApplication::activeModalWidget() != nullptr || store_.removals().isShown() ||
        store_.removals().candidate() || store_.removals().forceQuitCandidate() ||
        !store_.removals().waitingFor().empty() || store_.errorMessage()) {
        return; // something still stands over the window
    }
    QWidget* focused = QApplication::focusWidget();
    const bool onList = focused == view_->sidebar()->list() || focused == view_->applicationDetail()->list();
    const bool inSearch = focused != nullptr && qobject_cast<QLineEdit*>(focused) != nullptr;
    if (onList || inSearch) {
        return;
    }
    QWidget* target = lastList_;
    if (target == nullptr || !target->isVisible() || !target->isEnabled()) {
        QWidget* findings = view_->applicationDetail()->list();
        target = findings->isVisible() ? findings : static_cast<QWidget*>(view_->sidebar()->list());
    }
    if (target->isVisible()) {
        target->setFocus(Qt::OtherFocusReason);
    }
}

void MainWindow::fitMinimumToScreen() {
    if (const QScreen* shown = screen()) {
        const QSize frame = frameGeometry().size() - geometry().size();
        setMinimumSize(minimumSizeFor(shown->availableGeometry().size() - frame));
    }
}

void MainWindow::placeUndoNotice() {
    const QSize size = undoNotice_->sizeHint();
    const QRect detail(view_->detailPane()->mapTo(this, QPoint(0, 0)), view_->detailPane()->size());
    // Above the detail pane's footer, centred in it.
    undoNotice_->setGeometry(detail.center().x() - size.width() / 2, detail.bottom() - 64 - size.height(),
                             size.width(), size.height());
}

void MainWindow::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    fitMinimumToScreen();
    connect(windowHandle(), &QWindow::screenChanged, this, &MainWindow::fitMinimumToScreen,
            Qt::UniqueConnection);
}

void MainWindow::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    placeUndoNotice();
}

void MainWindow::closeEvent(QCloseEvent* event) {
    saveState();
    QMainWindow::closeEvent(event);
}

} // namespace tarnwick
