#include "removal/RemovalFixture.h"
#include "session/RemovalWorkflow.h"

namespace tarnwick::testing {
namespace {

namespace fs = std::filesystem;

class RemovalWorkflowTest : public RemovalFixture {
protected:
    static std::vector<fs::path> paths(const std::vector<ResidualItem>& items) {
        std::vector<fs::path> result;
        for (const ResidualItem& each : items) {
            result.push_back(each.url);
        }
        return result;
    }
};

TEST_F(RemovalWorkflowTest, SaysWhatMovedWhatStayedAndHowToGetItBack) {
    const fs::path bundle = file("/Applications/Notes.app/Contents/Info.plist").parent_path().parent_path();
    const fs::path stuck = file("~/Library/Caches/notes-stuck");
    const fs::path gone = at("~/Library/Caches/notes-gone");
    TrashManager trash =
        manager({{stuck, PlatformError(std::string(PlatformError::posixDomain), EIO, "Disk error.")}});
    RemovalWorkflow workflow(trash);

    const RemovalRequest request{app, {item(stuck), item(bundle), item(gone)}};
    EXPECT_FALSE(workflow.refusal(request).has_value());
    workflow.check(request);
    const RemovalWorkflow::Result result = workflow.remove(request);
    EXPECT_EQ(paths(result.moved), std::vector<fs::path>{bundle});
    EXPECT_EQ(paths(result.stayed), (std::vector<fs::path>{stuck, gone}));
    EXPECT_TRUE(result.movedBundleOf(app));
    const auto failure = result.failure();
    ASSERT_TRUE(failure.has_value());
    EXPECT_EQ(std::string(failure->what()),
              "Some items could not be moved to Trash:\n\n~/Library/Caches/notes-stuck: Disk error.");
    EXPECT_EQ(failure->recordedRemoval(), result.outcome.record.id) << "what moved can be put back";

    const RestoreOutcome restored = workflow.restore(result.outcome.record);
    EXPECT_EQ(RemovalWorkflow::restoredBundles(restored), std::vector<fs::path>{bundle});
    EXPECT_FALSE(RemovalWorkflow::failure(restored).has_value());
    EXPECT_TRUE(fs::exists(bundle / "Contents/Info.plist"));
}

TEST_F(RemovalWorkflowTest, RefusalsComeBeforeAnythingMoves) {
    const fs::path cache = file("~/Library/Caches/notes");
    TrashManager trash = manager();
    RemovalWorkflow workflow(trash);
    InstalledApp system = app;
    system.isSystem = true;
    EXPECT_EQ(workflow.refusal({app, {}})->kind(), TrashError::Kind::nothingSelected);
    EXPECT_EQ(workflow.refusal({system, {item(cache)}})->kind(), TrashError::Kind::systemApplication);
    // What needs the disk to tell is found by the check, not by the quick refusal.
    const RemovalRequest unsafe{app, {item(cache), item(file("~/Documents/Letter.txt"))}};
    EXPECT_FALSE(workflow.refusal(unsafe).has_value());
    EXPECT_THROW(workflow.check(unsafe), TrashError);
    EXPECT_TRUE(fs::exists(cache));
}

} // namespace
} // namespace tarnwick::testing
