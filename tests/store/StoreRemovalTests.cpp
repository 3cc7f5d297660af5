#include "removal/RemovalFixture.h"
#include "store/StoreFixture.h"

#include <algorithm>
#include <cerrno>

namespace tarnwick::testing {
namespace {

namespace fs = std::filesystem;
using Priority = TaskRunner::Priority;

class StoreRemovalTest : public StoreFixture {
protected:
    void SetUp() override {
        const fs::path applications = platform.system("/Applications");
        tree.addApp(applications, {.fileName = "Beta.app", .bundleID = "com.example.beta"});
        tree.addApp(applications, {.fileName = "Alpha.app", .bundleID = "com.example.alpha"});
        tree.addApp(platform.system("/System/Applications"),
                    {.fileName = "Aardvark.app", .bundleID = "com.apple.aardvark"});
        cache = tree.addFile(tree.userLibrary("Caches/com.example.beta/cache.db"), std::uint64_t{4096})
                    .parent_path();
        orphan = tree.addFile(tree.userLibrary("Caches/com.gone.vanished/data"), std::uint64_t{2048})
                     .parent_path();
        fs::create_directories(platform.home() / ".Trash");
    }

    // Loads, selects Beta and shows its findings.
    void showBeta() {
        loadCompletely();
        store->select(app("Beta"));
        runAll();
        ASSERT_FALSE(store->isScanning());
    }

    bool finds(const fs::path& location) const {
        return std::any_of(store->residuals().begin(), store->residuals().end(),
                           [&](const ResidualItem& item) { return item.url == location; });
    }

    std::unique_ptr<TrashManager> failingTrash(const fs::path& failing) const {
        std::map<fs::path, PlatformError> failures{
            {failing, PlatformError(std::string(PlatformError::posixDomain), EIO, "Input/output error")}};
        return std::make_unique<TrashManager>(
            platform, std::make_unique<FailingTrash>(platform.home() / ".Trash", failures),
            std::make_unique<HelperAdminRunner>(std::make_shared<HelperAdminRunner::Log>(),
                                                "The administrator step was cancelled."));
    }

    fs::path cache;
    fs::path orphan;
};

TEST_F(StoreRemovalTest, RemovingTheBundleDropsTheAppAndMovesOnOneMoveAtATime) {
    makeStore();
    showBeta();
    const InstalledApp beta = app("Beta");
    ASSERT_TRUE(finds(beta.url));
    ASSERT_TRUE(finds(cache));

    store->requestRemoval();
    ASSERT_EQ(store->removalCandidate(), beta);
    store->confirmRemoval();
    EXPECT_FALSE(store->removalCandidate().has_value());
    EXPECT_TRUE(store->isRemoving());

    // While it runs, no second removal or restore starts.
    store->requestRemoval();
    EXPECT_FALSE(store->removalCandidate().has_value());
    store->setRemovalCandidate(beta);
    store->confirmRemoval();
    EXPECT_EQ(pending(Priority::userInitiated), 1U);
    store->restore(RemovalRecord{});
    EXPECT_EQ(pending(Priority::standard), 0U);
    store->setRemovalCandidate(std::nullopt);

    runNext(Priority::userInitiated);
    EXPECT_FALSE(store->isRemoving());
    EXPECT_FALSE(fs::exists(beta.url));
    EXPECT_EQ(names(store->apps()), (std::vector<std::string>{"Aardvark", "Alpha"}));
    ASSERT_EQ(store->history().size(), 1U);
    EXPECT_EQ(store->history().front().appName, "Beta");
    ASSERT_TRUE(store->selectedApp().has_value());
    EXPECT_EQ(store->selectedApp()->name, "Alpha") << "the first application that is not part of macOS";
    EXPECT_TRUE(store->isScanning());

    // Restoring puts it back and reloads the list.
    const RemovalRecord record = store->history().front();
    store->restore(record);
    EXPECT_TRUE(store->isRestoring());
    EXPECT_EQ(store->restoringRecord(), record.id);
    runNext(Priority::standard);
    EXPECT_FALSE(store->isRestoring());
    EXPECT_TRUE(store->isLoadingApps());
    EXPECT_TRUE(store->apps().empty());
    EXPECT_TRUE(fs::exists(beta.url));
    runAll();
    EXPECT_EQ(names(store->apps()), (std::vector<std::string>{"Aardvark", "Alpha", "Beta"}));
    EXPECT_EQ(store->selectedApp()->name, "Alpha") << "the selection is not touched";
    ASSERT_EQ(store->history().size(), 1U);
    EXPECT_FALSE(store->isRestorable(store->history().front()));
    EXPECT_TRUE(store->hasUnavailableHistory());
    store->clearUnavailableHistory();
    EXPECT_TRUE(store->history().empty());
    EXPECT_FALSE(store->hasUnavailableHistory());
}

TEST_F(StoreRemovalTest, KeepingTheBundleKeepsTheAppListed) {
    makeStore();
    showBeta();
    const InstalledApp beta = app("Beta");
    store->setSelection(false, {beta.id()});
    store->requestRemoval();
    store->confirmRemoval();
    runAll();
    EXPECT_TRUE(fs::exists(beta.url));
    EXPECT_FALSE(fs::exists(cache));
    EXPECT_EQ(names(store->apps()), (std::vector<std::string>{"Aardvark", "Alpha", "Beta"}));

    store->select(app("Beta"));
    runAll();
    store->setAll(false);
    store->requestRemoval();
    EXPECT_EQ(store->errorMessage(), "Select at least one item to remove.");
    EXPECT_FALSE(store->removalCandidate().has_value());
}

TEST_F(StoreRemovalTest, APartlyFailedRemovalStopsOfferingWhatMoved) {
    makeStore(failingTrash(cache));
    showBeta();
    const InstalledApp beta = app("Beta");
    store->requestRemoval();
    store->confirmRemoval();
    runAll();

    ASSERT_TRUE(store->errorMessage().has_value());
    EXPECT_NE(store->errorMessage()->find("com.example.beta: Input/output error"), std::string::npos)
        << *store->errorMessage();
    EXPECT_FALSE(fs::exists(beta.url));
    EXPECT_FALSE(finds(beta.url)) << "the bundle is in the Trash and must not be offered again";
    EXPECT_TRUE(finds(cache));
    EXPECT_EQ(store->selectedApp()->id(), beta.id());
    EXPECT_EQ(store->apps().size(), 3U) << "the list is unchanged after a failure";
}

TEST_F(StoreRemovalTest, RemovingLeftoversLeavesTheApplicationsAlone) {
    makeStore();
    loadCompletely();
    store->selectLeftovers();
    runAll();
    ASSERT_TRUE(finds(orphan));
    EXPECT_FALSE(finds(cache)) << "Beta is installed";
    store->setSelection(true, {orphan.string()});
    store->requestRemoval();
    EXPECT_EQ(store->removalCandidate(), CleanerStore::leftoversApp());
    store->confirmRemoval();
    runAll();
    EXPECT_FALSE(fs::exists(orphan));
    EXPECT_EQ(store->apps().size(), 3U);
    EXPECT_EQ(store->selectedApp()->name, "Alpha");
    EXPECT_FALSE(store->isLeftoversMode());

    store->openHistory();
    EXPECT_TRUE(store->showHistory());
    ASSERT_EQ(store->history().size(), 1U);
    store->removeHistoryRecord(store->history().front());
    EXPECT_TRUE(store->history().empty());
}

} // namespace
} // namespace tarnwick::testing
