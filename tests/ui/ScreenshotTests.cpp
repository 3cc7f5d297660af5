#include "demo/DemoTree.h"
#include "support/EventLoop.h"
#include "support/WindowFixture.h"
#include "ui/DetailPane.h"
#include "ui/HistoryOverlay.h"
#include "ui/MainView.h"

#include <QApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QMimeData>
#include <QTest>

namespace tarnwick::testing {
namespace {

namespace fs = std::filesystem;

// Pictures of the window's main states on the demo tree, for review, in the build folder's "screenshots".
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
        EXPECT_TRUE((dialog != nullptr ? dialog : static_cast<QWidget*>(window.get()))->grab().save(file))
            << file.toStdString();
    }
};

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

} // namespace
} // namespace tarnwick::testing
