#include "removal/RemovalFixture.h"
#include "store/StoreFixture.h"

#include <QSignalSpy>
#include <algorithm>
#include <cerrno>

namespace tarnwick::testing {
namespace {

namespace fs = std::filesystem;
using Priority = TaskRunner::Priority;

class StoreRemovalTest : public StoreFixture {
protected:
    bool finds(const fs::path& location) const {
        const auto& items = store->findings().items();
        return std::any_of(items.begin(), items.end(),
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

    const RemovalState& removals() const { return store->removals(); }
};

TEST_F(StoreRemovalTest, RemovingTheBundleDropsItsRowAndARestoreInsertsItAgain) {
    makeStore();
    loadCompletely();
    show("Editor");
    const InstalledApp editor = app("Editor");
    ASSERT_TRUE(finds(editor.url));
    ASSERT_TRUE(finds(editorCache));
    QSignalSpy rows(&store->appList(), &AppListState::appsChanged);

    store->requestRemoval();
    EXPECT_FALSE(removals().candidate().has_value()) << "what the removal would refuse is checked first";
    runAll();
    ASSERT_TRUE(removals().candidate().has_value());
    EXPECT_EQ(removals().candidate()->requests.front().app, editor);
    store->confirmRemoval();
    EXPECT_FALSE(removals().candidate().has_value());
    EXPECT_TRUE(removals().isRemoving());
    runAll();
    EXPECT_FALSE(fs::exists(editor.url));
    EXPECT_EQ(names(store->appList().apps()),
              (std::vector<std::string>{"Agent", "App 2", "app 10", "Clock", "Texty"}));
    ASSERT_EQ(removals().history().size(), 1U);
    EXPECT_EQ(removals().history().front().appName, "Editor");
    EXPECT_TRUE(store->findings().isSelected(app("Agent").id()))
        << "the first application that is not the system's";

    // The restore puts the bundle back and lists it again, leaving the other rows and their sizes alone.
    const RemovalRecord record = removals().history().front();
    store->restore(record);
    EXPECT_EQ(removals().restoringRecord(), record.id);
    runAll();
    EXPECT_FALSE(removals().isRestoring());
    EXPECT_TRUE(fs::exists(editor.url));
    EXPECT_EQ(names(store->appList().apps()),
              (std::vector<std::string>{"Agent", "App 2", "app 10", "Clock", "Editor", "Texty"}));
    EXPECT_TRUE(std::all_of(store->appList().apps().begin(), store->appList().apps().end(),
                            [](const auto& app) { return app.size.has_value(); }));
    for (const QList<QVariant>& signal : rows) {
        EXPECT_NE(signal.at(0).value<ListChange>().kind, ListChange::Kind::reset);
    }
    EXPECT_TRUE(store->findings().isSelected(app("Agent").id())) << "the selection is not touched";
    ASSERT_EQ(removals().history().size(), 1U);
    EXPECT_FALSE(removals().isRestorable(removals().history().front()));
    EXPECT_TRUE(removals().hasUnavailable());
    store->clearUnavailableHistory();
    runAll();
    EXPECT_TRUE(removals().history().empty());
}

TEST_F(StoreRemovalTest, TheStoreRefusesWhatTheRemovalWouldBeforeAnyWork) {
    makeStore();
    loadCompletely();
    show("Clock", std::vector<ResidualItem>{finding("Caches/com.apple.clock", ResidualCategory::cache,
                                                    MatchConfidence::exact, true)});
    EXPECT_FALSE(store->canRequestRemoval());
    store->requestRemoval();
    EXPECT_EQ(store->errorMessage(), "System applications cannot be removed.");
    EXPECT_TRUE(tasks->empty());

    show("Texty");
    store->choose(ItemChoice::Command::clear);
    store->requestRemoval();
    EXPECT_EQ(store->errorMessage(), "Select at least one item to remove.");
    EXPECT_TRUE(tasks->empty());

    // A removal while a restore runs, and a restore while a removal runs, do not start.
    store->toggle(store->findings().items().front().id());
    ASSERT_TRUE(store->canRequestRemoval());
    removeChosen();
    ASSERT_EQ(removals().history().size(), 1U);
    show("Agent");
    store->setErrorMessage(std::nullopt);
    store->restore(removals().history().front());
    EXPECT_FALSE(store->canRequestRemoval());
    store->requestRemoval();
    EXPECT_EQ(pending(Priority::userInitiated), 1U) << "only the restore";
    EXPECT_FALSE(store->errorMessage().has_value());
}

TEST_F(StoreRemovalTest, APartlyFailedRemovalOffersOnlyWhatStayedAndKnowsTheBundleIsGone) {
    makeStore(failingTrash(editorCache));
    loadCompletely();
    show("Editor");
    const InstalledApp editor = app("Editor");
    removeChosen();

    ASSERT_TRUE(store->errorMessage().has_value());
    EXPECT_NE(store->errorMessage()->find("com.example.editor: Input/output error"), std::string::npos)
        << *store->errorMessage();
    EXPECT_FALSE(fs::exists(editor.url));
    EXPECT_FALSE(finds(editor.url)) << "the bundle is in the Trash and must not be offered again";
    EXPECT_TRUE(finds(editorCache));
    EXPECT_TRUE(store->findings().isSelected(editor.id()));
    EXPECT_EQ(store->appList().rowOf(editor.id()), -1) << "its bundle is in the Trash: it is not installed";
    EXPECT_EQ(removals().history().size(), 1U) << "what moved can be put back";
}

TEST_F(StoreRemovalTest, RemovingLeftoversLeavesTheApplicationsAloneAndTheHistoryIsEditedByTasks) {
    makeStore();
    loadCompletely();
    store->selectLeftovers();
    runAll();
    ASSERT_TRUE(finds(orphan));
    EXPECT_FALSE(finds(editorCache)) << "Editor is installed";
    store->setChoice(true, {orphan.string()});
    removeChosen();
    EXPECT_FALSE(fs::exists(orphan));
    EXPECT_EQ(store->appList().apps().size(), 6U);
    EXPECT_TRUE(store->findings().isSelected(app("Agent").id()));

    store->openHistory();
    EXPECT_FALSE(removals().isShown()) << "the history is read first";
    runAll();
    EXPECT_TRUE(removals().isShown());
    ASSERT_EQ(removals().history().size(), 1U);
    store->removeHistoryRecord(removals().history().front());
    runAll();
    EXPECT_TRUE(removals().history().empty());
}

} // namespace
} // namespace tarnwick::testing
