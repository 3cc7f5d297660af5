#include "support/RecordingWorkspace.h"
#include "ui/ProPreviews.h"

#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

namespace tarnwick {
namespace {

using testing::RecordingWorkspace;

ProOffer offer(bool enabled, std::optional<std::string> link) {
    return {.enabled = enabled,
            .badge = "NEW",
            .title = "<b>Tarnwick Pro</b>",
            .message = "Now with duplicates",
            .buttonTitle = "Get Pro",
            .downloadURL = std::move(link)};
}

class ProPreviewTest : public ::testing::Test {
protected:
    // A view whose request for the offer waits until the test answers it.
    std::unique_ptr<ProFeatureView> makeView(AppListFilter mode) {
        auto view = std::make_unique<ProFeatureView>(
            mode,
            [this](QObject*, std::function<void(std::optional<ProOffer>)> answer) {
                ++requests;
                pending = std::move(answer);
            },
            workspace);
        view->show();
        return view;
    }

    RecordingWorkspace workspace;
    std::function<void(std::optional<ProOffer>)> pending;
    int requests = 0;
};

TEST_F(ProPreviewTest, AnOfferReplacesTheOwnTextsAsPlainTextAndOnlyASecureOneGetsADownload) {
    auto view = makeView(AppListFilter::junk);
    EXPECT_EQ(requests, 1) << "asked once when shown";
    EXPECT_EQ(view->downloadButton(), nullptr);
    EXPECT_FALSE(view->showsLiveUpdate());
    pending(offer(true, "https://example.com/pro"));
    EXPECT_EQ(view->headingTitle(), "<b>Tarnwick Pro</b>");
    for (const QLabel* label : view->findChildren<QLabel*>()) {
        EXPECT_TRUE(label->text().isEmpty() || label->textFormat() == Qt::PlainText)
            << label->text().toStdString();
    }
    ASSERT_NE(view->downloadButton(), nullptr);
    QTest::mouseClick(view->downloadButton(), Qt::LeftButton);
    EXPECT_EQ(workspace.opened, std::vector<QUrl>{QUrl("https://example.com/pro")});
    // Shown again, it asks again.
    view->hide();
    view->show();
    EXPECT_EQ(requests, 2);

    for (const ProOffer& unsafe : {offer(false, "https://example.com/pro"),
                                   offer(true, "http://example.com/pro"), offer(true, std::nullopt)}) {
        auto other = makeView(AppListFilter::duplicates);
        pending(unsafe);
        EXPECT_EQ(other->downloadButton(), nullptr);
        EXPECT_TRUE(other->showsLiveUpdate()) << "the texts come from any offer";
    }
    // An answer for a view that is gone goes nowhere.
    makeView(AppListFilter::junk).reset();
    pending(offer(true, "https://example.com/pro"));
    EXPECT_EQ(workspace.opened.size(), 1U);
}

} // namespace
} // namespace tarnwick
