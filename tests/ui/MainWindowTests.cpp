#include "catalogue/ByteFormat.h"
#include "support/EventLoop.h"
#include "support/WindowFixture.h"
#include "ui/AppFilterControl.h"
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

    // Sends a drop of `urls` to the detail pane, or `target`, as the desktop would; returns whether it was
    // accepted.
    bool drop(const QList<QUrl>& urls, QWidget* target = nullptr) {
        QWidget& receiver = target != nullptr ? *target : detail();
        QMimeData data;
        data.setUrls(urls);
        const QPoint centre = receiver.rect().center();
        QDragEnterEvent enter(centre, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&receiver, &enter);
        QDropEvent dropped(QPointF(centre), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&receiver, &dropped);
        return dropped.isAccepted();
    }

    static QUrl file(const fs::path& location) {
        return QUrl::fromLocalFile(QString::fromStdString(location));
    }
};

TEST_F(MainWindowTest, FirstAppearanceLoadsOnceAndRefreshLoadsAgain) {
    openWindow(false);
    EXPECT_TRUE(tasks->empty()) << "nothing starts before the window appears";
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    EXPECT_EQ(sidebar().currentBody(), sidebar().loadingBody());
    runNext(Priority::userInitiated);
    EXPECT_EQ(sidebar().currentBody(), sidebar().listBody()) << "listed while sizes are still measured";
    EXPECT_EQ(listedNames(), (QStringList{"Agent", "App 2", "app 10", "Editor", "Texty"}));
    runAll();
    window->hide();
    window->show();
    EXPECT_TRUE(tasks->empty()) << "a filled list is not loaded again";

    window->rescanAction()->trigger();
    EXPECT_EQ(sidebar().currentBody(), sidebar().loadingBody()) << "the list is emptied while it reloads";
    runAll();
    QTest::mouseClick(window->quitButton(), Qt::LeftButton);
    EXPECT_EQ(workspace.quitRequests, 1);
}

TEST_F(MainWindowTest, RowsShowVersionThenSizeAndTheSearchNarrowsThem) {
    openWindow();
    runNext(Priority::userInitiated);
    const QModelIndex editor = rowNamed("Editor");
    EXPECT_EQ(editor.data(AppListModel::detailRole).toString(), "Version 2.1");
    EXPECT_TRUE(editor.data(AppListModel::isMeasuringRole).toBool()) << "a spinner, never a zero size";
    runAll();
    EXPECT_EQ(rowNamed("Editor").data(AppListModel::sizeTextRole).toString(),
              QString::fromStdString(ByteFormat::string(*app("Editor").size)));
    EXPECT_EQ(sidebar().footerText(), "5 applications");

    click(rowNamed("Editor"));
    QTest::keyClicks(sidebar().searchField()->lineEdit(), "tex");
    EXPECT_EQ(store->appList().search(), "tex");
    EXPECT_EQ(listedNames(), (QStringList{"Texty"}));
    EXPECT_EQ(sidebar().footerText(), "1 application");
    EXPECT_TRUE(highlightedName().isEmpty()) << "the selection stays in the store, without a row";
    EXPECT_EQ(modeButton(AppListFilter::apps)->accessibleDescription(), "5");
    sidebar().searchField()->lineEdit()->selectAll();
    QTest::keyClicks(sidebar().searchField()->lineEdit(), "COM.EXAMPLE.E");
    EXPECT_EQ(highlightedName(), "Editor") << "the selection shows again with its row";
    store->setAppSearch("app");
    EXPECT_EQ(sidebar().searchField()->text(), "app");
    QTest::keyClick(window.get(), Qt::Key_F, Qt::ControlModifier);
    EXPECT_TRUE(sidebar().searchField()->lineEdit()->hasFocus());
}

TEST_F(MainWindowTest, TheListSelectionAndTheModesAreTheStores) {
    openWindow();
    runAll();
    click(rowNamed("Editor"));
    EXPECT_TRUE(store->findings().isScanning());
    EXPECT_EQ(window->mainView()->applicationDetail()->nameLabel()->text(), "Editor");
    QTest::keyClick(&list(), Qt::Key_Down);
    EXPECT_TRUE(store->findings().isSelected(app("Texty").id())) << "arrows move the selection";
    store->select(app("Agent"));
    EXPECT_EQ(highlightedName(), "Agent");

    // Leftovers is a row of its own under a header that is no choice.
    EXPECT_FALSE(list().model()->flags(list().model()->index(leftoversRow().row() - 1, 0)) &
                 Qt::ItemIsSelectable);
    click(leftoversRow());
    EXPECT_TRUE(store->findings().isLeftoversMode());

    QTest::mouseClick(modeButton(AppListFilter::junk), Qt::LeftButton);
    EXPECT_FALSE(store->findings().selectedApp());
    EXPECT_TRUE(modeButton(AppListFilter::junk)->isChecked());
    EXPECT_EQ(sidebar().currentBody(), sidebar().previewBody());
    QTest::mouseClick(modeButton(AppListFilter::apps), Qt::LeftButton);

    fs::remove_all(platform.system("/Applications"));
    store->loadApps();
    runAll();
    QTest::mouseClick(modeButton(AppListFilter::junk), Qt::LeftButton);
    QTest::mouseClick(modeButton(AppListFilter::apps), Qt::LeftButton);
    ASSERT_NE(qobject_cast<EmptyState*>(detail().currentContent()), nullptr)
        << "all applications are the system's";
    EXPECT_EQ(qobject_cast<EmptyState*>(detail().currentContent())->title(), "Select an Application");
}

TEST_F(MainWindowTest, DropsTakeTheFirstBundleAndReportOtherFiles) {
    const fs::path first = tree.addApp(folder / "Downloads", {.fileName = "Dropped.app"});
    const fs::path second = tree.addApp(folder / "Downloads", {.fileName = "Second.app"});
    openWindow();
    runAll();
    QMimeData hovering;
    hovering.setUrls({file(first)});
    QDragEnterEvent enter(detail().rect().center(), Qt::CopyAction, &hovering, Qt::LeftButton,
                          Qt::NoModifier);
    QCoreApplication::sendEvent(&detail(), &enter);
    EXPECT_TRUE(detail().dropOverlay()->isVisible());
    QDragLeaveEvent leave;
    QCoreApplication::sendEvent(&detail(), &leave);
    EXPECT_FALSE(detail().dropOverlay()->isVisible());

    EXPECT_TRUE(drop({file(tree.addFile(folder / "Downloads/readme.txt", "text"))}));
    ASSERT_TRUE(waitUntil([&] { return store->errorMessage().has_value(); }));
    store->setErrorMessage(std::nullopt);

    EXPECT_TRUE(drop({file(first), file(second)}));
    ASSERT_TRUE(waitUntil([&] { return !tasks->empty(); }));
    runAll();
    EXPECT_EQ(highlightedName(), "Dropped");
    EXPECT_FALSE(drop({}));
    EXPECT_FALSE(drop({QUrl("https://example.com/App.app")}));
    settle();
    EXPECT_TRUE(tasks->empty());

    // The sidebar, whose footer invites a drop, takes it as the pane does.
    EXPECT_TRUE(drop({file(second)}, &sidebar()));
    ASSERT_TRUE(waitUntil([&] { return !tasks->empty(); }));
    runAll();
    EXPECT_EQ(highlightedName(), "Second");
}

} // namespace
} // namespace tarnwick::testing
