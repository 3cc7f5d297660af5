#include "demo/DemoTree.h"
#include "support/EventLoop.h"
#include "support/WindowFixture.h"
#include "ui/ApplicationDetailView.h"
#include "ui/DetailPane.h"
#include "ui/HistoryOverlay.h"
#include "ui/MainView.h"
#include "ui/Sidebar.h"

#include <QApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QImage>
#include <QLabel>
#include <QListView>
#include <QMimeData>
#include <QPixmap>
#include <QTest>

namespace tarnwick::testing {
namespace {

namespace fs = std::filesystem;

// Pictures of the window's main states on the demo tree, for review: written to the build folder's
// "screenshots" folder.
class ScreenshotTest : public WindowFixture {
protected:
    void SetUp() override {
        DemoTree::build(folder / "demo");
        platform = Platform::rooted(folder / "demo");
        ASSERT_TRUE(QDir().mkpath(TARNWICK_SCREENSHOT_FOLDER));
    }

    // The window, or one of its dialogs, which are windows of their own.
    void capture(const QString& name, QWidget* dialog = nullptr) {
        settle();
        const QString file = QStringLiteral(TARNWICK_SCREENSHOT_FOLDER "/") + name + QStringLiteral(".png");
        const QImage picture =
            (dialog != nullptr ? dialog : static_cast<QWidget*>(window.get()))->grab().toImage();
        if (dialog == nullptr) {
            ASSERT_GE(picture.width(), 1040);
            ASSERT_GE(picture.height(), 680);
        }
        ASSERT_TRUE(picture.save(file)) << file.toStdString();
        // Something was drawn: a window of one colour would be a broken render.
        const QImage small = picture.scaled(64, 40);
        bool varied = false;
        for (int y = 0; y < small.height() && !varied; ++y) {
            for (int x = 0; x < small.width() && !varied; ++x) {
                varied = small.pixel(x, y) != small.pixel(0, 0);
            }
        }
        EXPECT_TRUE(varied) << name.toStdString();
    }
};

TEST_F(ScreenshotTest, MainStates) {
    openWindow();
    ASSERT_TRUE(store->appList().isLoading());
    capture("01-loading");

    runAll();
    ASSERT_FALSE(store->appList().apps().empty());
    click(rowNamed("Skylume"));
    runAll();
    ASSERT_FALSE(store->findings().items().empty());
    capture("03-app-with-findings");

    click(leftoversRow());
    runAll();
    ASSERT_TRUE(store->findings().isLeftoversMode());
    capture("04-leftovers");

    const fs::path calculator = platform.system("/System/Applications/Calculator.app");
    store->selectDroppedApp(calculator);
    runAll();
    ASSERT_TRUE(store->findings().selectedApp() && store->findings().selectedApp()->isSystem);
    capture("05-system-app");
}

TEST_F(ScreenshotTest, NothingSelectedAndDropHover) {
    openWindow();
    runAll();
    ASSERT_FALSE(store->findings().selectedApp());
    capture("00-empty");

    QMimeData hovering;
    hovering.setUrls(
        {QUrl::fromLocalFile(QString::fromStdString(platform.system("/Applications/Skylume.app").string()))});
    QDragEnterEvent enter(detail().rect().center(), Qt::CopyAction, &hovering, Qt::LeftButton,
                          Qt::NoModifier);
    QCoreApplication::sendEvent(&detail(), &enter);
    capture("06-drop-hover");
    QDragLeaveEvent leave;
    QCoreApplication::sendEvent(&detail(), &leave);
}

TEST_F(ScreenshotTest, RemovalWorkflowAndPreviews) {
    openWindow();
    runAll();
    click(rowNamed("Gloamlight"));
    runAll();
    store->requestRemoval();
    runAll();
    auto* confirmation = QApplication::activeModalWidget();
    ASSERT_NE(confirmation, nullptr);
    capture("07-confirmation", confirmation);
    store->cancelRemoval();

    store->setErrorMessage(
        "Some items could not be moved to Trash:\n\nGloamlight.app: Operation not permitted\n"
        "com.duskforge.gloamlight: Operation not permitted");
    auto* alert = QApplication::activeModalWidget();
    ASSERT_NE(alert, nullptr);
    capture("08-alert", alert);
    store->setErrorMessage(std::nullopt);

    // Two removals: one whose items are still in the Trash, one whose Trash was emptied.
    for (const QString& name : {QStringLiteral("Gloamlight"), QStringLiteral("Skylume")}) {
        click(rowNamed(name));
        runAll();
        store->requestRemoval();
        runAll();
        store->confirmRemoval();
        runAll();
    }
    ASSERT_EQ(store->removals().history().size(), 2U);
    for (const TrashPair& pair : store->removals().history().back().items) {
        fs::remove_all(pair.trashPath);
    }
    store->openHistory();
    runAll();
    auto* history = window->findChild<HistoryOverlay*>();
    ASSERT_NE(history, nullptr);
    QTRY_COMPARE(history->progress(), 1.0);
    capture("09-history");
    store->setShowHistory(false);
    QTRY_VERIFY(!history->isVisible());

    store->switchMode(AppListFilter::junk);
    capture("10-junk-preview");
    window->mainView()->setOfferRequest([](QObject*, std::function<void(std::optional<ProOffer>)> answer) {
        answer(ProOffer{.enabled = true,
                        .badge = "NEW",
                        .title = "Tarnwick Pro",
                        .message = "Duplicates and junk, found safely.",
                        .buttonTitle = "Download Pro",
                        .downloadURL = "https://example.com/pro"});
    });
    store->switchMode(AppListFilter::duplicates);
    capture("11-duplicates-preview-with-offer");
}

} // namespace
} // namespace tarnwick::testing
