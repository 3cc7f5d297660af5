#include "platform/FileOperations.h"
#include "removal/HistoryFile.h"
#include "removal/RemovalFixture.h"
#include "removal/RemovalLock.h"

#include <atomic>
#include <fcntl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace tarnwick::testing {
namespace {

namespace fs = std::filesystem;

class RestoreTest : public RemovalFixture {
protected:
    TrashManager trash = manager();

    // The failures of a restore, one per line.
    std::string restoreFailure(const RemovalRecord& record) {
        std::string lines;
        for (const std::string& line : trash.restore(record).failures) {
            lines += (lines.empty() ? "" : "\n") + line;
        }
        return lines;
    }
};

TEST_F(RestoreTest, AFolderComesBackBeforeWhatWasTakenOutOfIt) {
    const fs::path folder = at("~/Library/Application Support/Notes");
    const fs::path inner = file("~/Library/Application Support/Notes/c/d.txt", "inner");
    file("~/Library/Application Support/Notes/keep.txt", "kept");
    const RemovalRecord record = trash.remove(app, {item(folder), item(inner)}).record;
    ASSERT_FALSE(fs::exists(folder));

    EXPECT_EQ(restoreFailure(record), "");
    EXPECT_EQ(contentsOf(inner), "inner");
    EXPECT_EQ(contentsOf(folder / "keep.txt"), "kept");
    EXPECT_TRUE(fs::is_empty(trashFolder));
    EXPECT_FALSE(trash.isRestorable(record));

    // A second restore finds nothing left in the Trash and changes nothing.
    EXPECT_EQ(restoreFailure(record), "");
    ASSERT_EQ(trash.history().size(), 1U);
    EXPECT_EQ(trash.history()[0].state, RemovalRecord::State::restored);
}

TEST_F(RestoreTest, AnOccupiedPlaceIsNeverOverwritten) {
    const fs::path preferences = file("~/Library/Preferences/notes.plist", "old");
    const fs::path cache = file("~/Library/Caches/notes", "cache");
    const RemovalRecord record = trash.remove(app, {item(preferences), item(cache)}).record;
    file("~/Library/Preferences/notes.plist", "new");

    EXPECT_EQ(restoreFailure(record), "Already exists: " + preferences.string());
    EXPECT_EQ(contentsOf(preferences), "new");
    EXPECT_EQ(contentsOf(cache), "cache"); // the others still come back
    EXPECT_TRUE(trash.isRestorable(record));
}

TEST_F(RestoreTest, MissingParentsAreCreatedAgain) {
    const fs::path deep = file("~/Library/Application Support/Notes/Backups/2026/latest.db", "db");
    const RemovalRecord record = trash.remove(app, {item(deep)}).record;
    fs::remove_all(at("~/Library/Application Support/Notes"));

    EXPECT_EQ(restoreFailure(record), "");
    EXPECT_EQ(contentsOf(deep), "db");
}

TEST_F(RestoreTest, APlaceThatCannotHoldTheItemGivesItsLineAndTheRestComesBack) {
    const fs::path nested = file("~/Library/Caches/Notes/cache.db");
    const fs::path other = file("~/Library/Caches/notes.log", "log");
    const RemovalRecord record = trash.remove(app, {item(nested), item(other)}).record;
    fs::remove_all(at("~/Library/Caches/Notes"));
    file("~/Library/Caches/Notes", "a file where the folder was");

    const std::string failure = restoreFailure(record);
    EXPECT_TRUE(failure.starts_with(nested.string() + ": ")) << failure;
    EXPECT_EQ(contentsOf(other), "log");
    EXPECT_TRUE(trash.isRestorable(record));
}

TEST_F(RestoreTest, AnEditedHistoryCannotMoveWhatIsNotInTheTrash) {
    const fs::path letter = file("~/Documents/Letter.txt", "letter");
    const fs::path trashed = file("~/.Trash/notes", "trashed");
    fs::create_directory_symlink(letter.parent_path(), trashFolder / "Documents link");
    const RemovalRecord record{
        Uuid::random(),
        "Notes",
        {},
        {{at("~/Library/Caches/trash").string(), trashFolder.string()},
         {at("~/Library/Caches/linked").string(), (trashFolder / "Documents link/Letter.txt").string()},
         {at("~/Library/Caches/letter").string(), letter.string()},
         {"Library/Caches/notes", trashed.string()}},
        0};
    // The Trash folder itself, and what a link inside it leads to, are no items in the Trash.
    const std::string failure = restoreFailure(record);
    for (const std::string& line : std::vector<std::string>{
             "Library/Caches/notes: that is not a plain absolute path to put an item back to.",
             at("~/Library/Caches/letter").string() + ": its place \u201C" + letter.string() +
                 "\u201D is not in a Trash.",
             at("~/Library/Caches/linked").string() +
                 ": its place in the Trash cannot be reached without a link",
             at("~/Library/Caches/trash").string() + ": its place \u201C" + trashFolder.string() +
                 "\u201D is not in a Trash."}) {
        EXPECT_NE(failure.find(line), std::string::npos) << line << "\n" << failure;
    }
    EXPECT_EQ(contentsOf(letter), "letter");
    EXPECT_EQ(contentsOf(trashed), "trashed");
    EXPECT_TRUE(fs::is_directory(trashFolder));
}

TEST_F(RestoreTest, ARestoredRecordNeverTakesWhatALaterRemovalPutUnderTheSameName) {
    const fs::path notes = file("~/Library/Caches/notes", "first");
    const RemovalRecord first = trash.remove(app, {item(notes)}).record;
    EXPECT_EQ(restoreFailure(first), "");
    EXPECT_FALSE(trash.isRestorable(trash.history()[0]));

    fs::remove(notes);
    FileOperations::writeFile(notes, "second"); // another file of the same name
    const RemovalRecord second = trash.remove(app, {item(notes)}).record;
    ASSERT_EQ(second.items[0].trashPath, first.items[0].trashPath); // the name is free again, and reused

    // Neither the restored record nor the same record without its state (as older versions wrote it)
    // takes the later removal's item: it is another object than the one the first removal put there.
    for (RemovalRecord stale : {trash.history()[1], first}) {
        EXPECT_EQ(restoreFailure(stale), "");
        EXPECT_FALSE(fs::exists(notes));
    }
    EXPECT_EQ(restoreFailure(second), "");
    EXPECT_EQ(contentsOf(notes), "second");
}

TEST_F(RestoreTest, HistoryMaintenanceForgetsOnlyWhatCannotComeBack) {
    std::vector<RemovalRecord> records;
    for (const char* name : {"first", "second", "third"}) {
        records.push_back(trash.remove(app, {item(file(std::string("~/Library/Caches/") + name))}).record);
    }
    fs::remove(records[0].items[0].trashPath);
    fs::remove(records[2].items[0].trashPath);
    trash.clearUnavailable();
    const std::vector<RemovalRecord> left = trash.history();
    ASSERT_EQ(left.size(), 1U);
    EXPECT_EQ(left[0].id, records[1].id);

    trash.removeRecord(Uuid::random());
    EXPECT_EQ(trash.history().size(), 1U);
    trash.removeRecord(records[1].id);
    EXPECT_TRUE(trash.history().empty());

    trash.clearHistory();
    EXPECT_FALSE(fs::exists(trash.historyURL()));
    trash.clearHistory(); // nothing to delete is no error
    trash.clearUnavailable();
    EXPECT_EQ(contentsOf(trash.historyURL()), "[]");
}

TEST_F(RestoreTest, ARecordIsRestorableWhileAnyOfItsItemsIsInTheTrash) {
    const fs::path first = file("~/Library/Caches/notes-a");
    const fs::path second = file("~/Library/Caches/notes-bb");
    const RemovalRecord record = trash.remove(app, {item(first), item(second)}).record;
    fs::remove(record.items[0].trashPath);
    EXPECT_TRUE(trash.isRestorable(record));
    fs::remove(record.items[1].trashPath);
    EXPECT_FALSE(trash.isRestorable(record));
    EXPECT_FALSE(trash.isRestorable(RemovalRecord{}));
}

// A link the user's processes made: one of root's would be the system's own, which a restore follows.
void madeByTheUser(const fs::path& link) {
    if (::geteuid() == 0) {
        ::lchown(link.c_str(), 65534, 65534);
    }
}

TEST_F(RestoreTest, AFormerFolderReplacedByALinkIsNeverFollowed) {
    const fs::path data = file("~/Library/Caches/Vendor/data", "mine");
    const fs::path elsewhere = at("~/Documents/elsewhere");
    fs::create_directories(elsewhere);
    const RemovalRecord record = trash.remove(app, {item(data)}).record;
    fs::remove(data.parent_path());
    fs::create_directory_symlink(elsewhere, data.parent_path());
    madeByTheUser(data.parent_path());

    const std::string failure = restoreFailure(record);
    EXPECT_TRUE(failure.starts_with(data.string() + ": ")) << failure;
    EXPECT_NE(failure.find("link"), std::string::npos) << failure;
    EXPECT_TRUE(fs::is_empty(elsewhere));
    EXPECT_TRUE(trash.isRestorable(trash.history()[0]));

#ifdef __linux__
    // The folder and a link to the Documents exchanged, over and over, while restores run.
    fs::remove(data.parent_path());
    fs::create_directories(data.parent_path());
    const fs::path swap = at("~/Library/Caches/Swap");
    fs::create_directory_symlink(elsewhere, swap);
    madeByTheUser(swap);
    std::atomic<bool> done{false};
    std::atomic<long> exchanges{0};
    std::thread swapper([&] {
        while (!done) {
            if (::renameat2(AT_FDCWD, data.parent_path().c_str(), AT_FDCWD, swap.c_str(), RENAME_EXCHANGE) ==
                0) {
                ++exchanges;
            }
            std::this_thread::yield();
        }
    });
    long putBack = 0;
    for (int round = 0; round < 300; ++round) {
        const RemovalRecord latest = trash.history()[0];
        try {
            trash.restore(latest);
        } catch (const TrashError&) {
            // Refused while the folder was a link: the item stays in the Trash.
        }
        // Back in the real folder, whatever it is called now: it goes again for the next round.
        for (const fs::path& folder : {data.parent_path(), swap}) {
            try {
                if (!fs::is_symlink(folder) && fs::exists(folder / "data")) {
                    ++putBack;
                    trash.remove(app, {item(folder / "data")});
                }
            } catch (const TrashError&) {
                // Swapped meanwhile: it goes in a later round.
            }
        }
        if (!fs::is_empty(elsewhere)) {
            ADD_FAILURE() << "round " << round << ": restored through the link";
            break;
        }
    }
    done = true;
    swapper.join();
    EXPECT_GT(exchanges, 300);
    EXPECT_GT(putBack, 0);
#endif
}

TEST_F(RestoreTest, WhatALaterItemOrAnotherRestoreHoldsStaysAndIsNamed) {
    const fs::path notes = file("~/Library/Caches/notes", "notes");
    const fs::path log = file("~/Library/Logs/notes.log", "log");
    const RemovalRecord record = trash.remove(app, {item(notes), item(log)}).record;

    // Another restore of the same removal runs: this one changes nothing.
    {
        const auto other =
            RemovalLock::tryTake(trash.historyURL().parent_path(), record.id, RemovalLock::Kind::restore);
        ASSERT_TRUE(other.has_value());
        try {
            trash.restore(record);
            FAIL() << "two restores of one removal ran at once";
        } catch (const TrashError& error) {
            EXPECT_EQ(error.kind(), TrashError::Kind::alreadyRestoring);
        }
        EXPECT_FALSE(fs::exists(notes));
    }

    // An impostor in the Trash in place of an item is named, and stays.
    fs::remove(record.items[1].trashPath);
    FileOperations::writeFile(record.items[1].trashPath, "impostor");
    const std::string failure = restoreFailure(record);
    EXPECT_EQ(failure, notes.string() + ": the item at \u201C" + record.items[1].trashPath +
                           "\u201D is not the one Tarnwick moved to the Trash, so it stays there.");
    EXPECT_EQ(contentsOf(log), "log");
    EXPECT_FALSE(fs::exists(notes));
}

TEST_F(RestoreTest, AnOlderRecordNeverTakesAnItemALaterOneNamesToo) {
    const fs::path notes = file("~/Library/Caches/notes", "first");
    const RemovalRecord first = trash.remove(app, {item(notes)}).record;
    fs::remove(first.items[0].trashPath); // emptied from the Trash by hand
    FileOperations::writeFile(notes, "second");
    const RemovalRecord second = trash.remove(app, {item(notes)}).record;
    ASSERT_EQ(second.items[0].trashPath, first.items[0].trashPath);

    // The first record as versions that did not say what they put in the Trash wrote it.
    HistoryFile(trash.historyURL()).rewrite([](std::vector<RemovalRecord>& records) {
        records[1].items[0].trashItem.reset();
    });
    const std::string failure = restoreFailure(trash.history()[1]);
    EXPECT_NE(failure.find("a later removal put an item at"), std::string::npos) << failure;
    EXPECT_FALSE(fs::exists(notes));
    EXPECT_EQ(restoreFailure(trash.history()[0]), "");
    EXPECT_EQ(contentsOf(notes), "second");
}

// A Trash whose way back ends the process right after the last item came back, as a kill at that moment
// would.
class EndingTrash : public MacTrash {
public:
    using MacTrash::MacTrash;
    void moveBack(const OpenFolder& from, std::string_view name, const OpenFolder& to,
                  std::string_view toName) override {
        MacTrash::moveBack(from, name, to, toName);
        if (++moved == 2) {
            ::_exit(0);
        }
    }
    int moved = 0;
};

TEST_F(RestoreTest, ARestoreKilledAfterItsLastMoveIsCompletedAsRestored) {
    const fs::path notes = file("~/Library/Caches/notes", "notes");
    const fs::path log = file("~/Library/Logs/notes.log", "log");
    const RemovalRecord record = trash.remove(app, {item(notes), item(log)}).record;
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        TrashManager(platform, std::make_unique<EndingTrash>(trashFolder),
                     std::make_unique<HelperAdminRunner>(adminLog))
            .restore(record);
        ::_exit(1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(HistoryFile(trash.historyURL()).read()[0].state, RemovalRecord::State::restoring);

    const RemovalRecord completed = trash.history()[0];
    EXPECT_EQ(completed.state, RemovalRecord::State::restored);
    EXPECT_EQ(contentsOf(notes), "notes");
    EXPECT_EQ(contentsOf(log), "log");
}

} // namespace
} // namespace tarnwick::testing
