#include "support/EventLoop.h"
#include "support/FileSystemProbe.h"
#include "support/WindowFixture.h"
#include "ui/AppListModel.h"
#include "ui/ApplicationDetailView.h"
#include "ui/FindingsFilter.h"
#include "ui/FindingsModel.h"
#include "ui/FindingsView.h"
#include "ui/HistoryModel.h"
#include "ui/MainView.h"

#include <QListView>

namespace tarnwick::testing {
namespace {

namespace fs = std::filesystem;

// The window's models through a day's work: a thousand applications loading, searches, mode switches, a
// removal and its restore, history edits, choices, the file filter and sections closing. The fixture's
// testers check every change against the rules of item models; only a new list or a new scan result may
// reset a model.
class ModelContractTest : public WindowFixture {
protected:
    ModelContractTest() {
        for (int index = 0; index < 1000; ++index) {
            const std::string name = "Generated " + std::to_string(index);
            script->extraApps.push_back({platform.system("/Applications/Generated/" + name + ".app"), name,
                                         "com.example.g" + std::to_string(index), "1.0", std::nullopt,
                                         false});
        }
    }

    // Every row of `model` below `parent`, depth first.
    static void walk(const QAbstractItemModel& model, const QModelIndex& parent,
                     const std::function<void(const QModelIndex&)>& visit) {
        for (int row = 0; row < model.rowCount(parent); ++row) {
            const QModelIndex index = model.index(row, 0, parent);
            visit(index);
            walk(model, index, visit);
        }
    }
};

TEST_F(ModelContractTest, ModelsChangeRowByRowAndResetOnlyForANewListOrScan) {
    openWindow();
    runAll();
    ASSERT_EQ(store->appList().apps().size(), 1006U);
    const std::vector<int> loaded = resets();

    store->setAppSearch("generated 99");
    EXPECT_EQ(listedNames().size(), 11);
    store->setAppSearch({});
    store->switchMode(AppListFilter::junk);
    store->switchMode(AppListFilter::apps);
    runAll();

    show("Editor", editorFindings());
    FindingsFilter& filter = window->mainView()->applicationDetail()->filter();
    FindingsView& view = *window->mainView()->applicationDetail()->list();
    const int scanned = resets()[1];
    store->choose(ItemChoice::Command::selectSafe);
    filter.toggleChoice(filter.index(1, 0)); // the Caches section
    store->setFileSearch("shared");
    store->setFileSearch({});
    view.collapse(filter.index(0, 0));
    view.expand(filter.index(0, 0));
    EXPECT_EQ(resets()[1], scanned) << "choices, the filter and sections closing change rows, not the list";

    removeChosen();
    const RemovalRecord removed = store->removals().history().front();
    store->restore(removed);
    runAll();
    store->choose(ItemChoice::Command::clear);
    store->toggle(store->findings().items().front().id());
    removeChosen();
    store->openHistory();
    runAll();
    ASSERT_EQ(historyModel().rowCount(), 2);
    store->removeHistoryRecord(store->removals().history().back());
    runAll();
    store->clearHistory();
    runAll();
    EXPECT_EQ(historyModel().rowCount(), 0);
    EXPECT_EQ(resets()[0], loaded[0]) << "the applications' rows";
    EXPECT_EQ(resets()[2], 0) << "the history's rows";
}

TEST_F(ModelContractTest, DataNeverReadsTheDisk) {
    if (!FileSystemWatch::isAvailable()) {
        GTEST_SKIP() << "the file system's calls cannot be counted here";
    }
    {
        FileSystemWatch probe;
        EXPECT_TRUE(fs::exists(folder.path()));
        ASSERT_EQ(probe.calls(), 1) << "the probe counts what reads the disk";
    }
    script->extraApps.resize(20);
    openWindow();
    runAll();
    show("Editor", editorFindings());
    FindingsView& view = *window->mainView()->applicationDetail()->list();
    const QAbstractItemModel& filter = *view.model();
    walk(filter, {}, [&](const QModelIndex& index) { view.expand(index); }); // every finding's details read
    store->choose(ItemChoice::Command::selectSafe);
    removeChosen();
    show("Texty");
    store->openHistory();
    runAll();

    for (const QAbstractItemModel* model : std::initializer_list<const QAbstractItemModel*>{
             list().model(), &appModel(), &filter, &findingsModel(), &historyModel()}) {
        int rows = 0;
        FileSystemWatch watch;
        walk(*model, {}, [&](const QModelIndex& index) {
            ++rows;
            for (int role = 0; role <= Qt::UserRole + 40; ++role) {
                index.data(role);
            }
        });
        EXPECT_GT(rows, 0);
        EXPECT_EQ(watch.calls(), 0) << model->metaObject()->className() << " read " << watch.lastPath();
    }
}

} // namespace
} // namespace tarnwick::testing
