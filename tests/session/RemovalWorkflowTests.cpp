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
    EXPECT_TRUE(fs::exists(stuck));
    EXPECT_EQ(adminLog->runs, 0) << "an ordinary failure is no case for the administrator";
    EXPECT_TRUE(result.movedBundleOf(app));
    const auto failure = result.failure();
    ASSERT_TRUE(failure.has_value());
    EXPECT_EQ(std::string(failure->what()),
              "Some items could not be moved to Trash:\n\n~/Library/Caches/notes-stuck: Disk error.");
    EXPECT_EQ(failure->recordedRemoval(), result.outcome.record.id) << "what moved can be put back";
    EXPECT_EQ(trash.history(), std::vector<RemovalRecord>{result.outcome.record});

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

TEST_F(RemovalWorkflowTest, SeveralAppsGetARecordEachAndComeBackSeparately) {
    const fs::path notes = file("/Applications/Notes.app/Contents/Info.plist").parent_path().parent_path();
    const fs::path notesCache = file("~/Library/Caches/com.example.notes");
    const fs::path pad = file("/Applications/Pad.app/Contents/Info.plist").parent_path().parent_path();
    // Named alike, so that both plan the same place in the Trash.
    const fs::path padCache = file("~/Library/Caches/Pad/com.example.notes");
    const InstalledApp padApp{pad, "Pad", "com.example.pad", "1.0", 0, false};
    // What another window would see of the history while the first item moves.
    std::optional<std::vector<RemovalRecord>> seenAtFirstMove;
    TrashManager trash(platform,
                       std::make_unique<WatchedTrash>(trashFolder,
                                                      [&] {
                                                          if (!seenAtFirstMove) {
                                                              seenAtFirstMove = manager().history();
                                                          }
                                                      }),
                       std::make_unique<HelperAdminRunner>(adminLog));
    RemovalWorkflow workflow(trash);

    // A refusal of one application moves nothing of any.
    const RemovalRequest unsafe{padApp, {item(pad), item(file("~/Documents/Letter.txt"))}};
    EXPECT_THROW(workflow.remove({{app, {item(notes)}}, unsafe}), TrashError);
    EXPECT_TRUE(fs::exists(notes));
    EXPECT_TRUE(trash.history().empty());

    const std::vector<RemovalWorkflow::Result> results =
        workflow.remove({{app, {item(notes), item(notesCache)}}, {padApp, {item(pad), item(padCache)}}});
    ASSERT_EQ(results.size(), 2U);
    ASSERT_TRUE(seenAtFirstMove.has_value());
    ASSERT_EQ(seenAtFirstMove->size(), 2U) << "every record is written before the first move";
    for (const RemovalRecord& record : *seenAtFirstMove) {
        EXPECT_EQ(record.state, RemovalRecord::State::inProgress) << "its removal still runs";
        EXPECT_EQ(record.items.size(), 2U);
    }
    EXPECT_EQ(paths(results[0].moved), (std::vector<fs::path>{notes, notesCache}));
    EXPECT_EQ(paths(results[1].moved), (std::vector<fs::path>{pad, padCache}));
    const std::vector<RemovalRecord> history = trash.history();
    ASSERT_EQ(history.size(), 2U);
    EXPECT_EQ(history[0].appName, "Pad");
    EXPECT_EQ(history[1].appName, "Notes");

    EXPECT_FALSE(RemovalWorkflow::failure(workflow.restore(history[1])).has_value());
    EXPECT_TRUE(fs::exists(notes) && fs::exists(notesCache));
    EXPECT_FALSE(fs::exists(pad) || fs::exists(padCache)) << "only the record put back comes back";
    EXPECT_FALSE(RemovalWorkflow::failure(workflow.restore(history[0])).has_value());
    EXPECT_EQ(contentsOf(padCache), "data");
}

} // namespace
} // namespace tarnwick::testing
