#include "support/EventLoop.h"
#include "support/WindowFixture.h"
#include "ui/ApplicationDetailView.h"
#include "ui/CircularCloseButton.h"
#include "ui/ErrorAlert.h"
#include "ui/FindingsModel.h"
#include "ui/FindingsView.h"
#include "ui/HistoryModel.h"
#include "ui/HistoryOverlay.h"
#include "ui/HistoryView.h"
#include "ui/MainView.h"
#include "ui/RemovalConfirmation.h"
#include "ui/SearchField.h"
#include "ui/Sidebar.h"
#include "ui/UndoNotice.h"
#include "ui/WindowSettings.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QListView>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollBar>
#include <QSplitter>
#include <QTest>
#include <QToolBar>
#include <tuple>

namespace tarnwick::testing {
namespace {

namespace fs = std::filesystem;

class KeyboardAndStateTest : public WindowFixture {
protected:
    void SetUp() override {
        openWindow();
        runAll();
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
        detail = window->mainView()->applicationDetail();
    }

    // Where the window's keyboard goes: the offscreen platform does not always hand the application's focus
    // back to the window once a dialog over it closes, as a desktop does.
    QWidget* focused() const { return window->focusWidget(); }

    bool onAList() const { return focused() == sidebar().list() || focused() == detail->list(); }

    // Many findings, so that the list scrolls.
    std::vector<ResidualItem> manyFindings(const std::string& prefix) const {
        std::vector<ResidualItem> items;
        for (int index = 0; index < 40; ++index) {
            items.push_back(finding("Caches/" + prefix + std::to_string(index), ResidualCategory::cache,
                                    MatchConfidence::exact, true));
        }
        return items;
    }

    QAction* menuAction(const QString& menu, const QString& text) const {
        for (QAction* top : window->menuBar()->actions()) {
            if (top->text().remove('&') != menu || top->menu() == nullptr) {
                continue;
            }
            for (QAction* entry : top->menu()->actions()) {
                if (entry->text() == text) {
                    return entry;
                }
            }
        }
        return nullptr;
    }

    ApplicationDetailView* detail = nullptr;
};

TEST_F(KeyboardAndStateTest, AfterARemovalOrAnAlertTheKeyboardIsBackInTheListAndSpaceNeverQuits) {
    EXPECT_EQ(window->quitButton()->focusPolicy(), Qt::NoFocus);
    show("Editor");
    store->choose(ItemChoice::Command::selectSafe);
    detail->list()->setFocus();
    QTest::mouseClick(detail->moveToTrashButton(), Qt::LeftButton);
    runAll();
    QMessageBox* dialog = window->findChild<RemovalConfirmation*>()->dialog();
    ASSERT_NE(dialog, nullptr);
    QTest::mouseClick(dialog->findChild<QPushButton*>("confirmRemoval"), Qt::LeftButton);
    runAll();
    const auto expectBackInAList = [&] {
        settle();
        activateAgain();
        ASSERT_TRUE(onAList()) << (focused() ? focused()->metaObject()->className() : "nothing");
        QTest::keyClick(focused(), Qt::Key_Space);
        EXPECT_EQ(workspace.quitRequests, 0);
    };
    expectBackInAList();
    store->setErrorMessage("Something went wrong.");
    QTest::keyClick(window->findChild<ErrorAlert*>(), Qt::Key_Return);
    settle();
    ASSERT_FALSE(window->findChild<ErrorAlert*>()->isVisible());
    expectBackInAList();

    // However far Tab goes round the window, it never lands on quitting.
    for (int press = 0; press < 40; ++press) {
        QTest::keyClick(focused(), Qt::Key_Tab);
        ASSERT_NE(focused(), window->quitButton());
    }
}

TEST_F(KeyboardAndStateTest, TheHistoryPanelHoldsTheKeyboardUntilEscapeClosesIt) {
    show("Editor");
    store->choose(ItemChoice::Command::selectSafe);
    removeChosen();
    activateAgain();
    auto* overlay = window->findChild<HistoryOverlay*>();
    window->historyAction()->trigger();
    runAll();
    ASSERT_TRUE(overlay->isVisible());
    ASSERT_NE(focused(), nullptr);
    EXPECT_EQ(focused(), overlay->view()->list()) << "the records take the keyboard";
    for (int press = 0; press < 12; ++press) {
        QTest::keyClick(focused(), press % 3 == 0 ? Qt::Key_Backtab : Qt::Key_Tab);
        ASSERT_TRUE(overlay->isAncestorOf(focused())) << focused()->metaObject()->className();
    }
    // Nothing behind the backdrop answers its keys while the panel shows.
    EXPECT_FALSE(detail->moveToTrashAction()->isEnabled());
    overlay->view()->list()->setFocus();
    QTest::keyClick(focused(), Qt::Key_Escape);
    EXPECT_FALSE(store->removals().isShown());
    settle();
    EXPECT_TRUE(onAList());
}

TEST_F(KeyboardAndStateTest, ANewSelectionStartsAtTheTopOfItsList) {
    show("Editor", manyFindings("editor-"));
    QScrollBar* bar = detail->list()->verticalScrollBar();
    detail->list()->scrollToBottom();
    ASSERT_GT(bar->value(), 0);
    show("Texty", manyFindings("texty-"));
    settle();
    EXPECT_EQ(bar->value(), 0);
}

TEST_F(KeyboardAndStateTest, EveryCommandIsAMenuActionWithItsKey) {
    // One action per command: the toolbar's Refresh is File's Rescan, the list's Copy Path is Edit's.
    auto* toolbar = window->findChild<QToolBar*>("mainToolbar");
    EXPECT_TRUE(toolbar->actions().contains(window->rescanAction()));
    EXPECT_EQ(menuAction("File", "Rescan Applications"), window->rescanAction());
    EXPECT_EQ(menuAction("Edit", "Copy Path"), detail->list()->copyPathAction());
    EXPECT_TRUE(detail->list()->actions().contains(detail->list()->revealAction()));
    // The standard keys, on the entries the menus show; a Mac puts Quit and About in the application menu.
    const std::initializer_list<std::tuple<QString, QString, QKeySequence::StandardKey>> standard{
        {"File", "Quit Tarnwick", QKeySequence::Quit},
        {"Edit", "Undo Move to Trash", QKeySequence::Undo},
        {"Edit", "Copy Path", QKeySequence::Copy},
        {"Edit", "Select Safe", QKeySequence::SelectAll},
        {"Edit", "Search Applications", QKeySequence::Find}};
    for (const auto& [menu, text, key] : standard) {
        QAction* entry = menuAction(menu, text);
        ASSERT_NE(entry, nullptr) << text.toStdString();
        EXPECT_TRUE(entry->shortcuts().contains(QKeySequence(key))) << text.toStdString();
    }
    EXPECT_EQ(menuAction("File", "Quit Tarnwick")->menuRole(), QAction::QuitRole);
    EXPECT_EQ(menuAction("Help", "About Tarnwick")->menuRole(), QAction::AboutRole);

    show("Editor");
    store->choose(ItemChoice::Command::selectSafe);
    detail->list()->setFocus();
    // Delete, and Command-Backspace as on a Mac, ask to move the chosen items.
    for (const auto& [key, modifier] :
         {std::pair{Qt::Key_Delete, Qt::NoModifier}, std::pair{Qt::Key_Backspace, Qt::ControlModifier}}) {
        QTest::keyClick(detail->list(), key, modifier);
        runAll();
        ASSERT_TRUE(store->removals().candidate().has_value()) << key;
        store->cancelRemoval();
        settle();
        activateAgain();
    }

    // Typing in a search field keeps its own Delete.
    sidebar().searchField()->lineEdit()->setFocus();
    QTest::keyClicks(sidebar().searchField()->lineEdit(), "ab");
    QTest::keyClick(sidebar().searchField()->lineEdit(), Qt::Key_Home);
    QTest::keyClick(sidebar().searchField()->lineEdit(), Qt::Key_Delete);
    EXPECT_EQ(sidebar().searchField()->text(), "b");
    EXPECT_FALSE(store->removals().candidate().has_value());
    QTest::keyClick(sidebar().searchField()->lineEdit(), Qt::Key_Escape);
    EXPECT_EQ(sidebar().searchField()->text(), "") << "Escape clears a search";
    QTest::keyClick(sidebar().searchField()->lineEdit(), Qt::Key_Down);
    EXPECT_EQ(focused(), sidebar().list()) << "Down goes on to the list";

    QTest::keyClick(window.get(), Qt::Key_2, Qt::ControlModifier);
    EXPECT_EQ(store->appList().filter(), AppListFilter::junk);
    EXPECT_TRUE(window->modeAction(AppListFilter::junk)->isChecked());
    QTest::keyClick(window.get(), Qt::Key_1, Qt::ControlModifier);
    EXPECT_EQ(store->appList().filter(), AppListFilter::apps);
    QTest::keyClick(window.get(), Qt::Key_R, Qt::ControlModifier);
    EXPECT_TRUE(store->appList().isLoading());
    runAll();
    QTest::keyClick(window.get(), Qt::Key_Y, Qt::ControlModifier);
    runAll();
    EXPECT_TRUE(store->removals().isShown());
}

// How a restore puts items back is the removal layer's (tests/removal/RestoreTests.cpp); here, which
// removal Undo takes back and what the window shows of it.
TEST_F(KeyboardAndStateTest, UndoPutsBackTheLastRemovalOnce) {
    EXPECT_FALSE(window->undoAction()->isEnabled()) << "nothing to undo yet";
    // An earlier removal, which stays in the Trash: Undo puts back the last one.
    const ResidualItem earlier =
        finding("Caches/com.example.texty", ResidualCategory::cache, MatchConfidence::exact, true);
    show("Texty", {{earlier}});
    store->choose(ItemChoice::Command::selectSafe);
    removeChosen();
    ASSERT_FALSE(fs::exists(earlier.url));
    show("Editor");
    const InstalledApp editor = app("Editor");
    store->choose(ItemChoice::Command::selectSafe);
    removeChosen();
    activateAgain();
    ASSERT_FALSE(fs::exists(editor.url));
    ASSERT_FALSE(fs::exists(editorCache));
    const std::size_t moved = store->removals().history().front().items.size();
    ASSERT_TRUE(window->undoNotice()->isVisible());
    EXPECT_EQ(window->undoNotice()->text(), QString("Moved %1 items to the Trash.").arg(moved));
    ASSERT_TRUE(window->undoAction()->isEnabled());
    // Nothing over the history panel, which holds the window while it shows.
    store->openHistory();
    runAll();
    EXPECT_FALSE(window->undoNotice()->isVisible());
    store->setShowHistory(false);
    runAll();

    QTest::keyClick(window.get(), Qt::Key_Z, Qt::ControlModifier);
    runAll();
    EXPECT_TRUE(fs::exists(editor.url));
    EXPECT_TRUE(fs::exists(editorCache));
    EXPECT_FALSE(fs::exists(earlier.url)) << "the earlier removal stays in the Trash";
    EXPECT_GE(store->appList().rowOf(editor.id()), 0) << "listed again";
    EXPECT_FALSE(window->undoAction()->isEnabled()) << "put back once";
    EXPECT_FALSE(window->undoNotice()->isVisible());
}

TEST_F(KeyboardAndStateTest, TheWindowComesBackAsItWasLeft) {
    window->resize(1180, 760);
    window->mainView()->splitter()->setSizes({340, 840});
    const QList<int> split = window->mainView()->splitter()->sizes();
    show("Editor");
    detail->list()->setClosedSections({"Caches"});
    store->switchMode(AppListFilter::duplicates);
    window.reset(); // kept as the program ends

    openWindow();
    EXPECT_EQ(window->size(), QSize(1180, 760));
    EXPECT_EQ(window->mainView()->splitter()->sizes(), split);
    EXPECT_TRUE(window->mainView()->applicationDetail()->list()->closedSections().contains("Caches"));
    EXPECT_EQ(store->appList().filter(), AppListFilter::duplicates);

    // A place on a screen that is gone is moved onto one that is there.
    window->move(40000, 40000);
    window.reset();
    openWindow();
    const QRect screen = window->screen()->availableGeometry();
    EXPECT_TRUE(screen.intersects(window->frameGeometry())) << window->frameGeometry().x();
    // Qt's restore already does so here; the window's own rule covers where it does not.
    window->move(40000, 40000);
    WindowSettings::keepOnScreen(*window);
    EXPECT_TRUE(screen.intersects(window->frameGeometry())) << window->frameGeometry().x();
}

TEST_F(KeyboardAndStateTest, EveryControlAndRowHasANameForScreenReaders) {
    show("Editor");
    store->choose(ItemChoice::Command::selectSafe);
    // Every row of the findings: the sections, what is in them and a finding's opened details.
    const QAbstractItemModel& findings = findingsModel();
    std::vector<QModelIndex> rows{QModelIndex()};
    for (std::size_t next = 0; next < rows.size(); ++next) {
        for (int row = 0; row < findings.rowCount(rows[next]); ++row) {
            rows.push_back(findings.index(row, 0, rows[next]));
        }
    }
    ASSERT_GT(rows.size(), 3U);
    for (std::size_t next = 1; next < rows.size(); ++next) {
        EXPECT_FALSE(rows[next].data(Qt::AccessibleTextRole).toString().isEmpty())
            << rows[next].data().toString().toStdString();
    }
    removeChosen();
    window->historyAction()->trigger();
    runAll();
    for (QWidget* widget : window->findChildren<QWidget*>()) {
        const bool control = qobject_cast<QAbstractButton*>(widget) != nullptr ||
                             qobject_cast<QAbstractItemView*>(widget) != nullptr ||
                             qobject_cast<QLineEdit*>(widget) != nullptr;
        if (!control || !widget->isVisibleTo(window.get())) {
            continue;
        }
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(widget);
        ASSERT_NE(accessible, nullptr);
        EXPECT_FALSE(accessible->text(QAccessible::Name).isEmpty())
            << widget->metaObject()->className() << " " << widget->objectName().toStdString() << " "
            << widget->toolTip().toStdString();
    }
    for (const QAbstractItemModel* model :
         std::initializer_list<const QAbstractItemModel*>{list().model(), &historyModel()}) {
        for (int row = 0; row < model->rowCount(); ++row) {
            EXPECT_FALSE(model->index(row, 0).data(Qt::AccessibleTextRole).toString().isEmpty()) << row;
        }
    }
    // The row's command is reachable without the pointer.
    QListView* records = window->findChild<HistoryOverlay*>()->view()->list();
    ASSERT_FALSE(records->actions().isEmpty());
    EXPECT_EQ(records->actions().front()->text(), "Restore");
}

} // namespace
} // namespace tarnwick::testing
