#include "store/StoreFixture.h"

#include <QSignalSpy>
#include <algorithm>

namespace tarnwick::testing {
namespace {

namespace fs = std::filesystem;
using Priority = TaskRunner::Priority;

class CleanerStoreTest : public StoreFixture {
protected:
    void SetUp() override {
        const fs::path applications = platform.system("/Applications");
        tree.addApp(applications, {.fileName = "Beta.app", .bundleID = "com.example.beta"});
        tree.addApp(applications, {.fileName = "app 10.app", .bundleID = "com.example.ten"});
        tree.addApp(applications, {.fileName = "App 2.app", .bundleID = "com.example.two"});
        tree.addApp(applications, {.fileName = "Safari.app", .bundleID = "org.example.browser"});
        tree.addApp(applications, {.fileName = "Hammer.app", .bundleID = "com.example.tool"});
        tree.addApp(platform.system("/System/Applications"),
                    {.fileName = "Clock.app", .bundleID = "com.apple.clock"});
        tree.addFile(tree.userLibrary("Caches/com.example.beta/cache.db"), std::uint64_t{4096});
        makeStore();
    }

    ResidualItem finding(const std::string& name, MatchConfidence confidence, bool selected,
                         ResidualCategory category = ResidualCategory::cache) const {
        return {tree.userLibrary("Caches/" + name), 100, category, confidence, "because", selected};
    }

    static std::vector<bool> flags(const std::vector<ResidualItem>& items) {
        std::vector<bool> result;
        for (const ResidualItem& item : items) {
            result.push_back(item.selected);
        }
        return result;
    }
};

TEST_F(CleanerStoreTest, TheListGrowsSortedAndSizesArriveRowByRow) {
    EXPECT_TRUE(tasks->empty()) << "creating the store starts no work";
    EXPECT_TRUE(store->filteredApps().empty());
    EXPECT_EQ(store->installedCount(), 0);

    QSignalSpy changes(store.get(), &CleanerStore::appsChanged);
    store->loadApps();
    EXPECT_TRUE(store->isLoadingApps());
    runNext(Priority::userInitiated);

    EXPECT_FALSE(store->isLoadingApps()) << "the load ends with the stream, not with the sizes";
    EXPECT_EQ(names(store->apps()),
              (std::vector<std::string>{"App 2", "app 10", "Beta", "Clock", "Hammer", "Safari"}));
    EXPECT_TRUE(std::none_of(store->apps().begin(), store->apps().end(),
                             [](const auto& app) { return app.size.has_value(); }));
    EXPECT_EQ(pending(Priority::utility), 6U);
    const auto inserted = std::count_if(changes.begin(), changes.end(), [](const QList<QVariant>& signal) {
        return signal.at(0).value<ListChange>().kind == ListChange::Kind::inserted;
    });
    EXPECT_EQ(inserted, 6) << "each record arrives as one inserted row";

    changes.clear();
    runAll();
    EXPECT_TRUE(std::all_of(store->apps().begin(), store->apps().end(),
                            [](const auto& app) { return app.size > 0; }));
    ASSERT_EQ(changes.size(), 6);
    for (const QList<QVariant>& signal : changes) {
        const auto change = signal.at(0).value<ListChange>();
        EXPECT_EQ(change.kind, ListChange::Kind::changed);
        EXPECT_EQ(change.first, change.last) << "a size repaints one row";
    }
}

TEST_F(CleanerStoreTest, TheSidebarListsInstalledAppsMatchingTheSearchInTheAppsModeOnly) {
    loadCompletely();
    EXPECT_EQ(store->installedCount(), 5);
    EXPECT_EQ(names(store->filteredApps()),
              (std::vector<std::string>{"App 2", "app 10", "Beta", "Hammer", "Safari"}))
        << "the system's Clock is loaded but never listed";

    store->setAppSearch("SAFARI");
    EXPECT_EQ(names(store->filteredApps()), std::vector<std::string>{"Safari"});
    store->setAppSearch("com.example.to");
    EXPECT_EQ(names(store->filteredApps()), std::vector<std::string>{"Hammer"}) << "the identifier counts";
    store->setAppSearch("Beta ");
    EXPECT_TRUE(store->filteredApps().empty()) << "the text is used as typed";
    store->setAppSearch("clock");
    EXPECT_TRUE(store->filteredApps().empty());

    store->setAppSearch({});
    store->setAppListFilter(AppListFilter::junk);
    EXPECT_TRUE(store->filteredApps().empty());
    EXPECT_EQ(store->installedCount(), 5);
}

TEST_F(CleanerStoreTest, ANewerLoadSupersedesTheOlderPassAndItsSizes) {
    store->loadApps();
    store->loadApps();
    runAll();
    EXPECT_EQ(store->apps().size(), 6U) << "no application is listed twice";

    store->loadApps();
    runNext(Priority::userInitiated);
    const std::size_t olderSizes = pending(Priority::utility);
    store->loadApps();
    runNext(Priority::userInitiated);
    for (std::size_t index = 0; index < olderSizes; ++index) {
        runNext(Priority::utility);
    }
    EXPECT_TRUE(std::none_of(store->apps().begin(), store->apps().end(), [](const auto& app) {
        return app.size.has_value();
    })) << "the superseded pass measured nothing into the new list";
    runAll();
    EXPECT_EQ(store->apps().size(), 6U);
    EXPECT_TRUE(std::all_of(store->apps().begin(), store->apps().end(),
                            [](const auto& app) { return app.size.has_value(); }));
}

TEST_F(CleanerStoreTest, OnlyTheScanOfTheSelectedApplicationIsShown) {
    loadCompletely();
    const InstalledApp beta = app("Beta");
    const InstalledApp hammer = app("Hammer");

    // A, then B before A's scan ends: A's scan stops and B's is shown.
    store->select(beta);
    store->select(hammer);
    EXPECT_TRUE(store->isScanning());
    runNext(Priority::userInitiated);
    EXPECT_TRUE(store->isScanning());
    EXPECT_TRUE(store->residuals().empty());
    runNext(Priority::userInitiated);
    EXPECT_FALSE(store->isScanning());
    ASSERT_FALSE(store->residuals().empty());
    EXPECT_EQ(store->residuals().front().url, hammer.url);

    // A result that was already on its way when the selection changed is dropped.
    store->select(beta);
    tasks->front().work();
    tasks->pop_front();
    store->select(hammer);
    deliver();
    EXPECT_TRUE(store->residuals().empty());
    EXPECT_TRUE(store->isScanning());
    runAll();

    // A, B, A: the findings of A, and one reading of signatures for the whole catalogue.
    const int searches = script->searchesMade;
    store->select(beta);
    store->select(hammer);
    store->select(beta);
    runAll();
    EXPECT_FALSE(store->isScanning());
    EXPECT_EQ(store->selectedApp()->id(), beta.id());
    EXPECT_TRUE(
        std::any_of(store->residuals().begin(), store->residuals().end(), [&](const ResidualItem& item) {
            return item.url == tree.userLibrary("Caches/com.example.beta");
        }));
    EXPECT_EQ(script->searchesMade, searches);

    // Leftovers, then an application before the orphan scan ends.
    store->selectLeftovers();
    EXPECT_TRUE(store->isLeftoversMode());
    EXPECT_EQ(store->selectedApp()->id(), "/Leftovers");
    store->select(hammer);
    EXPECT_FALSE(store->isLeftoversMode());
    runAll();
    EXPECT_EQ(store->residuals().front().url, hammer.url);
}

TEST_F(CleanerStoreTest, SwitchingModesClearsOrRestoresTheSelection) {
    loadCompletely();
    store->select(app("Hammer"));
    store->switchMode(AppListFilter::duplicates);
    EXPECT_FALSE(store->selectedApp().has_value());
    EXPECT_FALSE(store->isScanning()) << "nothing is shown, so nothing is being searched";
    runAll();
    EXPECT_TRUE(store->residuals().empty()) << "the stopped scan shows nothing";

    store->switchMode(AppListFilter::apps);
    ASSERT_TRUE(store->selectedApp().has_value());
    EXPECT_EQ(store->selectedApp()->name, "App 2") << "the first application that is not part of macOS";
    store->switchMode(AppListFilter::apps);
    EXPECT_EQ(store->selectedApp()->name, "App 2");
}

TEST_F(CleanerStoreTest, DropsAcceptOnlyApplicationBundles) {
    store->loadApps();
    runNext(Priority::userInitiated); // listed, sizes not yet known

    store->setErrorMessage(std::nullopt);
    store->selectDroppedApp(folder / "Notes.txt");
    EXPECT_EQ(store->errorMessage(), "Drop a macOS .app application bundle.");
    EXPECT_FALSE(store->selectedApp().has_value());
    EXPECT_EQ(store->apps().size(), 6U);

    // Listed but without its size: the dropped record differs, so it is added beside it.
    store->selectDroppedApp(app("Beta").url);
    EXPECT_EQ(std::count_if(store->apps().begin(), store->apps().end(),
                            [](const auto& each) { return each.name == "Beta"; }),
              2);
    EXPECT_TRUE(store->selectedApp()->size.has_value()) << "a dropped bundle is measured at once";

    // Any letter case of the extension; the list is then in plain order, capitals first.
    const fs::path tool =
        tree.addApp(folder / "Downloads", {.fileName = "Tool.APP", .bundleID = "com.example.dropped"});
    store->selectDroppedApp(tool.parent_path() / "." / tool.filename());
    EXPECT_EQ(store->selectedApp()->url, tool) << "the location is standardised";
    EXPECT_EQ(names(store->apps()), (std::vector<std::string>{"App 2", "Beta", "Beta", "Clock", "Hammer",
                                                              "Safari", "Tool", "app 10"}));

    const fs::path clock = platform.system("/System/Applications/Clock.app");
    runAll();
    store->loadApps();
    runAll();
    const std::size_t listed = store->apps().size();
    store->selectDroppedApp(app("Beta").url);
    EXPECT_EQ(store->apps().size(), listed) << "an equal record is not added again";
    EXPECT_EQ(store->selectedApp()->name, "Beta");

    store->selectDroppedApp(clock);
    EXPECT_TRUE(store->selectedApp()->isSystem);
    EXPECT_TRUE(store->isScanning());
    const auto shown = store->filteredApps();
    EXPECT_TRUE(
        std::none_of(shown.begin(), shown.end(), [](const auto& each) { return each.name == "Clock"; }));
}

TEST_F(CleanerStoreTest, SelectionChangesRespectConfidenceAndTheWholeList) {
    loadCompletely();
    const InstalledApp beta = app("Beta");
    script->findings[beta.id()] = {
        finding("exact", MatchConfidence::exact, false),
        finding("verified", MatchConfidence::verified, false),
        finding("possible", MatchConfidence::possible, false),
        finding("chosen-possible", MatchConfidence::possible, true),
        finding("prefs", MatchConfidence::exact, false, ResidualCategory::preferences),
    };
    store->select(beta);
    runAll();

    store->setAll(true);
    EXPECT_EQ(flags(store->residuals()), (std::vector<bool>{true, true, false, true, true}));
    store->setAll(false);
    EXPECT_EQ(flags(store->residuals()), (std::vector<bool>{false, false, false, false, false}));

    store->setSelection(true, {store->residuals()[2].id(), "/no/such/item"});
    store->toggle(store->residuals()[0]);
    EXPECT_EQ(flags(store->residuals()), (std::vector<bool>{true, false, true, false, false}));

    // The search hides items, but what is chosen stays chosen.
    store->setFileSearch("PREFERENCES");
    ASSERT_EQ(store->filteredResiduals().size(), 1U);
    EXPECT_EQ(store->filteredResiduals().front().category, ResidualCategory::preferences);
    EXPECT_EQ(store->selectedItems().size(), 2U);
    EXPECT_EQ(store->selectedBytes(), 200);

    // After another selection, an item of the former list changes nothing.
    const ResidualItem former = store->residuals()[1];
    store->select(app("Hammer"));
    EXPECT_TRUE(store->fileSearch().empty());
    runAll();
    const auto before = store->residuals();
    store->toggle(former);
    EXPECT_EQ(store->residuals(), before);
}

TEST(AppListFilterTest, RawValuesAreTheOnlyNames) {
    for (const AppListFilter filter : allAppListFilters) {
        EXPECT_EQ(appListFilterFrom(rawValue(filter)), filter);
    }
    EXPECT_EQ(rawValue(AppListFilter::junk), "Junk Cleaner");
    EXPECT_FALSE(appListFilterFrom("apps").has_value());
    EXPECT_FALSE(appListFilterFrom("Junk").has_value());
}

} // namespace
} // namespace tarnwick::testing
