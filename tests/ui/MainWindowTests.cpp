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
#include <QMenuBar>
#include <QMimeData>
#include <QSignalSpy>
#include <QSplitter>
#include <QTest>
#include <QToolBar>
#include <QToolButton>

namespace tarnwick::testing {
namespace {

namespace fs = std::filesystem;
using Priority = TaskRunner::Priority;

class MainWindowTest : public WindowFixture {
protected:
    void SetUp() override {
        const fs::path applications = platform.system("/Applications");
        tree.addApp(applications,
                    {.fileName = "Paint.app", .bundleID = "com.example.paint", .shortVersion = "2.1"});
        tree.addApp(applications,
                    {.fileName = "Notes.app", .bundleID = "com.example.notes", .shortVersion = "1.0"});
        tree.addApp(applications, {.fileName = "Zebra Tools.app", .bundleID = "org.zebra.tools"});
        tree.addApp(platform.system("/System/Applications"),
                    {.fileName = "Clock.app", .bundleID = "com.apple.clock"});
    }

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
};

TEST_F(MainWindowTest, FirstAppearanceLoadsOnceShowingFindingApplicationsUntilTheFirstArrives) {
    openWindow(false);
    EXPECT_TRUE(tasks->empty()) << "nothing starts before the window appears";
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    EXPECT_TRUE(store->isLoadingApps());
    EXPECT_EQ(pending(Priority::userInitiated), 1U);
    EXPECT_EQ(sidebar().currentBody(), sidebar().loadingBody());
    auto* loadingText = sidebar().loadingBody()->findChild<QLabel*>("loadingText");
    ASSERT_NE(loadingText, nullptr);
    EXPECT_EQ(loadingText->text(), QString::fromUtf8("Finding applications\u2026"));
    EXPECT_TRUE(loadingText->isVisible());

    // The list replaces the loading state with the first application, though loading goes on.
    std::vector<bool> listShownWhileLoading;
    QObject::connect(store.get(), &CleanerStore::appsChanged, [&] {
        if (!store->apps().empty()) {
            listShownWhileLoading.push_back(store->isLoadingApps() &&
                                            sidebar().currentBody() == sidebar().listBody());
        }
    });
    runNext(Priority::userInitiated);
    ASSERT_FALSE(listShownWhileLoading.empty());
    EXPECT_TRUE(listShownWhileLoading.front());
    EXPECT_EQ(listedNames(), (QStringList{"Notes", "Paint", "Zebra Tools"}));
    runAll();

    window->hide();
    window->show();
    EXPECT_FALSE(store->isLoadingApps()) << "a filled list is not loaded again";
    EXPECT_TRUE(tasks->empty());
}

TEST_F(MainWindowTest, RefreshAndControlRReloadEvenWithTheListFilled) {
    openWindow();
    runAll();
    ASSERT_EQ(listedNames().size(), 3);

    window->refreshAction()->trigger();
    EXPECT_TRUE(store->isLoadingApps());
    EXPECT_EQ(pending(Priority::userInitiated), 1U);
    EXPECT_EQ(sidebar().currentBody(), sidebar().loadingBody()) << "the list is emptied while it reloads";
    runAll();
    EXPECT_EQ(listedNames().size(), 3);

    QTest::keyClick(window.get(), Qt::Key_R, Qt::ControlModifier);
    EXPECT_TRUE(store->isLoadingApps());
    EXPECT_EQ(pending(Priority::userInitiated), 1U);
    runAll();
    EXPECT_EQ(listedNames(), (QStringList{"Notes", "Paint", "Zebra Tools"}));
    EXPECT_FALSE(store->isLoadingApps());
}

TEST_F(MainWindowTest, WindowShellMenuAndToolbar) {
    openWindow();
    EXPECT_EQ(window->minimumSize(), QSize(1040, 680));
    window->resize(800, 500);
    EXPECT_GE(window->width(), 1040);
    EXPECT_GE(window->height(), 680);
    EXPECT_TRUE(window->windowTitle().isEmpty());

    const QList<QAction*> menu = window->menuBar()->actions().first()->menu()->actions();
    ASSERT_GE(menu.size(), 2);
    EXPECT_EQ(menu[0]->menuRole(), QAction::AboutRole);
    EXPECT_EQ(menu[1]->text(), "Rescan Applications");
    EXPECT_EQ(menu[1]->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_R));

    auto* toolbar = window->findChild<QToolBar*>("mainToolbar");
    ASSERT_NE(toolbar, nullptr);
    EXPECT_EQ(toolbar->widgetForAction(window->historyAction())->accessibleName(), "History");
    EXPECT_EQ(toolbar->widgetForAction(window->refreshAction())->accessibleName(), "Refresh");
    EXPECT_EQ(window->quitButton()->toolTip(), "Quit Tarnwick");
    EXPECT_TRUE(window->quitButton()->isSubtle());
    QTest::mouseClick(window->quitButton(), Qt::LeftButton);
    EXPECT_EQ(workspace.quitRequests, 1);
    window->historyAction()->trigger();
    EXPECT_TRUE(store->showHistory());

    // The sidebar keeps to its column: 260 to 360 points, 300 at first.
    EXPECT_EQ(sidebar().minimumWidth(), 260);
    EXPECT_EQ(sidebar().maximumWidth(), 360);
    EXPECT_EQ(window->mainView()->splitter()->sizes().first(), 300);

    QTest::keyClick(window.get(), Qt::Key_F, Qt::ControlModifier);
    EXPECT_TRUE(sidebar().searchField()->lineEdit()->hasFocus());
}

TEST_F(MainWindowTest, RowsShowVersionThenSizeArrivingInPlace) {
    openWindow();
    runNext(Priority::userInitiated);
    const QModelIndex notes = rowNamed("Notes");
    ASSERT_TRUE(notes.isValid());
    EXPECT_EQ(notes.data(AppListModel::detailRole).toString(), "Version 1.0");
    EXPECT_TRUE(notes.data(AppListModel::isMeasuringRole).toBool()) << "a spinner, never a zero size";
    EXPECT_TRUE(notes.data(AppListModel::sizeTextRole).toString().isEmpty());
    EXPECT_EQ(rowNamed("Zebra Tools").data(AppListModel::detailRole).toString(),
              QString::fromUtf8("Version \u2014"));

    QSignalSpy resets(list().model(), &QAbstractItemModel::modelReset);
    QSignalSpy changed(list().model(), &QAbstractItemModel::dataChanged);
    runAll();
    EXPECT_EQ(resets.count(), 0) << "sizes update rows in place";
    EXPECT_EQ(changed.count(), 3);
    const InstalledApp& measured = app("Notes");
    ASSERT_TRUE(measured.size.has_value());
    EXPECT_EQ(rowNamed("Notes").data(AppListModel::sizeTextRole).toString(),
              QString::fromStdString(ByteFormat::string(*measured.size)));
    EXPECT_FALSE(rowNamed("Notes").data(AppListModel::isMeasuringRole).toBool());
}

TEST_F(MainWindowTest, SearchByNameAndIdentifierWithTheFooterCountingListedApps) {
    openWindow();
    runAll();
    EXPECT_EQ(sidebar().footerText(), "3 applications");
    EXPECT_EQ(sidebar().footerHint(), "Drop an app here");
    EXPECT_EQ(modeButton(AppListFilter::apps)->accessibleDescription(), "3");
    click(rowNamed("Paint"));
    ASSERT_TRUE(store->selectedApp());

    QTest::keyClicks(sidebar().searchField()->lineEdit(), "zeb");
    EXPECT_EQ(store->appSearch(), "zeb");
    EXPECT_EQ(listedNames(), (QStringList{"Zebra Tools"}));
    EXPECT_EQ(sidebar().footerText(), "1 applications");
    EXPECT_EQ(store->selectedApp()->name, "Paint") << "hiding the selected row keeps the selection";
    EXPECT_TRUE(highlightedName().isEmpty());
    EXPECT_EQ(modeButton(AppListFilter::apps)->accessibleDescription(), "3");

    sidebar().searchField()->lineEdit()->selectAll();
    QTest::keyClicks(sidebar().searchField()->lineEdit(), "COM.EXAMPLE");
    EXPECT_EQ(listedNames(), (QStringList{"Notes", "Paint"}));
    EXPECT_EQ(sidebar().footerText(), "2 applications");
    EXPECT_EQ(highlightedName(), "Paint") << "the selection shows again with its row";

    QTest::mouseClick(sidebar().searchField()->clearButton(), Qt::LeftButton);
    EXPECT_EQ(store->appSearch(), "");
    EXPECT_EQ(listedNames().size(), 3);

    // A search set elsewhere shows in the field.
    store->setAppSearch("note");
    EXPECT_EQ(sidebar().searchField()->text(), "note");
    EXPECT_EQ(listedNames(), (QStringList{"Notes"}));
}

TEST_F(MainWindowTest, TheListSelectionIsTheStores) {
    openWindow();
    runAll();
    click(rowNamed("Paint"));
    ASSERT_TRUE(store->selectedApp());
    EXPECT_EQ(store->selectedApp()->name, "Paint");
    EXPECT_TRUE(store->isScanning());
    ASSERT_EQ(detail().currentContent(), window->mainView()->applicationDetail());
    EXPECT_EQ(window->mainView()->applicationDetail()->nameLabel()->text(), "Paint");

    QTest::keyClick(&list(), Qt::Key_Down);
    EXPECT_EQ(store->selectedApp()->name, "Zebra Tools") << "arrows move the selection";

    store->select(app("Notes"));
    EXPECT_EQ(highlightedName(), "Notes");

    // Leftovers is a row of its own, and choosing it runs the Leftovers mode.
    const QModelIndex leftovers = leftoversRow();
    ASSERT_TRUE(leftovers.isValid());
    EXPECT_EQ(leftovers.data().toString(), QString::fromStdString(CleanerStore::leftoversApp().name));
    EXPECT_EQ(leftovers.data(AppListModel::detailRole).toString(), "Orphaned files");
    EXPECT_EQ(list().model()->index(leftovers.row() - 1, 0).data().toString(), "System Cleanup");
    EXPECT_FALSE(list().model()->flags(list().model()->index(leftovers.row() - 1, 0)) & Qt::ItemIsSelectable);
    QSignalSpy selections(store.get(), &CleanerStore::selectedAppChanged);
    click(leftovers);
    EXPECT_TRUE(store->isLeftoversMode());
    EXPECT_EQ(store->selectedApp()->id(), CleanerStore::leftoversApp().id());
    EXPECT_EQ(highlightedName(), QString::fromStdString(CleanerStore::leftoversApp().name));
    EXPECT_EQ(selections.count(), 1) << "one call, the Leftovers mode's own";
}

TEST_F(MainWindowTest, ModeSwitchClearsThenReselectsTheFirstInstalledApp) {
    openWindow();
    runAll();
    click(leftoversRow());
    ASSERT_TRUE(store->isLeftoversMode());

    QTest::mouseClick(modeButton(AppListFilter::junk), Qt::LeftButton);
    EXPECT_EQ(store->appListFilter(), AppListFilter::junk);
    EXPECT_FALSE(store->selectedApp());
    EXPECT_TRUE(store->residuals().empty());
    EXPECT_FALSE(store->isLeftoversMode());
    EXPECT_TRUE(modeButton(AppListFilter::junk)->isChecked());
    EXPECT_EQ(modeButton(AppListFilter::junk)->toolTip(), "Preview Junk Cleaner Pro");
    EXPECT_EQ(modeButton(AppListFilter::junk)->text(), "Junk");
    EXPECT_EQ(modeButton(AppListFilter::junk)->accessibleDescription(), "PRO");
    EXPECT_EQ(sidebar().currentBody(), sidebar().previewBody());
    EXPECT_EQ(sidebar().footerText(), "Pro feature");
    EXPECT_TRUE(sidebar().footerHint().isEmpty());

    QTest::mouseClick(modeButton(AppListFilter::duplicates), Qt::LeftButton);
    EXPECT_EQ(modeButton(AppListFilter::duplicates)->toolTip(), "Preview Duplicates Pro");
    QTest::mouseClick(modeButton(AppListFilter::apps), Qt::LeftButton);
    EXPECT_EQ(modeButton(AppListFilter::apps)->toolTip(), "Browse installed applications");
    ASSERT_TRUE(store->selectedApp());
    EXPECT_EQ(store->selectedApp()->name, "Notes") << "the first application that is not the system's";
    EXPECT_EQ(highlightedName(), "Notes");
    EXPECT_EQ(sidebar().currentBody(), sidebar().listBody());

    // Back to Apps with a selection keeps it.
    click(rowNamed("Zebra Tools"));
    QTest::mouseClick(modeButton(AppListFilter::apps), Qt::LeftButton);
    EXPECT_EQ(store->selectedApp()->name, "Zebra Tools");
}

TEST_F(MainWindowTest, ModeSwitchSelectsNothingWhenEveryAppIsTheSystems) {
    fs::remove_all(platform.system("/Applications"));
    openWindow();
    runAll();
    ASSERT_FALSE(store->apps().empty());
    EXPECT_TRUE(listedNames().isEmpty());
    EXPECT_EQ(sidebar().footerText(), "0 applications");
    QTest::mouseClick(modeButton(AppListFilter::junk), Qt::LeftButton);
    QTest::mouseClick(modeButton(AppListFilter::apps), Qt::LeftButton);
    EXPECT_FALSE(store->selectedApp());
    auto* empty = qobject_cast<EmptyState*>(detail().currentContent());
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(empty->title(), "Select an Application");
    EXPECT_EQ(empty->message(), "Choose an app from the sidebar or drop an .app bundle here.");
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
    EXPECT_TRUE(enter.isAccepted());
    EXPECT_TRUE(detail().isDropTargeted());
    EXPECT_TRUE(detail().dropOverlay()->isVisible());
    EXPECT_EQ(DropOverlay::text(), "Drop Application to Scan");
    QDragLeaveEvent leave;
    QCoreApplication::sendEvent(&detail(), &leave);
    EXPECT_FALSE(detail().dropOverlay()->isVisible());

    EXPECT_TRUE(drop({file(text)}));
    EXPECT_FALSE(store->errorMessage()) << "the store hears of the drop after it is accepted";
    ASSERT_TRUE(waitUntil([&] { return store->errorMessage().has_value(); }));
    EXPECT_EQ(*store->errorMessage(), CleanerStore::notAnApplicationMessage);
    store->setErrorMessage(std::nullopt);

    EXPECT_TRUE(drop({file(first), file(second)}));
    ASSERT_TRUE(waitUntil([&] { return store->selectedApp().has_value(); }));
    EXPECT_EQ(store->selectedApp()->name, "Dropped");
    EXPECT_FALSE(store->errorMessage());
    EXPECT_EQ(highlightedName(), "Dropped");
    EXPECT_FALSE(detail().dropOverlay()->isVisible());

    // Nothing to drop, or no file location, is refused.
    EXPECT_FALSE(drop({}));
    EXPECT_FALSE(drop({QUrl("https://example.com/App.app")}));
    settle();
    EXPECT_EQ(store->selectedApp()->name, "Dropped");
    EXPECT_FALSE(store->errorMessage());
}

} // namespace
} // namespace tarnwick::testing
