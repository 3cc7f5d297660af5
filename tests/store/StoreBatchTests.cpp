// Several applications chosen together: the store decides, checks and moves; the tests run its background
// work by hand. What runs from an application is quit by the session's workflow (tests/session) and asked
// about in the window (tests/ui/SeveralAppsTests.cpp).
#include "store/StoreFixture.h"

#include <QSignalSpy>
#include <algorithm>
#include <set>

namespace tarnwick::testing {
namespace {

namespace fs = std::filesystem;
using Priority = TaskRunner::Priority;

class StoreBatchTest : public StoreFixture {
protected:
    void choose(const std::vector<std::string>& appNames) {
        std::vector<InstalledApp> apps;
        for (const std::string& name : appNames) {
            apps.push_back(app(name));
        }
        store->selectApps(apps);
    }
    const RemovalState& removals() const { return store->removals(); }
    std::vector<std::string> sectionNames() const { return names(store->batch().apps()); }
};

TEST_F(StoreBatchTest, EachChosenApplicationIsScannedAsASingleSelectionAndANewSelectionStopsTheScans) {
    makeStore();
    loadCompletely();
    const int before = script->scansMade;
    choose({"Editor", "Texty"});
    EXPECT_FALSE(store->findings().selectedApp().has_value()) << "no single selection beside them";
    EXPECT_EQ(sectionNames(), (std::vector<std::string>{"Editor", "Texty"}));
    EXPECT_TRUE(store->batch().section(0).isScanning() && store->batch().section(1).isScanning());
    runNext(Priority::userInitiated);
    ASSERT_FALSE(store->batch().section(0).isScanning());
    ASSERT_GT(store->batch().section(0).chosenCount(), 0U);
    EXPECT_FALSE(store->canRequestRemoval()) << "what is chosen is not known before every scan ended";

    // Chosen again before Texty's scan began: it is stopped, only the newest run.
    choose({"Agent", "Editor", "Texty"});
    runAll();
    EXPECT_EQ(script->scansMade - before, 1 + 3);
    EXPECT_EQ(sectionNames(), (std::vector<std::string>{"Agent", "Editor", "Texty"}));
    const FindingsState& editor = store->batch().section(1);
    EXPECT_FALSE(editor.isScanning());
    const auto& items = editor.items();
    EXPECT_TRUE(std::any_of(items.begin(), items.end(), [&](const ResidualItem& item) {
        return item.url == editorCache && item.selected;
    })) << "preselected as for Editor alone";

    // Each section keeps its own choice.
    const std::size_t chosen = editor.chosenCount();
    store->setChoice(editor, false, {editorCache.string()});
    EXPECT_EQ(editor.chosenCount() + 1, chosen);
    EXPECT_GT(store->batch().section(2).chosenCount(), 0U) << "Texty keeps its own";

    choose({"Texty", "App 2"});
    store->select(app("Agent"));
    runAll();
    EXPECT_TRUE(store->batch().isEmpty());
    EXPECT_TRUE(store->findings().isSelected(app("Agent").id()));
    EXPECT_EQ(script->scansMade - before, 1 + 3 + 1) << "the superseded scans never began";
}

TEST_F(StoreBatchTest, OneConfirmationMovesEveryApplicationWithARecordEachAndTheirRowsLeave) {
    makeStore();
    loadCompletely();
    choose({"Editor", "Texty"});
    runAll();
    QSignalSpy rows(&store->appList(), &AppListState::appsChanged);

    store->requestRemoval();
    runAll();
    ASSERT_TRUE(removals().candidate().has_value()) << store->errorMessage().value_or("");
    const RemovalCandidate candidate = *removals().candidate();
    ASSERT_EQ(candidate.requests.size(), 2U);
    EXPECT_EQ(candidate.requests[0].app, app("Editor"));
    EXPECT_EQ(candidate.requests[1].app, app("Texty"));
    EXPECT_FALSE(candidate.isRunning()) << "nothing runs from a disk that is not the running system";
    store->confirmRemoval();
    runAll();

    EXPECT_FALSE(store->errorMessage().has_value()) << *store->errorMessage();
    EXPECT_FALSE(fs::exists(app("Agent").url.parent_path() / "Editor.app"));
    EXPECT_FALSE(fs::exists(editorCache));
    ASSERT_EQ(removals().history().size(), 2U);
    std::vector<std::string> recorded;
    for (const RemovalRecord& record : removals().history()) {
        recorded.push_back(record.appName);
    }
    std::sort(recorded.begin(), recorded.end());
    EXPECT_EQ(recorded, (std::vector<std::string>{"Editor", "Texty"}));
    EXPECT_EQ(names(store->appList().apps()),
              (std::vector<std::string>{"Agent", "App 2", "app 10", "Clock"}));
    ASSERT_EQ(rows.count(), 2);
    for (const QList<QVariant>& signal : rows) {
        EXPECT_EQ(signal.at(0).value<ListChange>().kind, ListChange::Kind::removed);
    }
    EXPECT_TRUE(store->batch().isEmpty());
    EXPECT_TRUE(store->findings().isSelected(app("Agent").id()));

    // Undo puts back all of that removal, each application from its own record.
    EXPECT_EQ(removals().undoable().size(), 2U);
    store->undoRemoval();
    EXPECT_FALSE(removals().canUndo());
    runAll();
    EXPECT_TRUE(fs::exists(editorCache));
    EXPECT_EQ(names(store->appList().apps()),
              (std::vector<std::string>{"Agent", "App 2", "app 10", "Clock", "Editor", "Texty"}));
}

TEST_F(StoreBatchTest, TheStoreRefusesWhatTheRemovalOfAnyOfThemWouldAndLeavesOutWhatHasNothingChosen) {
    script->findings[platform.system("/System/Applications/Clock.app").string()] = {
        finding("Caches/com.apple.clock", ResidualCategory::cache, MatchConfidence::exact, true)};
    makeStore();
    loadCompletely();
    choose({"Clock", "Editor"});
    runAll();
    ASSERT_FALSE(store->batch().isScanning());
    store->requestRemoval();
    EXPECT_EQ(store->errorMessage(), "System applications cannot be removed.");
    EXPECT_TRUE(tasks->empty());

    store->setErrorMessage(std::nullopt);
    choose({"Editor", "Texty"});
    runAll();
    store->choose(ItemChoice::Command::clear); // the single selection's command: none is shown
    for (std::size_t row = 0; row < store->batch().size(); ++row) {
        const FindingsState& section = store->batch().section(row);
        std::set<std::string> all;
        for (const ResidualItem& item : section.items()) {
            all.insert(item.id());
        }
        store->setChoice(section, false, all);
    }
    store->requestRemoval();
    EXPECT_EQ(store->errorMessage(), "Select at least one item to remove.");
    EXPECT_TRUE(tasks->empty());

    // Texty, with nothing chosen, is left as it is.
    store->setErrorMessage(std::nullopt);
    store->toggle(store->batch().section(0), editorCache.string());
    removeChosen();
    ASSERT_EQ(removals().history().size(), 1U);
    EXPECT_EQ(removals().history().front().appName, "Editor");
    EXPECT_FALSE(fs::exists(editorCache));
    EXPECT_EQ(sectionNames(), (std::vector<std::string>{"Texty"})) << "what is left to look at stays";
}

} // namespace
} // namespace tarnwick::testing
