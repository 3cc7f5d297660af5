#include "store/StoreFixture.h"

#include <QSignalSpy>
#include <algorithm>

namespace tarnwick::testing {
namespace {

namespace fs = std::filesystem;
using Priority = TaskRunner::Priority;
using Kind = ListChange::Kind;

class CleanerStoreTest : public StoreFixture {
protected:
    CleanerStoreTest() { makeStore(); }

    std::vector<bool> choices() const {
        std::vector<bool> result;
        for (const ResidualItem& item : store->findings().items()) {
            result.push_back(item.selected);
        }
        return result;
    }

    static std::vector<ListChange> changes(const QSignalSpy& spy) {
        std::vector<ListChange> result;
        for (const QList<QVariant>& signal : spy) {
            result.push_back(signal.at(0).value<ListChange>());
        }
        return result;
    }

    const AppListState& appList() const { return store->appList(); }
    const FindingsState& findings() const { return store->findings(); }
};

TEST_F(CleanerStoreTest, TheListGrowsSortedRowByRowAndSizesArriveInPlace) {
    EXPECT_TRUE(tasks->empty()) << "creating the store starts no work";
    QSignalSpy spy(&appList(), &AppListState::appsChanged);
    store->loadApps();
    EXPECT_TRUE(appList().isLoading());
    runNext(Priority::userInitiated);

    EXPECT_FALSE(appList().isLoading()) << "the load ends with the stream, not with the sizes";
    EXPECT_EQ(names(appList().apps()),
              (std::vector<std::string>{"Agent", "App 2", "app 10", "Clock", "Editor", "Texty"}));
    const auto loaded = changes(spy);
    EXPECT_EQ(std::count_if(loaded.begin(), loaded.end(),
                            [](const auto& change) { return change.kind == Kind::inserted; }),
              6)
        << "each record arrives as one inserted row";
    EXPECT_EQ(pending(Priority::utility), 6U);

    spy.clear();
    runAll();
    EXPECT_TRUE(std::all_of(appList().apps().begin(), appList().apps().end(),
                            [](const auto& app) { return app.size > 0; }));
    for (const ListChange& change : changes(spy)) {
        EXPECT_EQ(change, ListChange::changedRows(change.first, change.first, ListChange::Field::size));
    }
    EXPECT_EQ(spy.count(), 6);
}

TEST_F(CleanerStoreTest, TheSidebarListsInstalledAppsTheSearchFindsInTheAppsModeOnly) {
    loadCompletely();
    EXPECT_EQ(appList().installedCount(), 5);
    const struct {
        std::string search;
        std::vector<std::string> listed;
    } cases[] = {
        {"", {"Agent", "App 2", "app 10", "Editor", "Texty"}}, // the system's Clock is loaded, never listed
        {"EDITOR", {"Editor"}},
        {"com.example.te", {"app 10", "Texty"}}, // the bundle identifier counts
        {"Editor ", {}},                         // the text is used as typed
        {"clock", {}},
    };
    for (const auto& test : cases) {
        store->setAppSearch(test.search);
        EXPECT_EQ(names(appList().listed()), test.listed) << test.search;
    }
    store->setAppSearch({});
    store->switchMode(AppListFilter::junk);
    EXPECT_TRUE(appList().listed().empty());
    EXPECT_EQ(appList().installedCount(), 5);
}

TEST_F(CleanerStoreTest, ANewerLoadSupersedesTheOlderAndNoSizeCutShortIsShown) {
    store->loadApps();
    store->loadApps();
    runAll();
    EXPECT_EQ(appList().apps().size(), 6U) << "no application is listed twice";

    // A load that starts while an application is measured stops the measuring: what it measured so far is
    // not the size, neither for the old list nor for the new one.
    store->loadApps();
    runNext(Priority::userInitiated);
    script->whileMeasuring = [this] {
        script->whileMeasuring = nullptr;
        store->loadApps();
        runNext(Priority::userInitiated);
    };
    runNext(Priority::utility);
    EXPECT_EQ(appList().apps().size(), 6U);
    EXPECT_TRUE(std::none_of(appList().apps().begin(), appList().apps().end(),
                             [](const auto& app) { return app.size.has_value(); }));
    runAll();
    EXPECT_TRUE(std::all_of(appList().apps().begin(), appList().apps().end(),
                            [](const auto& app) { return app.size.has_value(); }));
}

TEST_F(CleanerStoreTest, OnlyTheScanOfTheSelectedApplicationIsShown) {
    loadCompletely();
    const InstalledApp editor = app("Editor");
    const InstalledApp texty = app("Texty");

    // A, then B before A's scan ends: A's scan stops and B's is shown.
    store->select(editor);
    store->select(texty);
    runNext(Priority::userInitiated);
    EXPECT_TRUE(findings().isScanning());
    EXPECT_TRUE(findings().items().empty());
    runAll();
    EXPECT_FALSE(findings().isScanning());
    ASSERT_FALSE(findings().items().empty());
    EXPECT_EQ(findings().items().front().url, texty.url);

    // A result already on its way when the selection changed is dropped.
    store->select(editor);
    const auto scan = std::find_if(tasks->begin(), tasks->end(),
                                   [](const auto& task) { return task.priority == Priority::userInitiated; });
    scan->work();
    tasks->erase(scan);
    store->select(texty);
    deliver();
    EXPECT_TRUE(findings().items().empty());
    EXPECT_TRUE(findings().isScanning());
    runAll();

    // A, B, A: the findings of A, and one reading of signatures for the whole catalogue.
    const int searches = script->searchesMade;
    store->select(editor);
    store->select(texty);
    store->select(editor);
    runAll();
    EXPECT_FALSE(findings().isScanning());
    EXPECT_TRUE(findings().isSelected(editor.id()));
    EXPECT_TRUE(std::any_of(findings().items().begin(), findings().items().end(),
                            [&](const ResidualItem& item) { return item.url == editorCache; }));
    EXPECT_EQ(script->searchesMade, searches);

    // Leftovers, then an application before the orphan scan ends.
    store->selectLeftovers();
    EXPECT_TRUE(findings().isLeftoversMode());
    EXPECT_TRUE(findings().isSelected("/Leftovers"));
    store->select(texty);
    EXPECT_FALSE(findings().isLeftoversMode());
    runAll();
    EXPECT_EQ(findings().items().front().url, texty.url);
}

TEST_F(CleanerStoreTest, SwitchingModesClearsOrRestoresTheSelection) {
    loadCompletely();
    store->select(app("Texty"));
    store->switchMode(AppListFilter::duplicates);
    EXPECT_FALSE(findings().selectedApp().has_value());
    EXPECT_FALSE(findings().isScanning()) << "nothing is shown, so nothing is being searched";
    runAll();
    EXPECT_TRUE(findings().items().empty()) << "the stopped scan shows nothing";

    store->switchMode(AppListFilter::apps);
    EXPECT_TRUE(findings().isSelected(app("Agent").id()))
        << "the first application that is not part of macOS";
    store->select(app("Texty"));
    store->switchMode(AppListFilter::apps);
    EXPECT_TRUE(findings().isSelected(app("Texty").id()));
}

TEST_F(CleanerStoreTest, ADropIsReadOffTheMainThreadAndListedOnceInNameOrder) {
    loadCompletely();
    store->selectDroppedApp(folder / "Notes.txt");
    EXPECT_EQ(store->errorMessage(), "Drop a macOS .app application bundle.");
    EXPECT_TRUE(tasks->empty());

    const fs::path tool =
        tree.addApp(folder / "Downloads", {.fileName = "Tool.APP", .bundleID = "com.example.tool"});
    QSignalSpy spy(&appList(), &AppListState::appsChanged);
    store->selectDroppedApp(tool.parent_path() / "." / tool.filename());
    EXPECT_FALSE(findings().selectedApp().has_value()) << "the bundle is read by a task";
    runNext(Priority::userInitiated);
    EXPECT_TRUE(findings().isSelected(tool.string())) << "the location is standardised";
    EXPECT_EQ(names(appList().apps()),
              (std::vector<std::string>{"Agent", "App 2", "app 10", "Clock", "Editor", "Texty", "Tool"}));
    EXPECT_EQ(changes(spy), std::vector<ListChange>{ListChange::insertedRows(6, 6)});
    EXPECT_TRUE(findings().selectedApp()->size.has_value());

    // A listed bundle dropped again is the same record.
    store->selectDroppedApp(app("Editor").url);
    runAll();
    EXPECT_EQ(appList().apps().size(), 7U);
    EXPECT_TRUE(findings().isSelected(app("Editor").id()));

    store->selectDroppedApp(platform.system("/System/Applications/Clock.app"));
    runAll();
    EXPECT_TRUE(findings().isSelected(app("Clock").id()));
    EXPECT_TRUE(findings().selectedApp()->isSystem);
}

TEST_F(CleanerStoreTest, ChoicesFollowTheRulesAndArePublishedAsTheRowsTheyChanged) {
    loadCompletely();
    show("Editor",
         std::vector<ResidualItem>{
             finding("Caches/exact", ResidualCategory::cache, MatchConfidence::exact, false),
             finding("Caches/verified", ResidualCategory::cache, MatchConfidence::verified, false),
             finding("Caches/possible", ResidualCategory::cache, MatchConfidence::possible, false),
             finding("Caches/chosen-possible", ResidualCategory::cache, MatchConfidence::possible, true),
             finding("Preferences/prefs", ResidualCategory::preferences, MatchConfidence::exact, false),
         });
    QSignalSpy spy(&findings(), &FindingsState::itemsChanged);
    store->choose(ItemChoice::Command::selectSafe);
    EXPECT_EQ(choices(), (std::vector<bool>{true, true, false, true, true}));
    store->choose(ItemChoice::Command::clear);
    EXPECT_EQ(choices(), (std::vector<bool>{false, false, false, false, false}));
    store->setChoice(true, {findings().items()[2].id(), "/no/such/item"});
    store->toggle(findings().items()[0].id());
    EXPECT_EQ(choices(), (std::vector<bool>{true, false, true, false, false}));
    EXPECT_EQ(changes(spy),
              (std::vector<ListChange>{ListChange::changedRows(0, 4, ListChange::Field::choice),
                                       ListChange::changedRows(0, 4, ListChange::Field::choice),
                                       ListChange::changedRows(2, 2, ListChange::Field::choice),
                                       ListChange::changedRows(0, 0, ListChange::Field::choice)}));

    // The search hides items, but what is chosen stays chosen.
    store->setFileSearch("PREFERENCES");
    ASSERT_EQ(findings().shownItems().size(), 1U);
    store->toggle(findings().items()[4].id());
    EXPECT_EQ(findings().chosenCount(), 3U);
    EXPECT_EQ(findings().chosenBytes(), 3000);

    // After another selection, a finding of the former list changes nothing.
    const std::string former = findings().items()[1].id();
    show("Texty");
    EXPECT_TRUE(findings().fileSearch().empty());
    const auto before = findings().items();
    store->toggle(former);
    EXPECT_EQ(findings().items(), before);
}

} // namespace
} // namespace tarnwick::testing
