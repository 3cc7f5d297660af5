// The history's journal and its fold: what a crash, a damaged line, an older file or a very large
// history leave readable.
#include "platform/FileOperations.h"
#include "removal/HistoryFile.h"
#include "removal/HistoryFormat.h"
#include "removal/HistoryScanner.h"
#include "support/TemporaryFolder.h"

#include <csignal>
#include <filesystem>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace tarnwick {
namespace {

namespace fs = std::filesystem;
using Step = HistoryFile::Step;

RemovalRecord record(const std::string& appName, int pairs = 1, std::size_t pathLength = 0) {
    RemovalRecord made{Uuid::random(), appName, HistoryFormat::dateFromReferenceSeconds(7.5e8), {}, 4096};
    for (int index = 0; index < pairs; ++index) {
        const std::string name =
            "/" + appName + " item " + std::to_string(index) + std::string(pathLength, 'x');
        made.items.push_back({"/Users/tester/Library/Caches" + name, "/Users/tester/.Trash" + name,
                              ItemIdentity{1, static_cast<std::uint64_t>(index), ItemIdentity::Kind::file}});
    }
    return made;
}

std::vector<std::string> appNames(const std::vector<RemovalRecord>& records) {
    std::vector<std::string> names;
    for (const RemovalRecord& each : records) {
        names.push_back(each.appName);
    }
    return names;
}

HistoryFile::Outcome fold(HistoryFile& file) {
    return file.begin().fold([](RemovalRecord&) { return true; });
}

struct Piece {
    std::uint64_t offset;
    std::string text;
    int depth;
    bool operator==(const Piece&) const = default;
};

std::optional<std::vector<Piece>> elementsFedBy(std::string_view text, std::size_t pieceSize) {
    std::vector<Piece> found;
    HistoryScanner scanner(text.size(), [&found](const HistoryScanner::Element& element) {
        found.push_back({element.offset, std::string(element.text), element.depth});
    });
    for (std::size_t at = 0; at < text.size(); at += pieceSize) {
        scanner.feed(text.substr(at, pieceSize));
    }
    return scanner.finish() ? std::optional(found) : std::nullopt;
}

TEST(HistoryScannerTest, AnyCutOfTheTextGivesTheSameElements) {
    const std::string text = R"( [ {"a":"x\"]}\\","b":[1,{"c":"]"}]} ,
        "plain \\\" string", 12.5e3 ,[[[]]], {"d":"\u0041,"}] )";
    const auto whole = elementsFedBy(text, text.size());
    ASSERT_TRUE(whole.has_value());
    ASSERT_EQ(whole->size(), 5u);
    EXPECT_EQ((*whole)[0].text, R"({"a":"x\"]}\\","b":[1,{"c":"]"}]})");
    EXPECT_EQ((*whole)[0].depth, 3);
    EXPECT_EQ((*whole)[2].text, "12.5e3");
    EXPECT_EQ((*whole)[3].depth, 3);
    for (const Piece& piece : *whole) {
        EXPECT_EQ(text.substr(piece.offset, piece.text.size()), piece.text);
    }
    for (std::size_t size = 1; size < text.size(); ++size) {
        EXPECT_EQ(elementsFedBy(text, size), whole) << "pieces of " << size;
    }
    for (const std::string broken : {"[1,]", "[1}", "[\"a]", "[1] [", "x[]", "[1,,2]"}) {
        EXPECT_EQ(elementsFedBy(broken, 1), std::nullopt) << broken;
    }
}

TEST(HistoryScannerTest, AnElementTooLongIsHandedOnInPiecesNeverHeld) {
    const std::string longOne = R"({"id":")" + std::string(100, 'z') + R"("})";
    const std::string text = R"([{"id":"short"},)" + longOne + R"(, 7])";
    std::string spilled;
    std::vector<bool> tooLong;
    HistoryScanner scanner(
        40, [&](const HistoryScanner::Element& element) { tooLong.push_back(element.tooLong); },
        [&spilled](std::string_view piece) { spilled += piece; });
    for (std::size_t at = 0; at < text.size(); at += 7) {
        scanner.feed(text.substr(at, 7));
    }
    EXPECT_TRUE(scanner.finish());
    EXPECT_EQ(tooLong, (std::vector<bool>{false, true, false}));
    EXPECT_EQ(spilled, longOne);

    EXPECT_EQ(HistoryScanner::plainMember(R"({"items":[{"id":"no"}],"id" : "yes"})", "id"), "yes");
    // Where the parser could read it otherwise, nothing is guessed.
    EXPECT_EQ(HistoryScanner::plainMember(R"({"id":"a","id":"b"})", "id"), std::nullopt);
    EXPECT_EQ(HistoryScanner::plainMember(R"({"\u0069d":"a","id":"b"})", "id"), std::nullopt);
    EXPECT_EQ(HistoryScanner::plainMember(R"({"id":"a\"b"})", "id"), std::nullopt);
}

TEST(HistoryJournalTest, StepsAreReadBackAndADamagedLineTakesNothingElseWithIt) {
    testing::TemporaryFolder folder;
    HistoryFile file(folder / "RemovalHistory.json");
    const RemovalRecord first = record("First", 3);
    const RemovalRecord second = record("Second", 2);
    RemovalRecord third = record("Third");
    third.state = RemovalRecord::State::inProgress;
    {
        HistoryFile::Transaction transaction = file.begin();
        transaction.append(Step::put(first));
        transaction.append(Step::put(second));
        transaction.append(Step::put(third));
        transaction.append(Step::changeState(first.id, RemovalRecord::State::restoring));
        transaction.append(Step::forget(second.id));
        EXPECT_EQ(transaction.unsettled().size(), 2u);
    }
    EXPECT_FALSE(fs::exists(file.location())); // nothing folded yet
    EXPECT_EQ(appNames(file.read()), (std::vector<std::string>{"Third", "First"}));
    EXPECT_EQ(file.read()[1].state, RemovalRecord::State::restoring);

    // The third record's line damaged in its middle, and a line a crash cut short at the end.
    std::string journal = FileOperations::readFile(file.journalLocation()).value();
    const auto thirdLine = journal.find(third.id.string());
    journal[journal.find("items", thirdLine)] = '!';
    FileOperations::writeFile(file.journalLocation(), journal + R"({"step":"record","id":")");
    const RemovalRecord fourth = record("Fourth");
    file.begin().append(Step::put(fourth));

    EXPECT_EQ(appNames(file.read()), (std::vector<std::string>{"Fourth", "First"}));
    const HistoryFile::Outcome folded = fold(file);
    EXPECT_TRUE(folded.written) << folded.failure;
    EXPECT_EQ(folded.damagedSteps, 2u);
    ASSERT_TRUE(folded.stepsKeptAside.has_value());
    const std::string keptAside = FileOperations::readFile(*folded.stepsKeptAside).value();
    EXPECT_NE(keptAside.find(third.id.string()), std::string::npos);
    EXPECT_NE(keptAside.find("\n{\"step\":\"record\",\"id\":\"\n"), std::string::npos) << keptAside;
    // The others were folded into the file, and the journal keeps only what is still unsettled.
    const auto decoded = HistoryFormat::decode(FileOperations::readFile(file.location()).value());
    ASSERT_TRUE(decoded.has_value());
    EXPECT_EQ(appNames(decoded->records), (std::vector<std::string>{"Fourth", "First"}));
    EXPECT_EQ(file.begin().unsettled(), std::vector<Uuid>{first.id});
    EXPECT_EQ(file.keptAsideFiles(), std::vector<fs::path>{*folded.stepsKeptAside});
}

TEST(HistoryJournalTest, AnOlderFileIsReadAndCarriedForwardUnchangedInMeaning) {
    testing::TemporaryFolder folder;
    // As earlier versions and other writers left it: spaced out, slashes escaped, identifiers in lower
    // case, keys in another order, unknown keys, pairs that do not say what they put in the Trash.
    const std::string older = R"([
      {"bytes": 12, "date": 0, "appName": "Notes", "extra": {"kept": [1]},
       "items": [{"trashPath": "\/Users\/t\/.Trash\/a", "kind": "file", "originalPath": "\/Applications\/a"}],
       "id": "e621e1f8-c36c-495a-93fc-0c247a3e6e5f"},
      {"id": "0BC7D9F4-1D43-4C0F-9B0D-2F9D6A1E7C11", "appName": "Ledger \u00e9", "date": 7.25e8,
       "items": [{"originalPath": "/Applications/Ledger.app", "trashPath": "/Users/t/.Trash/Ledger.app",
                  "trashItem": {"device": 1, "inode": 2, "kind": "folder"}}], "bytes": 9, "state": "restored"}
    ])";
    folder.write("RemovalHistory.json", older);
    const auto meant = HistoryFormat::decode(older);
    ASSERT_TRUE(meant.has_value());
    ASSERT_EQ(meant->records.size(), 2u);
    const RemovalRecord& first = meant->records[0];
    EXPECT_EQ(first.id.string(), "E621E1F8-C36C-495A-93FC-0C247A3E6E5F");
    EXPECT_EQ(first.date.time_since_epoch().count(), 978307200.0); // 2001-01-01 00:00:00 UTC
    EXPECT_EQ(first.items, (std::vector<TrashPair>{{"/Applications/a", "/Users/t/.Trash/a"}}));
    EXPECT_EQ(first.bytes, 12);

    HistoryFile file(folder / "RemovalHistory.json");
    {
        HistoryFile::Transaction transaction = file.begin();
        EXPECT_TRUE(transaction.needsFold()); // the file has no journal of its own yet
        EXPECT_EQ(transaction.records(), meant->records);
        EXPECT_EQ(transaction.find(meant->records[1].id), meant->records[1]);
        EXPECT_EQ(transaction.startingWith("E621E1F8"), std::vector<RemovalRecord>{meant->records[0]});
        EXPECT_TRUE(transaction.fold([](RemovalRecord&) { return true; }).written);
        EXPECT_FALSE(transaction.needsFold());
    }
    const std::string carried = FileOperations::readFile(file.location()).value();
    EXPECT_EQ(carried.find('\n'), std::string::npos) << carried;
    EXPECT_EQ(HistoryFormat::decode(carried)->records, meant->records);

    // A step on it, folded again: the rest stays as it was.
    const RemovalRecord added = record("Added");
    file.begin().append(Step::put(added));
    fold(file);
    EXPECT_EQ(file.read(), (std::vector<RemovalRecord>{added, meant->records[0], meant->records[1]}));
}

TEST(HistoryJournalTest, AHistoryFarAbove64MiBStaysReadable) {
    testing::TemporaryFolder folder;
    // Five removals of long paths, 80 MiB in all, as a file written by an earlier version.
    std::vector<RemovalRecord> records;
    std::string text = "[";
    for (int index = 0; index < 5; ++index) {
        records.push_back(record("Large " + std::to_string(index), 16, 1 << 19));
        text += (index == 0 ? "" : ",") + HistoryFormat::encode(records.back());
    }
    folder.write("RemovalHistory.json", text + "]");
    ASSERT_GT(text.size(), std::size_t{80} << 20);

    HistoryFile file(folder / "RemovalHistory.json");
    HistoryFile::Transaction transaction = file.begin();
    // The last record lies far past 64 MiB; it is found, and read alone.
    EXPECT_EQ(transaction.find(records[4].id), records[4]);
    EXPECT_EQ(transaction.startingWith(records[0].id.string().substr(0, 8)),
              std::vector<RemovalRecord>{records[0]});
    EXPECT_TRUE(file.keptAsideFiles().empty());
}

TEST(HistoryJournalTest, ARecordTooLongForMemoryIsKeptAsideAloneAsWritten) {
    testing::TemporaryFolder folder;
    const RemovalRecord small = record("Small");
    const RemovalRecord large = record("Large", 40);
    const std::string largeText = HistoryFormat::encode(large);
    folder.write("RemovalHistory.json", "[" + HistoryFormat::encode(small) + ", " + largeText + "]");
    HistoryFile file(folder / "RemovalHistory.json", {.largestRecord = 2048});
    ASSERT_GT(largeText.size(), 2048u);

    EXPECT_EQ(file.read(), std::vector<RemovalRecord>{small});
    const HistoryFile::Outcome folded = fold(file);
    EXPECT_TRUE(folded.written);
    EXPECT_EQ(folded.recordsKeptAside, 1u);
    ASSERT_TRUE(folded.keptAside.has_value());
    EXPECT_EQ(FileOperations::readFile(*folded.keptAside), "[" + largeText + "]");
    EXPECT_EQ(HistoryFile(folder / "RemovalHistory.json").read(), std::vector<RemovalRecord>{small});
}

TEST(HistoryJournalTest, AWriterKilledWhileAppendingLosesNoStepItFinished) {
    testing::TemporaryFolder folder;
    for (int round = 0; round < 20; ++round) {
        const fs::path location = folder / std::to_string(round) / "RemovalHistory.json";
        fs::create_directories(location.parent_path());
        int done[2];
        ASSERT_EQ(::pipe(done), 0);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            HistoryFile file(location);
            for (int index = 0;; ++index) {
                // Long lines, so that kills land inside a write as well as between them.
                const RemovalRecord each = record("Round " + std::to_string(round), 100);
                file.begin().append(Step::put(each));
                (void)!::write(done[1], each.id.string().data(), 36);
            }
        }
        ::close(done[1]);
        std::string finished;
        char id[36];
        while (finished.size() < 36 * 3 && ::read(done[0], id, sizeof id) == sizeof id) {
            finished.append(id, sizeof id);
        }
        ::usleep(static_cast<useconds_t>(round * 1000));
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);
        for (ssize_t count; (count = ::read(done[0], id, sizeof id)) == sizeof id;) {
            finished.append(id, sizeof id);
        }
        ::close(done[0]);

        HistoryFile file(location);
        std::vector<std::string> ids;
        for (const RemovalRecord& each : file.read()) {
            ids.push_back(each.id.string());
        }
        for (std::size_t at = 0; at < finished.size(); at += 36) {
            EXPECT_NE(std::find(ids.begin(), ids.end(), finished.substr(at, 36)), ids.end())
                << "round " << round;
        }
        EXPECT_TRUE(fold(file).written);
    }
}

} // namespace
} // namespace tarnwick
