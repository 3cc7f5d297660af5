#include "ui/Badge.h"
#include "ui/CircularCloseButton.h"
#include "ui/EmptyState.h"
#include "ui/SearchField.h"
#include "ui/Workspace.h"

#include <QEnterEvent>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

namespace tarnwick {
namespace {

TEST(Badge, TakesTheRoomOfItsTextAndNamesItForAccessibility) {
    Badge badge("Protected", Qt::red);
    EXPECT_EQ(badge.accessibleName(), "Protected");
    EXPECT_GT(badge.sizeHint().width(), Badge::sizeFor("PRO").width());
    badge.setText("System Search");
    EXPECT_EQ(badge.sizeHint(), Badge::sizeFor("System Search"));
    EXPECT_EQ(badge.accessibleName(), "System Search");
}

TEST(EmptyState, ShowsItsTitleAndMessageAndCanBeReused) {
    EmptyState state("Select an Application", "app.dashed", "Choose an app.");
    auto* title = state.findChild<QLabel*>("emptyStateTitle");
    auto* message = state.findChild<QLabel*>("emptyStateMessage");
    ASSERT_NE(title, nullptr);
    ASSERT_NE(message, nullptr);
    EXPECT_EQ(title->text(), "Select an Application");
    EXPECT_EQ(message->text(), "Choose an app.");

    state.setContent("No Removal History", "clock", "Removed applications will appear here.");
    EXPECT_EQ(state.title(), "No Removal History");
    EXPECT_EQ(state.symbol(), "clock");
    EXPECT_EQ(message->text(), "Removed applications will appear here.");
    EXPECT_TRUE(message->wordWrap());
}

TEST(SearchField, ClearButtonShowsOnlyWithTextAndEmptiesIt) {
    SearchField field("Search applications");
    field.show();
    QSignalSpy edited(&field, &SearchField::textEdited);
    EXPECT_EQ(field.lineEdit()->placeholderText(), "Search applications");
    EXPECT_FALSE(field.clearButton()->isVisible());

    QTest::keyClicks(field.lineEdit(), "no");
    EXPECT_TRUE(field.clearButton()->isVisible());
    ASSERT_EQ(edited.count(), 2);
    EXPECT_EQ(edited.last().at(0).toString(), "no");

    QTest::mouseClick(field.clearButton(), Qt::LeftButton);
    EXPECT_EQ(field.text(), "");
    EXPECT_FALSE(field.clearButton()->isVisible());
    EXPECT_EQ(edited.last().at(0).toString(), "");

    // Text set from outside (the store) is not an edit of the user.
    const int before = edited.count();
    field.setText("Notes");
    EXPECT_EQ(edited.count(), before);
    EXPECT_TRUE(field.clearButton()->isVisible());
}

TEST(CircularCloseButton, SubtleCircleAppearsOnHoverAndOnlyTheCircleIsHit) {
    CircularCloseButton subtle("Quit Tarnwick", true);
    CircularCloseButton plain("Close Removal History", false);
    EXPECT_EQ(subtle.size(), QSize(32, 32));
    EXPECT_EQ(plain.size(), QSize(24, 24));
    EXPECT_EQ(subtle.toolTip(), "Quit Tarnwick");
    EXPECT_EQ(subtle.accessibleName(), "Quit Tarnwick");
    EXPECT_EQ(subtle.circleOpacity(), 0.0);
    EXPECT_DOUBLE_EQ(plain.circleOpacity(), 0.09);

    subtle.show();
    QEnterEvent enter(QPointF(16, 16), QPointF(16, 16), QPointF(16, 16));
    QCoreApplication::sendEvent(&subtle, &enter);
    EXPECT_TRUE(subtle.isHovering());
    EXPECT_DOUBLE_EQ(subtle.circleOpacity(), 0.075);
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(&subtle, &leave);
    EXPECT_EQ(subtle.circleOpacity(), 0.0);

    QSignalSpy clicked(&subtle, &QAbstractButton::clicked);
    QTest::mouseClick(&subtle, Qt::LeftButton, {}, QPoint(1, 1)); // the corner, outside the circle
    EXPECT_EQ(clicked.count(), 0);
    QTest::mouseClick(&subtle, Qt::LeftButton, {}, QPoint(16, 16));
    EXPECT_EQ(clicked.count(), 1);
}

TEST(Workspace, OpensOnlySecureWebAddresses) {
    EXPECT_TRUE(Workspace::isWebAddress(QUrl("https://example.com/pro")));
    EXPECT_FALSE(Workspace::isWebAddress(QUrl("http://example.com/pro")));
    EXPECT_FALSE(Workspace::isWebAddress(QUrl("file:///etc/passwd")));
    EXPECT_FALSE(Workspace::isWebAddress(QUrl("https:///no-host")));
    EXPECT_FALSE(Workspace::isWebAddress(QUrl("javascript:alert(1)")));
    EXPECT_FALSE(Workspace::isWebAddress(QUrl()));
}

} // namespace
} // namespace tarnwick
