#include "ui/CircularCloseButton.h"
#include "ui/SearchField.h"
#include "ui/Workspace.h"

#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

namespace tarnwick {
namespace {

TEST(SearchField, ClearButtonShowsOnlyWithTextAndEmptiesIt) {
    SearchField field("Search applications");
    field.show();
    QSignalSpy edited(&field, &SearchField::textEdited);
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

TEST(CircularCloseButton, OnlyTheCircleIsHit) {
    CircularCloseButton subtle("Quit Tarnwick", true);
    subtle.show();
    QSignalSpy clicked(&subtle, &QAbstractButton::clicked);
    QTest::mouseClick(&subtle, Qt::LeftButton, {}, QPoint(1, 1)); // the corner, outside the circle
    EXPECT_EQ(clicked.count(), 0);
    QTest::mouseClick(&subtle, Qt::LeftButton, {}, subtle.rect().center());
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
