#include "catalogue/ByteFormat.h"
#include "support/EventLoop.h"
#include "support/WindowFixture.h"
#include "ui/AppFilterControl.h"
#include "ui/AppListModel.h"
#include "ui/ApplicationDetailView.h"
#include "ui/CircularCloseButton.h"
#include "ui/DetailPane.h"
#include "ui/DropOverlay.h"
#include "ui/EmptyState.h"
#include "ui/MainView.h"
#include "ui/SearchField.h"
#include "ui/Sidebar.h"

#include <QAbstractButton>
#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMimeData>
#include <QSignalSpy>
#include <QTest>

namespace tarnwick::testing {
namespace {

namespace fs = std::filesystem;
using Priority = TaskRunner::Priority;

class MainWindowTest : public WindowFixture {
protected:
    QAbstractButton* modeButton(AppListFilter filter) const {
        return sidebar().filterControl()->button(filter);
    }

    // Sends a drop of `urls` to the detail pane as the desktop would; returns whether it was accepted.
    bool drop(const QList<QUrl>& urls) {
        QMimeData data;
        data.setUrls(urls);
        const QPoint centre = detail().rect().center();
        QDragEnterEvent enter(centre, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&detail(), &enter);
        QDropEvent dropped(QPointF(centre), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&detail(), &dropped);
        return dropped.isAccepted();
    }

    static QUrl file(const fs::path& location) {
        return QUrl::fromLocalFile(QString::fromStdString(location.string()));
    }

    const QStringList installed{"Agent", "App 2", "app 10", "Editor", "Texty"};
};

TEST_F(MainWindowTest, FirstAppearanceLoadsOnceShowingFindingApplicationsUntilTheFirstArrives) {
    openWindow(false);
    EXPECT_TRUE(tasks->empty()) << "nothing starts before the window appears";
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    EXPECT_TRUE(store->appList().isLoading());
    EXPECT_EQ(sidebar().currentBody(), sidebar().loadingBody());
    EXPECT_EQ(sidebar().loadingBody()->findChild<QLabel*>("loadingText")->text(),
              QString::fromUtf8("Finding applications\u2026"));

    // The list replaces the loading state with the first application, though loading goes on.
    std::vector<bool> listShownWhileLoading;
    QObject::connect(&store->appList(), &AppListState::appsChanged, [&] {
        if (!store->appList().apps().empty()) {
            listShownWhileLoading.push_back(store->appList().isLoading() &&
                                            sidebar().currentBody() == sidebar().listBody());
        }
    });
    runNext(Priority::userInitiated);
    ASSERT_FALSE(listShownWhileLoading.empty());
    EXPECT_TRUE(listShownWhileLoading.front());
    EXPECT_EQ(listedNames(), installed);
    runAll();

    window->hide();
    window->show();
    EXPECT_TRUE(tasks->empty()) << "a filled list is not loaded again";

    // Refresh and Ctrl-R load again, whatever is listed.
    window->refreshAction()->trigger();
    EXPECT_EQ(sidebar().currentBody(), sidebar().loadingBody()) << "the list is emptied while it reloads";
    runAll();
    QTest::keyClick(window.get(), Qt::Key_R, Qt::ControlModifier);
    EXPECT_TRUE(store->appList().isLoading());
    runAll();
    EXPECT_EQ(listedNames(), installed);
}

TEST_F(MainWindowTest, TheToolbarsCommandsReachTheStoreAndTheDesktop) {
    openWindow();
    runAll();
    QTest::mouseClick(window->quitButton(), Qt::LeftButton);
    EXPECT_EQ(workspace.quitRequests, 1);
    window->historyAction()->trigger();
    runAll();
    EXPECT_TRUE(store->removals().isShown());
    store->setShowHistory(false);
    QTest::keyClick(window.get(), Qt::Key_F, Qt::ControlModifier);
    EXPECT_TRUE(sidebar().searchField()->lineEdit()->hasFocus());
}

TEST_F(MainWindowTest, RowsShowVersionThenSizeArrivingInPlace) {
    openWindow();
    runNext(Priority::userInitiated);
    const QModelIndex editor = rowNamed("Editor");
    ASSERT_TRUE(editor.isValid());
    EXPECT_EQ(editor.data(AppListModel::detailRole).toString(), "Version 2.1");
    EXPECT_TRUE(editor.data(AppListModel::isMeasuringRole).toBool()) << "a spinner, never a zero size";
    EXPECT_TRUE(editor.data(AppListModel::sizeTextRole).toString().isEmpty());
    EXPECT_EQ(rowNamed("Agent").data(AppListModel::detailRole).toString(),
              QString::fromUtf8("Version \u2014"));

    QSignalSpy changed(list().model(), &QAbstractItemModel::dataChanged);
    runAll();
    EXPECT_EQ(resets()[0], 1) << "sizes update rows in place";
    EXPECT_GE(changed.count(), 6);
    EXPECT_EQ(rowNamed("Editor").data(AppListModel::sizeTextRole).toString(),
              QString::fromStdString(ByteFormat::string(*app("Editor").size)));
    EXPECT_FALSE(rowNamed("Editor").data(AppListModel::isMeasuringRole).toBool());
}

TEST_F(MainWindowTest, SearchByNameAndIdentifierWithTheFooterCountingListedApps) {
    openWindow();
    runAll();
    EXPECT_EQ(sidebar().footerText(), "5 applications");
    EXPECT_EQ(modeButton(AppListFilter::apps)->accessibleDescription(), "5");
    click(rowNamed("Editor"));
    ASSERT_TRUE(store->findings().isSelected(app("Editor").id()));

    QTest::keyClicks(sidebar().searchField()->lineEdit(), "tex");
    EXPECT_EQ(listedNames(), (QStringList{"Texty"}));
    EXPECT_EQ(sidebar().footerText(), "1 applications");
    EXPECT_TRUE(store->findings().isSelected(app("Editor").id()))
        << "hiding the selected row keeps the selection";
    EXPECT_TRUE(highlightedName().isEmpty());
    EXPECT_EQ(modeButton(AppListFilter::apps)->accessibleDescription(), "5");

    sidebar().searchField()->lineEdit()->selectAll();
    QTest::keyClicks(sidebar().searchField()->lineEdit(), "COM.EXAMPLE.E");
    EXPECT_EQ(listedNames(), (QStringList{"Editor"}));
    EXPECT_EQ(highlightedName(), "Editor") << "the selection shows again with its row";

    // A search set elsewhere shows in the field.
    store->setAppSearch("app");
    EXPECT_EQ(sidebar().searchField()->text(), "app");
    EXPECT_EQ(listedNames(), (QStringList{"App 2", "app 10"}));
}

TEST_F(MainWindowTest, TheListSelectionIsTheStores) {
    openWindow();
    runAll();
    click(rowNamed("Editor"));
    EXPECT_TRUE(store->findings().isScanning());
    ASSERT_EQ(detail().currentContent(), window->mainView()->applicationDetail());
    EXPECT_EQ(window->mainView()->applicationDetail()->nameLabel()->text(), "Editor");

    QTest::keyClick(&list(), Qt::Key_Down);
    EXPECT_TRUE(store->findings().isSelected(app("Texty").id())) << "arrows move the selection";
    store->select(app("Agent"));
    EXPECT_EQ(highlightedName(), "Agent");

    // Leftovers is a row of its own, and choosing it runs the Leftovers mode.
    const QModelIndex leftovers = leftoversRow();
    ASSERT_TRUE(leftovers.isValid());
    EXPECT_EQ(leftovers.data(AppListModel::detailRole).toString(), "Orphaned files");
    EXPECT_EQ(list().model()->index(leftovers.row() - 1, 0).data().toString(), "System Cleanup");
    EXPECT_FALSE(list().model()->flags(list().model()->index(leftovers.row() - 1, 0)) & Qt::ItemIsSelectable);
    QSignalSpy selections(&store->findings(), &FindingsState::selectionChanged);
    click(leftovers);
    EXPECT_TRUE(store->findings().isLeftoversMode());
    EXPECT_EQ(highlightedName(), QString::fromStdString(CleanerStore::leftoversApp().name));
    EXPECT_EQ(selections.count(), 1) << "one call, the Leftovers mode's own";
}

TEST_F(MainWindowTest, ModeSwitchClearsThenReselectsTheFirstInstalledApp) {
    openWindow();
    runAll();
    click(leftoversRow());
    QTest::mouseClick(modeButton(AppListFilter::junk), Qt::LeftButton);
    EXPECT_EQ(store->appList().filter(), AppListFilter::junk);
    EXPECT_FALSE(store->findings().selectedApp());
    EXPECT_FALSE(store->findings().isLeftoversMode());
    EXPECT_TRUE(modeButton(AppListFilter::junk)->isChecked());
    EXPECT_EQ(modeButton(AppListFilter::junk)->toolTip(), "Preview Junk Cleaner Pro");
    EXPECT_EQ(sidebar().currentBody(), sidebar().previewBody());
    EXPECT_EQ(sidebar().footerText(), "Pro feature");
    EXPECT_TRUE(sidebar().footerHint().isEmpty());

    QTest::mouseClick(modeButton(AppListFilter::apps), Qt::LeftButton);
    EXPECT_EQ(highlightedName(), "Agent") << "the first application that is not the system's";
    EXPECT_EQ(sidebar().currentBody(), sidebar().listBody());
}

TEST_F(MainWindowTest, ModeSwitchSelectsNothingWhenEveryAppIsTheSystems) {
    fs::remove_all(platform.system("/Applications"));
    openWindow();
    runAll();
    EXPECT_TRUE(listedNames().isEmpty());
    QTest::mouseClick(modeButton(AppListFilter::junk), Qt::LeftButton);
    QTest::mouseClick(modeButton(AppListFilter::apps), Qt::LeftButton);
    EXPECT_FALSE(store->findings().selectedApp());
    auto* empty = qobject_cast<EmptyState*>(detail().currentContent());
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(empty->title(), "Select an Application");
}

TEST_F(MainWindowTest, DropsTakeTheFirstBundleAndReportOtherFiles) {
    const fs::path elsewhere = folder / "Downloads";
    const fs::path first =
        tree.addApp(elsewhere, {.fileName = "Dropped.app", .bundleID = "com.example.dropped"});
    const fs::path second =
        tree.addApp(elsewhere, {.fileName = "Second.app", .bundleID = "com.example.second"});
    const fs::path text = tree.addFile(elsewhere / "readme.txt", "not an application");
    openWindow();
    runAll();

    // The overlay shows while a file hovers and goes when it leaves.
    QMimeData hovering;
    hovering.setUrls({file(first)});
    QDragEnterEvent enter(detail().rect().center(), Qt::CopyAction, &hovering, Qt::LeftButton,
                          Qt::NoModifier);
    QCoreApplication::sendEvent(&detail(), &enter);
    EXPECT_TRUE(detail().dropOverlay()->isVisible());
    QDragLeaveEvent leave;
    QCoreApplication::sendEvent(&detail(), &leave);
    EXPECT_FALSE(detail().dropOverlay()->isVisible());

    EXPECT_TRUE(drop({file(text)}));
    ASSERT_TRUE(waitUntil([&] { return store->errorMessage().has_value(); }));
    EXPECT_EQ(*store->errorMessage(), CleanerStore::notAnApplicationMessage);
    store->setErrorMessage(std::nullopt);

    EXPECT_TRUE(drop({file(first), file(second)}));
    ASSERT_TRUE(waitUntil([&] { return !tasks->empty(); }));
    runAll();
    ASSERT_TRUE(store->findings().selectedApp().has_value());
    EXPECT_EQ(store->findings().selectedApp()->name, "Dropped");
    EXPECT_EQ(highlightedName(), "Dropped");

    // Nothing to drop, or no file location, is refused.
    EXPECT_FALSE(drop({}));
    EXPECT_FALSE(drop({QUrl("https://example.com/App.app")}));
    settle();
    EXPECT_TRUE(tasks->empty());
    EXPECT_FALSE(store->errorMessage());
}

} // namespace
} // namespace tarnwick::testing
