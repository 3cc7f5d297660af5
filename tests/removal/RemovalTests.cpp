#include "removal/HistoryFormat.h"
#include "removal/RemovalFixture.h"
#include "support/Unprivileged.h"

#include <sys/stat.h>

namespace tarnwick::testing {
namespace {

namespace fs = std::filesystem;

class RemovalTest : public RemovalFixture {
protected:
    static std::vector<std::string> originals(const RemovalRecord& record) {
        std::vector<std::string> paths;
        for (const TrashPair& pair : record.items) {
            paths.push_back(pair.originalPath);
        }
        return paths;
    }
};

TEST_F(RemovalTest, DeeperItemsMoveFirstAndEveryChosenByteCounts) {
    const fs::path folder = at("~/Library/Application Support/Notes");
    const fs::path inner = file("~/Library/Application Support/Notes/c/d.txt", "inner");
    const fs::path twin = file("~/Library/Application Support/Notez", "twin"); // as long as `folder`
    const fs::path gone = at("~/Library/Caches/com.example.notes.gone");
    TrashManager trash = manager();

    const RemovalRecord record =
        trash
            .remove(app, {item(folder, 100), item(inner, 5), item(twin, 4), item(gone, 1000), item(inner, 5)})
            .record;

    EXPECT_EQ(originals(record), (std::vector<std::string>{inner.string(), folder.string(), twin.string()}));
    EXPECT_EQ(record.bytes, 1114); // the vanished item and the second listing of `inner` count too
    EXPECT_EQ(record.appName, "Notes");
    EXPECT_EQ(contentsOf(record.items[0].trashPath), "inner");
    EXPECT_FALSE(fs::exists(folder));
    EXPECT_EQ(trash.history(), std::vector<RemovalRecord>{record});
}

// A command-line link into the bundle is the finding: removing it moves the link, and the tool it leads
// to stays in the bundle until the bundle itself moves.
TEST_F(RemovalTest, ACommandLineLinkMovesItselfNeverTheToolItLeadsTo) {
    const fs::path tool = file("/Applications/Notes.app/Contents/Resources/bin/notes", "tool");
    fs::create_directories(at("/usr/local/bin"));
    const fs::path link = at("/usr/local/bin/notes");
    fs::create_symlink(tool, link);
    fs::create_directories(at("~/.local/bin"));
    const fs::path userLink = at("~/.local/bin/notes");
    fs::create_symlink("../../../../Applications/Notes.app/Contents/Resources/bin/notes", userLink);
    ASSERT_EQ(contentsOf(userLink), "tool");
    TrashManager trash = manager();

    const RemovalRecord record = trash.remove(app, {item(link)}).record;
    ASSERT_EQ(record.items.size(), 1U);
    EXPECT_FALSE(fs::exists(fs::symlink_status(link)));
    EXPECT_TRUE(fs::is_symlink(record.items[0].trashPath));
    EXPECT_EQ(contentsOf(tool), "tool");

    // With the bundle, both move, and the link goes to the Trash as a link, not as a copy of the tool.
    const RemovalRecord both =
        trash.remove(app, {item(userLink), item(at("/Applications/Notes.app"))}).record;
    EXPECT_EQ(both.items.size(), 2U);
    EXPECT_FALSE(fs::exists(at("/Applications/Notes.app")));
    EXPECT_FALSE(fs::exists(fs::symlink_status(userLink)));
    for (const TrashPair& pair : both.items) {
        EXPECT_EQ(fs::is_symlink(pair.trashPath), pair.originalPath == userLink.string())
            << pair.originalPath;
    }
}

TEST_F(RemovalTest, ATakenNameInTheTrashIsNeverReplaced) {
    const fs::path earlier = file("~/.Trash/notes.plist", "earlier");
    const fs::path preferences = file("~/Library/Preferences/notes.plist", "now");
    const RemovalRecord record = manager().remove(app, {item(preferences)}).record;
    ASSERT_EQ(record.items.size(), 1U);
    EXPECT_EQ(record.items[0].trashPath, (trashFolder / "notes 2.plist").string());
    EXPECT_EQ(contentsOf(earlier), "earlier");
    EXPECT_EQ(contentsOf(record.items[0].trashPath), "now");
}

TEST_F(RemovalTest, NothingLeftToMoveGivesARecordWithoutItemsAndNoHistory) {
    TrashManager trash = manager();
    const RemovalRecord record = trash.remove(app, {item(at("~/Library/Caches/notes"), 7)}).record;
    EXPECT_TRUE(record.items.empty());
    EXPECT_EQ(record.bytes, 7);
    EXPECT_FALSE(fs::exists(trash.historyURL()));
}

TEST_F(RemovalTest, PermissionFailuresGoTogetherThroughOneAdministratorCommand) {
    const fs::path bundle =
        file("/Applications/Notes Helpers/A.app/Contents/Info.plist").parent_path().parent_path();
    const fs::path daemon = file("/Library/LaunchDaemons/B.plist", "daemon");
    const fs::path cache = file("~/Library/Caches/notes");
    TrashManager trash = manager({{bundle, permissionDenied()}, {daemon, permissionDenied()}});

    const RemovalRecord record = trash.remove(app, {item(bundle), item(daemon), item(cache)}).record;

    EXPECT_EQ(adminLog->runs, 1);
    ASSERT_EQ(record.items.size(), 3U);
    EXPECT_EQ(record.items[0].originalPath, cache.string());
    const fs::path batch = fs::path(record.items[1].trashPath).parent_path();
    EXPECT_EQ(record.items[1].originalPath, bundle.string());
    EXPECT_EQ(record.items[1].trashPath, (batch / "0-A.app").string());
    EXPECT_EQ(record.items[2].originalPath, daemon.string());
    EXPECT_EQ(record.items[2].trashPath, (batch / "1-B.plist").string());
    EXPECT_EQ(record.items[2].trashItem, ItemIdentity::at(batch / "1-B.plist"));
    EXPECT_EQ(batch.parent_path(), trashFolder);
    EXPECT_TRUE(batch.filename().string().starts_with("Tarnwick-Notes-"));
    EXPECT_TRUE(Uuid::parse(batch.filename().string().substr(15)).has_value());
    EXPECT_EQ(contentsOf(record.items[2].trashPath), "daemon");
    EXPECT_FALSE(fs::exists(bundle));

    // The way back is as closed to the user as the way out: the administrator step puts them back.
    trash.restore(record);
    EXPECT_EQ(adminLog->runs, 2);
    EXPECT_EQ(adminLog->lastRequest.action, AdminRequest::Action::putBack);
    EXPECT_EQ(adminLog->lastRequest.moves.size(), 2U);
    EXPECT_EQ(contentsOf(daemon), "daemon");
    EXPECT_TRUE(fs::exists(bundle / "Contents/Info.plist"));
    EXPECT_FALSE(fs::exists(batch)); // emptied by the restore, so it goes
    EXPECT_EQ(trash.history()[0].state, RemovalRecord::State::restored);
}

TEST_F(RemovalTest, EveryMoveIsInTheHistoryBeforeItHappens) {
    const fs::path cache = file("~/Library/Caches/notes");
    const fs::path daemon = file("/Library/LaunchDaemons/B.plist");
    TrashManager trash = manager({{daemon, permissionDenied()}}, "User canceled.");
    std::vector<RemovalRecord> whileAsking;
    adminLog->whileAsking = [&] { whileAsking = trash.history(); };

    const RemovalOutcome outcome = trash.remove(app, {item(cache), item(daemon)});
    EXPECT_EQ(outcome.failures, std::vector<std::string>{daemon.string() + ": User canceled."});
    EXPECT_TRUE(fs::exists(daemon));
    // While the prompt is open the record holds what moved and where the rest will go; the running
    // removal's record is not taken for an interrupted one.
    ASSERT_EQ(whileAsking.size(), 1U);
    EXPECT_EQ(whileAsking[0].state, RemovalRecord::State::inProgress);
    EXPECT_EQ(originals(whileAsking[0]), (std::vector<std::string>{cache.string(), daemon.string()}));
    EXPECT_EQ(fs::path(whileAsking[0].items[1].trashPath).parent_path().parent_path(), trashFolder);
    EXPECT_EQ(outcome.record.id, whileAsking[0].id);
    const std::vector<RemovalRecord> after = trash.history();
    ASSERT_EQ(after.size(), 1U);
    EXPECT_EQ(after[0].state, RemovalRecord::State::finished);
    EXPECT_EQ(originals(after[0]), std::vector<std::string>{cache.string()});
    // The refused prompt leaves no batch folder behind.
    for (const auto& entry : fs::directory_iterator(trashFolder)) {
        EXPECT_FALSE(entry.path().filename().string().starts_with("Tarnwick-")) << entry.path();
    }
}

TEST_F(RemovalTest, WithoutAHistoryToWriteToNothingMoves) {
    TrashManager trash = manager();
    fs::remove_all(trash.historyURL().parent_path());
    file("~/Library/Application Support/TarnwickCleaner", "a file where the folder was");
    const fs::path cache = file("~/Library/Caches/notes");
    try {
        trash.remove(app, {item(cache)});
        FAIL() << "the removal went ahead without a history";
    } catch (const TrashError& error) {
        const std::string message = error.what();
        EXPECT_EQ(error.kind(), TrashError::Kind::historyUnwritable);
        EXPECT_TRUE(message.starts_with("The removal history cannot be written (")) << message;
        EXPECT_TRUE(message.ends_with("). Nothing was moved.")) << message;
    }
    EXPECT_TRUE(fs::exists(cache));
}

TEST_F(RemovalTest, AnItemNoTrashCanTakeRefusesTheWholeRemoval) {
    fs::remove(trashFolder);
    file("~/.Trash", "a file where the Trash should be");
    const fs::path cache = file("~/Library/Caches/notes");
    try {
        manager().checkRemoval(app, {item(cache)});
        FAIL() << "the removal would go ahead without a Trash";
    } catch (const TrashError& error) {
        EXPECT_EQ(error.kind(), TrashError::Kind::noTrash);
        EXPECT_EQ(error.path(), cache.string());
    }
    EXPECT_THROW(manager().remove(app, {item(cache)}), TrashError);
    EXPECT_TRUE(fs::exists(cache));
}

TEST_F(RemovalTest, TheAdministratorCommandMovesExactlyTheGivenItemsWhateverTheirNames) {
    const std::vector<std::string> names{"it's",          "say \"hi\"",
                                         "back\\slash",   "$(touch pwned)",
                                         "`touch pwned`", "two  spaces ",
                                         "line\nbreak",   "caf\u00e9 \u65e5\u672c",
                                         "-rf",           "*"};
    std::map<fs::path, PlatformError> failures;
    std::vector<ResidualItem> items;
    for (const std::string& name : names) {
        const fs::path location = file("/Library/Application Support/Vendor/" + name, name);
        failures.emplace(location, permissionDenied());
        items.push_back(item(location));
    }
    const fs::path bystander = file("/Library/Application Support/Vendor/bystander", "stays");
    InstalledApp quoted = app;
    quoted.name = "Foo's App/\u00e9\"";
    TrashManager trash = manager(std::move(failures));

    const RemovalRecord record = trash.remove(quoted, items).record;

    ASSERT_EQ(record.items.size(), names.size());
    const fs::path batch = fs::path(record.items[0].trashPath).parent_path();
    EXPECT_TRUE(batch.filename().string().starts_with("Tarnwick-Foo_s App___-")) << batch;
    std::set<std::string> inBatch;
    for (const auto& entry : fs::directory_iterator(batch)) {
        inBatch.insert(entry.path().filename().string());
    }
    EXPECT_EQ(inBatch.size(), names.size());
    for (const TrashPair& pair : record.items) {
        EXPECT_FALSE(fs::exists(fs::symlink_status(pair.originalPath)));
        EXPECT_EQ(contentsOf(pair.trashPath), fs::path(pair.originalPath).filename().string());
    }
    EXPECT_EQ(contentsOf(bystander), "stays");
    EXPECT_FALSE(fs::exists(at("/Library/Application Support/Vendor/pwned")));
    EXPECT_FALSE(fs::exists("pwned"));
}

TEST_F(RemovalTest, TheHelpersAnswerSaysWhichItemsMoved) {
    const fs::path first = file("/Library/LaunchDaemons/one.plist", "one");
    const fs::path vanishing = file("/Library/LaunchDaemons/two.plist");
    const fs::path third = file("/Library/LaunchDaemons/six.plist", "six");
    // The second item disappears after the Finder refused it: another removal took it.
    class VanishingTrash : public FailingTrash {
    public:
        using FailingTrash::FailingTrash;
        void moveTo(const OpenFolder& from, std::string_view name, const fs::path& item,
                    const fs::path& place) override {
            try {
                FailingTrash::moveTo(from, name, item, place);
            } catch (const PlatformError&) {
                if (item.filename() == "two.plist") {
                    fs::remove(item);
                }
                throw;
            }
        }
    };
    const std::map<fs::path, PlatformError> failures{
        {first, permissionDenied()}, {vanishing, permissionDenied()}, {third, permissionDenied()}};
    TrashManager trash(platform, std::make_unique<VanishingTrash>(trashFolder, failures),
                       std::make_unique<HelperAdminRunner>(adminLog));

    const RemovalRecord record = trash.remove(app, {item(first), item(vanishing), item(third)}).record;

    ASSERT_EQ(originals(record), (std::vector<std::string>{first.string(), third.string()}));
    EXPECT_EQ(contentsOf(record.items[0].trashPath), "one");
    EXPECT_EQ(contentsOf(record.items[1].trashPath), "six");
    EXPECT_EQ(trash.history(), std::vector<RemovalRecord>{record});
}

TEST_F(RemovalTest, ARealPermissionFailureIsDeferredToTheAdministrator) {
    // The whole tree must be reachable by the unprivileged user.
    const fs::path daemon = file("/Library/LaunchDaemons/B.plist");
    const fs::path cache = file("~/Library/Caches/notes");
    for (const auto& entry : fs::recursive_directory_iterator(folder.path())) {
        if (entry.is_directory()) {
            fs::permissions(entry.path(), fs::perms::all, fs::perm_options::add);
        }
    }
    fs::permissions(folder.path(), fs::perms::all, fs::perm_options::add);
    ASSERT_EQ(::chown(trashFolder.c_str(), 65534, 65534), 0); // the user's own Trash
    // Nobody may change the daemons' folder, its owner included (the tests may not run as root).
    fs::permissions(daemon.parent_path(), fs::perms::owner_read | fs::perms::owner_exec |
                                              fs::perms::group_read | fs::perms::group_exec |
                                              fs::perms::others_read | fs::perms::others_exec);

    const auto lines = runUnprivileged([&] {
        TrashManager trash(platform, std::make_unique<MacTrash>(trashFolder),
                           std::make_unique<HelperAdminRunner>(adminLog));
        const RemovalOutcome outcome = trash.remove(app, {item(daemon), item(cache)});
        return outcome.failures.empty() ? std::string("moved")
                                        : outcome.failures.front() + "|" + std::to_string(adminLog->runs);
    });
    ASSERT_TRUE(lines.has_value());
    // The helper ran without privileges too, so its move was refused, and it said so for the item.
    EXPECT_TRUE(lines->starts_with(daemon.string() + ": ")) << *lines;
    EXPECT_NE(lines->find("Permission denied"), std::string::npos) << *lines;
    EXPECT_TRUE(lines->ends_with("|1")) << *lines;
    EXPECT_TRUE(fs::exists(daemon));
    EXPECT_FALSE(fs::exists(cache));
}

TEST_F(RemovalTest, TheHistoryKeepsTheThirtyNewestRemovals) {
    TrashManager trash = manager();
    std::vector<Uuid> ids;
    for (int index = 0; index < 31; ++index) {
        ids.push_back(
            trash.remove(app, {item(file("~/Library/Caches/notes-" + std::to_string(index)))}).record.id);
    }
    const std::vector<RemovalRecord> history = trash.history();
    ASSERT_EQ(history.size(), 30U);
    EXPECT_EQ(history.front().id, ids.back());
    EXPECT_EQ(history.back().id, ids[1]);
    EXPECT_TRUE(fs::exists(trashFolder / "notes-0")); // dropped from the history, not from the Trash
}

} // namespace
} // namespace tarnwick::testing
