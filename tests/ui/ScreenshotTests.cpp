#include "demo/DemoTree.h"
#include "support/EventLoop.h"
#include "support/WindowFixture.h"
#include "ui/ApplicationDetailView.h"
#include "ui/DetailPane.h"
#include "ui/MainView.h"
#include "ui/Sidebar.h"

#include <QDir>
#include <QDragEnterEvent>
#include <QImage>
#include <QLabel>
#include <QListView>
#include <QMimeData>
#include <QPixmap>

namespace tarnwick::testing {
namespace {

namespace fs = std::filesystem;

// Pictures of the window's main states on the demo tree, for review: written to the build folder's
// "screenshots" folder.
class ScreenshotTest : public WindowFixture {
protected:
    void SetUp() override {
        DemoTree::build(folder.path());
        platform = Platform::rooted(folder.path());
        ASSERT_TRUE(QDir().mkpath(TARNWICK_SCREENSHOT_FOLDER));
    }

    void capture(const QString& name) {
        settle();
        const QString file = QStringLiteral(TARNWICK_SCREENSHOT_FOLDER "/") + name + QStringLiteral(".png");
        const QImage picture = window->grab().toImage();
        ASSERT_GE(picture.width(), 1040);
        ASSERT_GE(picture.height(), 680);
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
    ASSERT_TRUE(store->isLoadingApps());
    capture("01-loading");

    runAll();
    ASSERT_FALSE(store->apps().empty());
    click(rowNamed("Skylume"));
    runAll();
    ASSERT_TRUE(store->selectedApp());
    ASSERT_FALSE(store->residuals().empty());
    capture("03-app-with-findings");

    click(leftoversRow());
    runAll();
    ASSERT_TRUE(store->isLeftoversMode());
    capture("04-leftovers");

    const fs::path calculator = platform.system("/System/Applications/Calculator.app");
    store->selectDroppedApp(calculator);
    runAll();
    ASSERT_TRUE(store->selectedApp() && store->selectedApp()->isSystem);
    capture("05-system-app");
}

TEST_F(ScreenshotTest, NothingSelectedAndDropHover) {
    openWindow();
    runAll();
    ASSERT_FALSE(store->selectedApp());
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

} // namespace
} // namespace tarnwick::testing
