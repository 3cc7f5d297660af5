#include "residuals/ResidualCategory.h"
#include "ui/Symbols.h"

#include <QImage>
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

} // namespace
} // namespace tarnwick
