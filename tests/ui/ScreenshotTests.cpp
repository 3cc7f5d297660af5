#include "demo/DemoTree.h"
#include "support/EventLoop.h"
#include "support/FileLock.h"
#include "support/RunningCopy.h"
#include "support/WindowFixture.h"
#include "ui/DetailPane.h"
#include "ui/HistoryOverlay.h"
#include "ui/MainView.h"
#include "ui/MainWindow.h"

#include <QApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QMimeData>
#include <QTest>

namespace tarnwick::testing {
namespace {

namespace fs = std::filesystem;

// The window, or one of its dialogs, which are windows of their own.
class Capturing : public WindowFixture {
protected:
    void capture(const QString& name, QWidget* dialog = nullptr) {
        ASSERT_TRUE(QDir().mkpath(TARNWICK_SCREENSHOT_FOLDER));
        settle();
        const QString file = QStringLiteral(TARNWICK_SCREENSHOT_FOLDER "/") + name + QStringLiteral(".png");
        EXPECT_TRUE((dialog != nullptr ? dialog : static_cast<QWidget*>(window.get()))->grab().save(file))
            << file.toStdString();
    }

    static void useDarkPalette() {
        QPalette dark = QApplication::palette();
        for (const auto group : {QPalette::Active, QPalette::Inactive}) {
            dark.setColor(group, QPalette::Window, QColor(36, 36, 38));
            dark.setColor(group, QPalette::WindowText, QColor(235, 235, 240));
            dark.setColor(group, QPalette::Base, QColor(28, 28, 30));
            dark.setColor(group, QPalette::AlternateBase, QColor(44, 44, 46));
            dark.setColor(group, QPalette::Text, QColor(235, 235, 240));
            dark.setColor(group, QPalette::Button, QColor(58, 58, 60));
            dark.setColor(group, QPalette::ButtonText, QColor(235, 235, 240));
            dark.setColor(group, QPalette::PlaceholderText, QColor(235, 235, 240, 140));
            dark.setColor(group, QPalette::Mid, QColor(80, 80, 84));
        }
        QApplication::setPalette(dark);
    }
};

// Pictures of the window's main states on the demo tree, for review, in the build folder's "screenshots".
class ScreenshotTest : public Capturing {
protected:
    void SetUp() override {
        DemoTree::build(folder / "demo");
        platform = Platform::rooted(folder / "demo");
    }
};

// Applications on the running system, where one of them runs.
class RunningScreenshotTest : public Capturing {};

TEST_F(ScreenshotTest, MainStates) {
    openWindow();
    capture("01-loading");
    runAll();
    capture("00-empty");
    QMimeData hovering;
    hovering.setUrls(
        {QUrl::fromLocalFile(QString::fromStdString(platform.system("/Applications/Skylume.app")))});
    QDragEnterEvent enter(detail().rect().center(), Qt::CopyAction, &hovering, Qt::LeftButton,
                          Qt::NoModifier);
    QCoreApplication::sendEvent(&detail(), &enter);
    capture("06-drop-hover");
    QDragLeaveEvent leave;
    QCoreApplication::sendEvent(&detail(), &leave);

    click(rowNamed("Skylume"));
    runAll();
    capture("03-app-with-findings");
    click(leftoversRow());
    runAll();
    capture("04-leftovers");
    store->selectDroppedApp(platform.system("/System/Applications/Calculator.app"));
    runAll();
    capture("05-system-app");

    click(rowNamed("Gloamlight"));
    runAll();
    store->requestRemoval();
    runAll();
    capture("07-confirmation", QApplication::activeModalWidget());
    store->cancelRemoval();
    store->setErrorMessage(
        "Some items could not be moved to Trash:\n\nGloamlight.app: Operation not permitted");
    capture("08-alert", QApplication::activeModalWidget());
    store->setErrorMessage(std::nullopt);

    // Two removals: one whose items are still in the Trash, one whose Trash was emptied.
    for (const QString& name : {QStringLiteral("Gloamlight"), QStringLiteral("Skylume")}) {
        click(rowNamed(name));
        runAll();
        removeChosen();
    }
    capture("12-undo-notice");
    for (const TrashPair& pair : store->removals().history().back().items) {
        fs::remove_all(pair.trashPath);
    }
    store->openHistory();
    runAll();
    QTRY_COMPARE(window->findChild<HistoryOverlay*>()->progress(), 1.0);
    capture("09-history");
    store->setShowHistory(false);

    store->switchMode(AppListFilter::junk);
    capture("10-junk-preview");
    window->mainView()->setOfferRequest([](QObject*, std::function<void(std::optional<ProOffer>)> answer) {
        answer(ProOffer{true, "NEW", "Tarnwick Pro", "Duplicates and junk, found safely.", "Download Pro",
                        "https://example.com/pro"});
    });
    store->switchMode(AppListFilter::duplicates);
    capture("11-duplicates-preview-with-offer");
}

TEST_F(ScreenshotTest, DarkSmallestSeveralAndPartlyFailed) {
    openWindow();
    runAll();
    click(rowNamed("Skylume"));
    runAll();

    // The smallest window on a 1024 by 640 screen, less a menu bar and a title bar.
    const QSize smallest = MainWindow::minimumSizeFor(QSize(1024, 640 - 25 - 28));
    window->setMinimumSize(smallest);
    window->resize(smallest);
    settle();
    EXPECT_EQ(window->size(), smallest) << "the content fits: " << window->minimumSizeHint().height();
    capture("14-smallest-window");
    window->resize(MainWindow::designedMinimum);

    click(rowNamed("Gloamlight"), Qt::ControlModifier);
    click(rowNamed("Ferncastle Writer"), Qt::ControlModifier);
    runAll();
    capture("19-several-apps");
    const QPalette light = QApplication::palette();
    useDarkPalette();
    capture("20-several-apps-dark");
    click(rowNamed("Skylume"));
    runAll();
    capture("15-dark-window");
    store->switchMode(AppListFilter::junk);
    capture("16-dark-junk-preview");
    store->switchMode(AppListFilter::apps);
    QApplication::setPalette(light);

    // A removal of which one folder stays: it is locked, which no administrator can undo.
    const fs::path locked = platform.home() / "Library/Caches/com.halcyra.skylume";
    if (!lockForTest(locked)) {
        GTEST_SKIP() << "this file system cannot lock a folder";
    }
    click(rowNamed("Skylume"));
    runAll();
    store->choose(ItemChoice::Command::selectSafe);
    removeChosen();
    capture("13-partial-failure", QApplication::activeModalWidget());
    unlockForTest(locked);
    store->setErrorMessage(std::nullopt);
    capture("13-partial-failure-window");
}

TEST_F(RunningScreenshotTest, ConfirmationOfSeveralWithOneRunning) {
    openWindowOnRunningSystem(std::chrono::milliseconds(100));
    runAll();
    RunningCopy skylume(runningBundle("Skylume") / "Contents/MacOS/Skylume", RunningCopy::OnQuit::ignores);
    click(rowNamed("Gloamlight"));
    runAll();
    click(rowNamed("Skylume"), Qt::ControlModifier);
    runAll();
    store->requestRemoval();
    runAll();
    capture("22-several-apps-confirmation-running", QApplication::activeModalWidget());
    store->confirmRemoval();
    capture("23-waiting-to-quit", QApplication::activeModalWidget());
    runAll();
    capture("24-force-quit-question", QApplication::activeModalWidget());
    store->cancelForceQuit();
}

TEST_F(ScreenshotTest, OnADoubleDensityScreen) {
    if (qApp->devicePixelRatio() < 2) {
        GTEST_SKIP() << "run with the double-density screen (ui_screenshots_2x)";
    }
    openWindow();
    runAll();
    click(rowNamed("Skylume"));
    runAll();
    capture("17-window-2x");
    click(rowNamed("Gloamlight"), Qt::ControlModifier);
    runAll();
    capture("21-several-apps-2x");
    store->switchMode(AppListFilter::junk);
    capture("18-junk-preview-2x");
}

} // namespace
} // namespace tarnwick::testing
