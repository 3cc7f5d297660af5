// What runs from an application is asked to quit before anything of it moves, forced only when the user
// agreed to that too, and never confused with what runs from elsewhere.
#include "removal/RemovalFixture.h"
#include "session/RemovalWorkflow.h"
#include "support/RunningCopy.h"

namespace tarnwick::testing {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

ResidualItem chosen(const fs::path& location) {
    return ResidualItem{location, 0, ResidualCategory::other, MatchConfidence::exact, "", true};
}

// The running system, with a home of the test's own; the administrator step is never needed here.
class QuittingTest : public ::testing::Test {
protected:
    TemporaryFolder folder;
    Platform platform{Platform::Folders{.home = folder / "home", .layout = FolderLayout::macOS}};
    fs::path bundle = folder / "home/Applications/Skylume.app";
    fs::path support = folder / "home/Library/Application Support/Skylume";
    InstalledApp app{bundle, "Skylume", "com.example.skylume", "1.0", 0, false};
    std::shared_ptr<HelperAdminRunner::Log> adminLog = std::make_shared<HelperAdminRunner::Log>();
    TrashManager trash{platform, std::make_unique<MacTrash>(folder / "home/.Trash"),
                       std::make_unique<HelperAdminRunner>(adminLog)};
    RemovalWorkflow workflow{trash};

    void SetUp() override {
        fs::create_directories(folder / "home/.Trash");
        fs::create_directories(support);
        fs::create_directories(bundle / "Contents/MacOS");
    }

    RemovalRequest request() const { return {app, {chosen(bundle), chosen(support)}}; }

    // Nothing moved, and nothing was recorded.
    void expectNothingMoved() {
        EXPECT_TRUE(fs::exists(bundle));
        EXPECT_TRUE(fs::exists(support));
        EXPECT_TRUE(trash.history().empty());
    }
};

TEST_F(QuittingTest, WhatRunsFromTheBundleOrAFindingIsAskedToQuitAndTheRemovalProceeds) {
    RunningCopy skylume(bundle / "Contents/MacOS/Skylume");
    RunningCopy helper(support / "skylume-agent");
    const std::vector<RunningProcess> running = workflow.running(request());
    ASSERT_EQ(running.size(), 2U);
    EXPECT_EQ(RemovalWorkflow::processNames(running), (std::vector<std::string>{"Skylume", "skylume-agent"}));

    try {
        workflow.remove(request());
        ADD_FAILURE() << "a running application was moved";
    } catch (const TrashError& error) {
        EXPECT_EQ(error.kind(), TrashError::Kind::stillRunning);
        EXPECT_STREQ(error.what(),
                     "Skylume and skylume-agent are running, so nothing was moved. Quit them, then "
                     "remove again.");
    }
    expectNothingMoved();

    EXPECT_TRUE(workflow.quit(request(), running, RemovalWorkflow::Quitting::ask).empty());
    EXPECT_TRUE(skylume.hasEnded() && helper.hasEnded());
    EXPECT_EQ(workflow.remove(request()).moved.size(), 2U);
    EXPECT_FALSE(fs::exists(bundle));
}

TEST_F(QuittingTest, OneThatDoesNotQuitStopsTheRemovalUntilForcingIsAgreed) {
    RunningCopy stubborn(bundle / "Contents/MacOS/Skylume", RunningCopy::OnQuit::ignores);
    const std::vector<RunningProcess> running = workflow.running(request());
    ASSERT_EQ(running.size(), 1U);

    EXPECT_EQ(workflow.quit(request(), running, RemovalWorkflow::Quitting::ask, 300ms), running);
    EXPECT_FALSE(stubborn.hasEnded());
    EXPECT_THROW(workflow.remove(request()), TrashError);
    expectNothingMoved();

    EXPECT_TRUE(workflow.quit(request(), running, RemovalWorkflow::Quitting::force).empty());
    EXPECT_TRUE(stubborn.hasEnded(1s));
    EXPECT_EQ(workflow.remove(request()).moved.size(), 2U);
}

TEST_F(QuittingTest, OnlyWhatRunsFromTheRequestIsEverSignalled) {
    const fs::path other = folder / "home/Applications/Other.app";
    RunningCopy bystander(other / "Contents/MacOS/Other");
    const RemovalRequest otherRequest{InstalledApp{other, "Other", "com.example.other", "1.0", 0, false},
                                      {chosen(other)}};
    const std::vector<RunningProcess> elsewhere = workflow.running(otherRequest);
    ASSERT_EQ(elsewhere.size(), 1U);
    // Handed processes that do not run from Skylume's places, the workflow leaves them alone.
    EXPECT_TRUE(workflow.quit(request(), elsewhere, RemovalWorkflow::Quitting::force, 200ms).empty());
    EXPECT_FALSE(bystander.hasEnded(200ms));
    EXPECT_EQ(workflow.remove(request()).moved.size(), 2U);
    EXPECT_FALSE(bystander.hasEnded());
}

// A disk looked at under a root is not the one processes run from: nothing there is taken for running.
TEST_F(RemovalFixture, NothingIsLookedForUnderARoot) {
    const fs::path bundle = at("/Applications/Notes.app");
    RunningCopy notes(bundle / "Contents/MacOS/Notes");
    TrashManager trash = manager();
    RemovalWorkflow workflow(trash);
    const RemovalRequest request{app, {item(bundle)}};
    EXPECT_TRUE(workflow.running(request).empty());
    EXPECT_EQ(workflow.remove(request).moved.size(), 1U);
    EXPECT_FALSE(notes.hasEnded(100ms));
}

} // namespace
} // namespace tarnwick::testing
