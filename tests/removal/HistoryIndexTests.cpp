// The index kept beside the history says where each record lies, so that a command finds one record
// without reading the others. It is a cache anyone of the user's may write: one that lies, is damaged or
// describes another file must never change what the history says.
#include "platform/FileOperations.h"
#include "removal/HistoryFile.h"
#include "removal/HistoryFormat.h"
#include "support/TemporaryFolder.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <vector>

namespace tarnwick {
namespace {

namespace fs = std::filesystem;

RemovalRecord record(const std::string& appName) {
    RemovalRecord made{Uuid::random(), appName, HistoryFormat::dateFromReferenceSeconds(7.5e8), {}, 4096};
    made.items.push_back({"/Users/tester/Library/Caches/" + appName, "/Users/tester/.Trash/" + appName});
    return made;
}

class HistoryIndexTest : public ::testing::Test {
protected:
    HistoryIndexTest() {
        file.rewrite([this](std::vector<RemovalRecord>& records) { records = written; });
        EXPECT_EQ(file.read(), written); // a reader keeps the index
        EXPECT_TRUE(fs::exists(file.indexLocation()));
    }

    // What a command finds, each through a history opened afresh, as each command opens it.
    void expectEveryLookupRight() {
        HistoryFile fresh(file.location());
        EXPECT_EQ(fresh.read(), written);
        for (const RemovalRecord& each : written) {
            SCOPED_TRACE(each.appName);
            EXPECT_EQ(HistoryFile(file.location()).begin().find(each.id), each);
            EXPECT_EQ(HistoryFile(file.location()).begin().startingWith(each.id.string().substr(0, 8)),
                      std::vector<RemovalRecord>{each});
        }
    }

    testing::TemporaryFolder folder;
    HistoryFile file{folder / "RemovalHistory.json"};
    const std::vector<RemovalRecord> written{record("Notes"), record("Maps"), record("Mail")};
};

TEST_F(HistoryIndexTest, AnIndexThatPointsAtTheWrongRecordsIsNeverBelieved) {
    // The index of this very file, with the first two records' identifiers swapped.
    std::istringstream lines(FileOperations::readFile(file.indexLocation()).value());
    std::vector<std::string> kept;
    for (std::string line; std::getline(lines, line);) {
        kept.push_back(line);
    }
    ASSERT_EQ(kept.size(), 2 + written.size());
    const std::size_t idLength = written[0].id.string().size();
    const std::string firstId = kept[2].substr(kept[2].size() - idLength);
    kept[2].replace(kept[2].size() - idLength, idLength, kept[3].substr(kept[3].size() - idLength));
    kept[3].replace(kept[3].size() - idLength, idLength, firstId);
    std::string lying;
    for (const std::string& line : kept) {
        lying += line + '\n';
    }
    FileOperations::replaceAtomically(file.indexLocation(), lying);

    expectEveryLookupRight();
    EXPECT_NE(FileOperations::readFile(file.indexLocation()), lying);

    // Nor does a fold take a record the index misplaced for unreadable.
    FileOperations::replaceAtomically(file.indexLocation(), lying);
    const HistoryFile::Outcome folded = file.begin().fold([](RemovalRecord&) { return true; }, true);
    EXPECT_TRUE(folded.written) << folded.failure;
    EXPECT_EQ(folded.recordsKeptAside, 0u);
    expectEveryLookupRight();
}

TEST_F(HistoryIndexTest, ADamagedOrForeignIndexIsReadPastAndWrittenOver) {
    const std::string own = FileOperations::readFile(file.indexLocation()).value();
    for (const std::string& damaged :
         {std::string("not an index"), own.substr(0, own.size() / 2), own + "12 x 0 0 -\n", std::string()}) {
        SCOPED_TRACE(damaged);
        FileOperations::replaceAtomically(file.indexLocation(), damaged);
        expectEveryLookupRight();
        EXPECT_EQ(FileOperations::readFile(file.indexLocation()), own);
    }

    // The index of the history before it changed.
    const RemovalRecord added = record("Music");
    file.begin().append(HistoryFile::Step::put(added));
    file.begin().fold([](RemovalRecord&) { return true; }, true);
    EXPECT_FALSE(fs::exists(file.indexLocation()));
    FileOperations::replaceAtomically(file.indexLocation(), own);
    std::vector<RemovalRecord> now{added};
    now.insert(now.end(), written.begin(), written.end());
    EXPECT_EQ(HistoryFile(file.location()).read(), now);
    EXPECT_EQ(HistoryFile(file.location()).begin().find(added.id), added);
}

} // namespace
} // namespace tarnwick
