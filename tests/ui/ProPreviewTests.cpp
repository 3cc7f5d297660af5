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

TEST_F(ProPreviewTest, TheViewShowsItsOwnTextsUntilAnOfferArrives) {
    auto view = makeView(AppListFilter::junk);
    EXPECT_EQ(requests, 1) << "asked once when shown";
    EXPECT_EQ(view->headingTitle(), "Junk Cleaner");
    EXPECT_EQ(view->badgeText(), "PRO");
    EXPECT_EQ(view->subtitle(), "Deep system cleanup is coming in Tarnwick Pro.");
    EXPECT_EQ(view->note(), "This preview does not scan or remove any files.");
    EXPECT_EQ(view->downloadButton(), nullptr);
    EXPECT_FALSE(view->showsLiveUpdate());

    pending(offer(true, "https://example.com/pro"));
    EXPECT_EQ(view->headingTitle(), "<b>Tarnwick Pro</b>");
    const auto labels = view->findChildren<QLabel*>();
    for (const QLabel* label : labels) {
        if (!label->text().isEmpty()) {
            EXPECT_EQ(label->textFormat(), Qt::PlainText) << label->text().toStdString();
        }
    }
    EXPECT_EQ(view->badgeText(), "NEW");
    EXPECT_EQ(view->subtitle(), "Now with duplicates");
    EXPECT_TRUE(view->showsLiveUpdate());
    EXPECT_TRUE(view->note().isEmpty());
    QPushButton* download = view->downloadButton();
    ASSERT_NE(download, nullptr);
    EXPECT_EQ(download->text(), "Get Pro");
    EXPECT_EQ(download->toolTip(), "Open the official Tarnwick Pro download page");
    QTest::mouseClick(download, Qt::LeftButton);
    ASSERT_EQ(workspace.opened.size(), 1U);
    EXPECT_EQ(workspace.opened.front(), QUrl("https://example.com/pro"));

    // Shown again, it asks again; no answer keeps what it has.
    view->hide();
    view->show();
    EXPECT_EQ(requests, 2);
}

TEST_F(ProPreviewTest, OnlyAnEnabledSecureOfferGetsADownloadButton) {
    for (const ProOffer& unsafe : {offer(false, "https://example.com/pro"),
                                   offer(true, "http://example.com/pro"), offer(true, std::nullopt)}) {
        auto view = makeView(AppListFilter::duplicates);
        EXPECT_EQ(view->headingTitle(), "Duplicate Finder");
        pending(unsafe);
        EXPECT_EQ(view->headingTitle(), "<b>Tarnwick Pro</b>") << "the texts come from any offer";
        EXPECT_EQ(view->downloadButton(), nullptr);
        EXPECT_EQ(view->note(), "This preview does not scan or remove any files.");
        EXPECT_TRUE(view->showsLiveUpdate());
    }
    EXPECT_TRUE(workspace.opened.empty());

    // An answer for a view that is gone goes nowhere.
    auto view = makeView(AppListFilter::junk);
    view.reset();
    pending(offer(true, "https://example.com/pro"));
}

TEST_F(ProPreviewTest, TheSidebarPreviewNamesTheMode) {
    ProSidebarPreview junk(AppListFilter::junk);
    std::vector<QString> texts;
    for (const QLabel* label : junk.findChildren<QLabel*>()) {
        texts.push_back(label->text());
    }
    EXPECT_NE(std::find(texts.begin(), texts.end(), "Junk Cleaner"), texts.end());
    EXPECT_NE(std::find(texts.begin(), texts.end(), "Available in Pro"), texts.end());
    EXPECT_NE(std::find(texts.begin(), texts.end(), "Clean temporary and unnecessary files safely."),
              texts.end());
}

} // namespace
} // namespace tarnwick
