#include "platform/FileOperations.h"
#include "removal/HistoryFile.h"
#include "support/FileLock.h"
#include "support/WindowFixture.h"
#include "ui/CircularCloseButton.h"
#include "ui/EmptyState.h"
#include "ui/ErrorAlert.h"
#include "ui/HistoryModel.h"
#include "ui/HistoryOverlay.h"
#include "ui/HistoryRowDelegate.h"
#include "ui/HistoryView.h"
#include "ui/RemovalConfirmation.h"

#include <QLabel>
#include <QListView>
#include <QPushButton>
#include <QTest>
#include <algorithm>
#include <memory>

namespace tarnwick::testing {
namespace {

namespace fs = std::filesystem;

class RemovalWorkflowTest : public WindowFixture {
protected:
    void SetUp() override {
        openWindow();
        runAll();
        confirmation = window->findChild<RemovalConfirmation*>();
        alert = window->findChild<ErrorAlert*>();
        history = window->findChild<HistoryOverlay*>();
        show("Editor");
    }

    // Removes Editor with everything chosen and lets the removal finish.
    void removeEditor() {
        show("Editor");
        store->choose(ItemChoice::Command::selectSafe);
        removeChosen();
    }

    void pressRowButton(int row) {
        QListView* list = history->view()->list();
        const QRect rowRect = list->visualRect(list->model()->index(row, 0));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          HistoryRowDelegate::buttonRect(rowRect).center());
        runAll();
    }

    QVariant rowData(int row, int role) const {
        const HistoryModel* model = history->view()->model();
        return model->data(model->index(row, 0), role);
    }

    RemovalConfirmation* confirmation = nullptr;
    ErrorAlert* alert = nullptr;
    HistoryOverlay* history = nullptr;
};

TEST_F(RemovalWorkflowTest, TheConfirmationCountsTheSelectionAndMovesExactlyIt) {
    const InstalledApp editor = app("Editor");
    store->choose(ItemChoice::Command::clear);
    store->setChoice(true, {editorCache.string()});
    store->requestRemoval();
    runAll();
    QMessageBox* dialog = confirmation->dialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->text(), "Move selected items to Trash?");
    EXPECT_EQ(dialog->informativeText(), "1 item (4 KB) will be moved to the macOS Trash. You can restore it "
                                         "from History until Trash is emptied.");

    QTest::keyClick(dialog, Qt::Key_Escape);
    QTRY_VERIFY(confirmation->dialog() == nullptr);
    EXPECT_FALSE(store->removals().candidate().has_value());
    runAll();
    EXPECT_TRUE(fs::exists(editorCache)) << "nothing moves without the confirmation";

    store->requestRemoval();
    runAll();
    auto* move = confirmation->dialog()->findChild<QPushButton*>("confirmRemoval");
    ASSERT_NE(move, nullptr);
    QTest::mouseClick(move, Qt::LeftButton);
    EXPECT_TRUE(store->removals().isRemoving());
    runAll();
    EXPECT_FALSE(fs::exists(editorCache));
    EXPECT_TRUE(fs::exists(editor.url)) << "only the chosen items move";
}

TEST_F(RemovalWorkflowTest, TheAlertShowsTheMessageAsWrittenUntilDismissed) {
    store->setErrorMessage("Some items could not be moved to Trash:\n\n<b>Notes</b>: Permission denied");
    ASSERT_TRUE(alert->isVisible());
    EXPECT_EQ(alert->message().toStdString(), *store->errorMessage()) << "markup stays text";
    QTest::keyClick(alert, Qt::Key_Return);
    EXPECT_FALSE(alert->isVisible());
    EXPECT_FALSE(store->errorMessage().has_value());

    std::string many = "Some items could not be moved to Trash:\n";
    for (int line = 0; line < 300; ++line) {
        many += "\nitem-" + std::to_string(line) + ": Operation not permitted";
    }
    store->setErrorMessage(many);
    EXPECT_LT(alert->height(), window->height()) << "a long list scrolls inside the alert";
    alert->reject(); // Escape or closing
    EXPECT_FALSE(store->errorMessage().has_value());
}

TEST_F(RemovalWorkflowTest, TheHistoryPanelListsRestoresAndForgetsRemovals) {
    HistoryView* view = history->view();
    store->openHistory();
    runAll();
    EXPECT_TRUE(history->isVisible());
    EXPECT_TRUE(view->emptyState()->isVisible());
    EXPECT_FALSE(view->clearAllButton()->isVisible());
    EXPECT_FALSE(view->clearUnavailableButton()->isVisible());

    // A click on the dimmed backdrop closes the panel.
    QTest::mouseClick(history, Qt::LeftButton, {}, QPoint(4, 4));
    EXPECT_FALSE(store->removals().isShown());
    QTRY_VERIFY(!history->isVisible());

    removeEditor();
    store->openHistory();
    runAll();
    ASSERT_EQ(view->model()->rowCount(), 1);
    EXPECT_EQ(rowData(0, Qt::DisplayRole).toString(), "Editor");
    const QString summary = rowData(0, HistoryModel::summaryRole).toString();
    EXPECT_TRUE(summary.startsWith(QString::number(store->removals().history().front().items.size()) +
                                   " items \u2022 "))
        << summary.toStdString();
    EXPECT_EQ(rowData(0, HistoryModel::actionRole).toString(), "Restore");
    EXPECT_TRUE(view->clearAllButton()->isVisible());
    EXPECT_FALSE(view->clearUnavailableButton()->isVisible());

    QListView* list = view->list();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      HistoryRowDelegate::buttonRect(list->visualRect(list->model()->index(0, 0))).center());
    EXPECT_TRUE(rowData(0, HistoryModel::restoringRole).toBool());
    EXPECT_FALSE(rowData(0, HistoryModel::actionEnabledRole).toBool());
    runAll();
    EXPECT_TRUE(history->isVisible()) << "the panel stays open after a restore";

    // Emptying the Trash turns the record into one that can only be forgotten, once the window looks again.
    removeEditor();
    for (const TrashPair& pair : store->removals().history().front().items) {
        fs::remove_all(pair.trashPath);
    }
    EXPECT_EQ(rowData(0, HistoryModel::actionRole).toString(), "Restore");
    store->refreshRestorability();
    runAll();
    EXPECT_EQ(rowData(0, HistoryModel::availabilityRole).toString(), "Trash emptied \u2014 cannot restore");
    EXPECT_EQ(rowData(0, HistoryModel::actionRole).toString(), "Remove");
    EXPECT_TRUE(view->clearUnavailableButton()->isVisible());
    pressRowButton(0);
    ASSERT_EQ(view->model()->rowCount(), 1) << "the earlier, restored record remains";
    QTest::mouseClick(view->clearUnavailableButton(), Qt::LeftButton);
    runAll();
    EXPECT_EQ(view->model()->rowCount(), 0);
    EXPECT_TRUE(view->emptyState()->isVisible());

    QTest::mouseClick(view->closeButton(), Qt::LeftButton);
    EXPECT_FALSE(store->removals().isShown());
}

TEST_F(RemovalWorkflowTest, APartialRemovalTakesWhatMovedAwayAndNamesWhatStayedWithTheRealCause) {
    if (!lockForTest(editorCache)) {
        GTEST_SKIP() << "this file system cannot lock a folder";
    }
    struct Unlock {
        fs::path location;
        ~Unlock() { unlockForTest(location); }
    } unlock{editorCache};
    store->choose(ItemChoice::Command::selectSafe);
    const std::size_t chosen = store->findings().chosenCount();
    ASSERT_GE(chosen, 2U);
    removeChosen();

    ASSERT_TRUE(store->errorMessage().has_value());
    const std::string message = *store->errorMessage();
    EXPECT_NE(message.find("~/Library/Caches/com.example.editor: it is locked"), std::string::npos)
        << message;
    EXPECT_EQ(message.find("uthoriz"), std::string::npos) << "no administrator could have moved it";
    ASSERT_FALSE(store->removals().history().empty());
    EXPECT_EQ(store->removals().history().front().items.size(), chosen - 1) << "the record holds what moved";
    EXPECT_TRUE(fs::exists(editorCache));
}

TEST_F(RemovalWorkflowTest, HistoryKeptAsideIsShownUntilItIsDealtWith) {
    HistoryView* view = history->view();
    store->openHistory();
    runAll();
    EXPECT_FALSE(view->keptAsideNotice()->isVisible());

    const fs::path file = HistoryFile::defaultLocation(platform);
    FileOperations::writeFile(file, "{ no history");
    for (int opening = 0; opening < 2; ++opening) {
        store->openHistory();
        runAll();
        EXPECT_TRUE(view->keptAsideNotice()->isVisible()) << opening;
        EXPECT_TRUE(
            view->keptAsideNotice()->text().contains(QString::fromStdString(file.string() + ".unreadable")))
            << view->keptAsideNotice()->text().toStdString();
    }
    fs::remove(file.string() + ".unreadable");
    store->openHistory();
    runAll();
    EXPECT_FALSE(view->keptAsideNotice()->isVisible());
}

} // namespace
} // namespace tarnwick::testing
