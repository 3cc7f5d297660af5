#include "residuals/ResidualCategory.h"
#include "ui/Symbols.h"

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QPalette>
#include <algorithm>
#include <gtest/gtest.h>
#include <set>

namespace tarnwick {
namespace {

TEST(Symbols, EveryNameInTheTableHasAnIconOnABareMachine) {
    std::set<std::string_view> seen;
    for (const std::string_view name : Symbols::names()) {
        EXPECT_TRUE(seen.insert(name).second) << "listed twice: " << name;
        EXPECT_FALSE(Symbols::icon(name).isNull()) << name;
    }
    EXPECT_TRUE(Symbols::icon("no.such.symbol").isNull());
    EXPECT_FALSE(Symbols::isKnown("no.such.symbol"));
}

TEST(Symbols, EveryCategorysSymbolIsInTheTable) {
    for (const ResidualCategory category : allResidualCategories()) {
        EXPECT_TRUE(Symbols::isKnown(symbol(category))) << symbol(category);
    }
}

TEST(Symbols, PixmapIsDrawnInTheOneColourAsked) {
    const QColor orange(255, 149, 0);
    const QImage image = Symbols::pixmap("lock.fill", 32, orange, 2.0).toImage();
    ASSERT_EQ(image.size(), QSize(64, 64));
    int painted = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor pixel = image.pixelColor(x, y);
            if (pixel.alpha() == 255) {
                ++painted;
                EXPECT_EQ(pixel.rgb(), orange.rgb());
            }
        }
    }
    EXPECT_GT(painted, 50);
    // Another colour is another picture, not the cached one.
    const QImage blue = Symbols::pixmap("lock.fill", 32, QColor(0, 0, 255), 2.0).toImage();
    EXPECT_NE(blue, image);
}

// The side of the square that holds every painted pixel of `image`.
int paintedSide(const QImage& image) {
    int left = image.width();
    int right = -1;
    int top = image.height();
    int bottom = -1;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (qAlpha(image.pixel(x, y)) > 32) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
        }
    }
    return std::max(right - left + 1, bottom - top + 1);
}

TEST(Symbols, AreDrawnAtTheSizeAskedAtEveryPixelRatio) {
    // Large symbols are drawn from the scalable source, not from the largest fixed-size picture.
    for (const char* name : {"arrow.down.app.fill", "app.dashed", "sparkles.rectangle.stack.fill", "clock"}) {
        for (const qreal ratio : {1.0, 2.0}) {
            const QPixmap pixmap = Symbols::pixmap(name, 54, Qt::black, ratio);
            const QImage image = pixmap.toImage();
            ASSERT_EQ(image.width(), qRound(54 * ratio)) << name;
            // Takes 54 points where it is drawn, whatever the pixels behind them.
            EXPECT_DOUBLE_EQ(pixmap.deviceIndependentSize().width(), 54.0) << name << " at " << ratio;
            EXPECT_GE(paintedSide(image), qRound(54 * ratio * 0.7)) << name << " at " << ratio;
        }
    }
    // Small toolbar symbols at twice the pixels take the same share of their square: the same design.
    const QImage small = Symbols::pixmap("clock.arrow.circlepath", 18, Qt::black, 1.0).toImage();
    const QImage sharp = Symbols::pixmap("clock.arrow.circlepath", 18, Qt::black, 2.0).toImage();
    EXPECT_NEAR(paintedSide(sharp), 2 * paintedSide(small), 3);
    EXPECT_DOUBLE_EQ(Symbols::icon("clock").pixmap(QSize(18, 18), 2.0).devicePixelRatio(), 2.0);
    EXPECT_EQ(Symbols::icon("clock").pixmap(QSize(18, 18), 2.0).width(), 36);
    // An icon painted on a screen of twice the pixels is the sharp picture, not the small one enlarged.
    QImage screen(36, 36, QImage::Format_ARGB32_Premultiplied);
    screen.setDevicePixelRatio(2.0);
    screen.fill(Qt::transparent);
    {
        QPainter painter(&screen);
        Symbols::icon("clock", Qt::black).paint(&painter, QRect(0, 0, 18, 18));
    }
    EXPECT_TRUE(screen ==
                Symbols::pixmap("clock", 18, Qt::black, 2.0).toImage().convertToFormat(screen.format()));
}

TEST(Symbols, IconsFollowThePaletteIntoDarkAndBack) {
    const QPalette before = QApplication::palette();
    QPalette dark = before;
    dark.setColor(QPalette::Window, QColor(30, 30, 32));
    dark.setColor(QPalette::WindowText, QColor(235, 235, 240));
    QApplication::setPalette(dark);
    const QIcon history = Symbols::icon("clock.arrow.circlepath");
    const QImage light = history.pixmap(QSize(18, 18)).toImage().convertToFormat(QImage::Format_ARGB32);
    QApplication::setPalette(before);
    const QImage shown = history.pixmap(QSize(18, 18)).toImage().convertToFormat(QImage::Format_ARGB32);
    int lightPixels = 0;
    for (int y = 0; y < light.height(); ++y) {
        for (int x = 0; x < light.width(); ++x) {
            if (qAlpha(light.pixel(x, y)) > 128) {
                EXPECT_GT(qGray(light.pixel(x, y)), 200) << "drawn in the dark palette's light text colour";
                ++lightPixels;
            }
        }
    }
    EXPECT_GT(lightPixels, 10);
    EXPECT_NE(light, shown) << "and in the light palette's text colour again";
}

} // namespace
} // namespace tarnwick
