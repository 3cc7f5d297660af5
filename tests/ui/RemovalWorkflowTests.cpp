#include "platform/FileOperations.h"
#include "store/StoreFixture.h"
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

class RemovalWorkflowTest : public StoreFixture {
protected:
    void SetUp() override {
        const fs::path applications = platform.system("/Applications");
        tree.addApp(applications, {.fileName = "Beta.app", .bundleID = "com.example.beta"});
        tree.addApp(applications, {.fileName = "Alpha.app", .bundleID = "com.example.alpha"});
        cache = tree.addFile(tree.userLibrary("Caches/com.example.beta/cache.db"), std::uint64_t{4000})
                    .parent_path();
        fs::create_directories(platform.home() / ".Trash");
        makeStore();
        window = std::make_unique<QWidget>();
        window->resize(1040, 680);
        confirmation = new RemovalConfirmation(*store, window.get());
        alert = new ErrorAlert(*store, window.get());
        history = new HistoryOverlay(*store, window.get());
        window->show();
        loadCompletely();
        store->select(app("Beta"));
        runAll();
    }

    void TearDown() override { window.reset(); }

    // Removes Beta with everything chosen and lets the removal finish.
    void removeBeta() {
        store->select(app("Beta"));
        runAll();
        store->setAll(true);
        store->requestRemoval();
        store->confirmRemoval();
        runAll();
    }

    void pressRowButton(int row) {
        QListView* list = history->view()->list();
        const QRect rowRect = list->visualRect(list->model()->index(row, 0));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          HistoryRowDelegate::buttonRect(rowRect).center());
    }

    QVariant rowData(int row, int role) const {
        const HistoryModel* model = history->view()->model();
        return model->data(model->index(row, 0), role);
    }

    fs::path cache;
    std::unique_ptr<QWidget> window;
    RemovalConfirmation* confirmation = nullptr;
    ErrorAlert* alert = nullptr;
    HistoryOverlay* history = nullptr;
};

TEST_F(RemovalWorkflowTest, TheConfirmationCountsTheSelectionAndMovesExactlyIt) {
    const InstalledApp beta = app("Beta");
    store->setAll(false);
    store->setSelection(true, {cache.string()});
    store->requestRemoval();
    QMessageBox* dialog = confirmation->dialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(dialog->text(), "Move selected items to Trash?");
    EXPECT_EQ(dialog->informativeText(),
              "1 items (4 KB) will be moved to the macOS Trash. You can restore them "
              "from History until Trash is emptied.");

    QTest::keyClick(dialog, Qt::Key_Escape);
    QTRY_VERIFY(confirmation->dialog() == nullptr);
    EXPECT_FALSE(store->removalCandidate().has_value());
    runAll();
    EXPECT_TRUE(fs::exists(cache)) << "nothing moves without the confirmation";

    store->requestRemoval();
    ASSERT_NE(confirmation->dialog(), nullptr);
    auto* move = confirmation->dialog()->findChild<QPushButton*>("confirmRemoval");
    ASSERT_NE(move, nullptr);
    EXPECT_EQ(move->text(), "Move to Trash");
    QTest::mouseClick(move, Qt::LeftButton);
    EXPECT_TRUE(store->isRemoving());
    runAll();
    EXPECT_FALSE(fs::exists(cache));
    EXPECT_TRUE(fs::exists(beta.url)) << "only the chosen items move";
}

TEST_F(RemovalWorkflowTest, TheAlertShowsTheMessageAsWrittenUntilDismissed) {
    store->setErrorMessage("Some items could not be moved to Trash:\n\n<b>Notes</b>: Permission denied");
    ASSERT_TRUE(alert->isVisible());
    EXPECT_EQ(alert->windowTitle(), "Tarnwick");
    EXPECT_EQ(alert->message().toStdString(), *store->errorMessage()) << "markup stays text";
    QTest::keyClick(alert, Qt::Key_Return);
    EXPECT_FALSE(alert->isVisible());
    EXPECT_FALSE(store->errorMessage().has_value());

    std::string many = "Some items could not be moved to Trash:\n";
    for (int line = 0; line < 300; ++line) {
        many += "\nitem-" + std::to_string(line) + ": Operation not permitted";
    }
    store->setErrorMessage(many);
    ASSERT_TRUE(alert->isVisible());
    EXPECT_LT(alert->height(), window->height()) << "a long list scrolls inside the alert";
    alert->reject(); // Escape or closing
    EXPECT_FALSE(store->errorMessage().has_value());
}

TEST_F(RemovalWorkflowTest, TheHistoryPanelListsRestoresAndForgetsRemovals) {
    HistoryView* view = history->view();
    store->openHistory();
    EXPECT_TRUE(history->isVisible());
    EXPECT_TRUE(view->emptyState()->isVisible());
    EXPECT_EQ(view->emptyState()->title(), "No Removal History");
    EXPECT_FALSE(view->clearAllButton()->isVisible());
    EXPECT_FALSE(view->clearUnavailableButton()->isVisible());

    // A click on the dimmed backdrop closes the panel.
    QTest::mouseClick(history, Qt::LeftButton, {}, QPoint(4, 4));
    EXPECT_FALSE(store->showHistory());
    QTRY_VERIFY(!history->isVisible());

    removeBeta();
    EXPECT_FALSE(fs::exists(app("Alpha").url.parent_path() / "Beta.app"));
    store->openHistory();
    ASSERT_EQ(view->model()->rowCount(), 1);
    EXPECT_EQ(rowData(0, Qt::DisplayRole).toString(), "Beta");
    const QString summary = rowData(0, HistoryModel::summaryRole).toString();
    EXPECT_TRUE(summary.startsWith(QString::number(store->history().front().items.size()) + " items \u2022 "))
        << summary.toStdString();
    EXPECT_EQ(rowData(0, HistoryModel::actionRole).toString(), "Restore");
    EXPECT_TRUE(view->clearAllButton()->isVisible());
    EXPECT_FALSE(view->clearUnavailableButton()->isVisible());

    pressRowButton(0);
    EXPECT_TRUE(rowData(0, HistoryModel::restoringRole).toBool());
    EXPECT_FALSE(rowData(0, HistoryModel::actionEnabledRole).toBool());
    runAll();
    EXPECT_TRUE(std::any_of(store->apps().begin(), store->apps().end(), [](const auto& each) {
        return each.name == "Beta";
    })) << "the restored application is listed again";
    EXPECT_TRUE(history->isVisible()) << "the panel stays open after a restore";

    // Emptying the Trash turns the record into one that can only be forgotten.
    removeBeta();
    store->openHistory();
    for (const TrashPair& pair : store->history().front().items) {
        fs::remove_all(pair.trashPath);
    }
    view->refresh();
    EXPECT_EQ(rowData(0, HistoryModel::availabilityRole).toString(), "Trash emptied \u2014 cannot restore");
    EXPECT_EQ(rowData(0, HistoryModel::actionRole).toString(), "Remove");
    EXPECT_TRUE(view->clearUnavailableButton()->isVisible());
    pressRowButton(0);
    ASSERT_EQ(view->model()->rowCount(), 1) << "the earlier, restored record remains";
    QTest::mouseClick(view->clearUnavailableButton(), Qt::LeftButton);
    EXPECT_EQ(view->model()->rowCount(), 0);
    EXPECT_TRUE(view->emptyState()->isVisible());

    QTest::mouseClick(view->closeButton(), Qt::LeftButton);
    EXPECT_FALSE(store->showHistory());
}

TEST_F(RemovalWorkflowTest, HistoryKeptAsideIsShownUntilItIsDealtWith) {
    HistoryView* view = history->view();
    store->openHistory();
    EXPECT_FALSE(view->keptAsideNotice()->isVisible());

    const fs::path file = store->trash().historyURL();
    FileOperations::writeFile(file, "{ no history");
    for (int opening = 0; opening < 2; ++opening) {
        store->openHistory();
        EXPECT_TRUE(view->keptAsideNotice()->isVisible()) << opening;
        EXPECT_TRUE(
            view->keptAsideNotice()->text().contains(QString::fromStdString(file.string() + ".unreadable")))
            << view->keptAsideNotice()->text().toStdString();
    }
    fs::remove(file.string() + ".unreadable");
    store->openHistory();
    EXPECT_FALSE(view->keptAsideNotice()->isVisible());
}

} // namespace
} // namespace tarnwick::testing
