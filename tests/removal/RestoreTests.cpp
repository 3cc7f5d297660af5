#include "platform/FileOperations.h"
#include "removal/RemovalFixture.h"

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
    EXPECT_TRUE(failure.starts_with("cache.db: ")) << failure;
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
    EXPECT_EQ(restoreFailure(record), "Not a place to restore to: "
                                      "Library/Caches/notes\nNot in the Trash: " +
                                          letter.string() + "\nNot in the Trash: " +
                                          (trashFolder / "Documents link/Letter.txt").string() +
                                          "\nNot in the Trash: " + trashFolder.string());
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

} // namespace
} // namespace tarnwick::testing
