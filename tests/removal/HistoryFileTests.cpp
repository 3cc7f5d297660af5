#include "removal/HistoryFile.h"
#include "removal/HistoryFormat.h"
#include "support/TemporaryFolder.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <gtest/gtest.h>
#include <limits>
#include <map>
#include <nlohmann/json.hpp>
#include <random>
#include <regex>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace tarnwick {
namespace {

namespace fs = std::filesystem;

RemovalRecord record(const std::string& appName, int pairs = 1, double seconds = 7.5e8 + 0.125) {
    RemovalRecord made{Uuid::random(), appName, HistoryFormat::dateFromReferenceSeconds(seconds), {}, 4096};
    for (int index = 0; index < pairs; ++index) {
        const std::string name = "/" + appName + " item " + std::to_string(index);
        made.items.push_back(
            {"/Users/tester/Library/Application Support" + name, "/Users/tester/.Trash" + name});
    }
    return made;
}

// The names in the folder beside the history file, with their contents.
std::map<std::string, std::string> folderContents(const fs::path& folder) {
    std::map<std::string, std::string> found;
    for (const auto& entry : fs::directory_iterator(folder)) {
        found[entry.path().filename().string()] = testing::contentsOf(entry.path());
    }
    return found;
}

// Forgets every record, as `history clear` does.
HistoryFile::Outcome clear(HistoryFile& file) {
    return file.begin().clear([](const RemovalRecord&) { return false; });
}

std::string replaced(std::string text, const std::string& from, const std::string& to) {
    return text.replace(text.find(from), from.size(), to);
}

constexpr char validRecord[] = R"({"id":"E621E1F8-C36C-495A-93FC-0C247A3E6E5F","appName":"Notes","date":1,)"
                               R"("items":[{"originalPath":"/a","trashPath":"/b"}],"bytes":7})";

TEST(HistoryFormatTest, EncodesCompactlyAndReadsBackEveryField) {
    std::vector<RemovalRecord> records{record("Caf\xC3\xA9 \"Notes\"\n\\", 3, 7.4e8 + 0.123456789),
                                       record("Empty", 0, -12.5), record("Restored")};
    records[0].bytes = std::numeric_limits<std::int64_t>::max();
    records[0].state = RemovalRecord::State::inProgress;
    records[0].items[1].trashItem =
        ItemIdentity{std::numeric_limits<std::uint64_t>::max(), 42, ItemIdentity::Kind::link};
    records[1].bytes = 0;
    records[2].state = RemovalRecord::State::restored;
    records[2].items[0].trashItem = ItemIdentity{7, 8, ItemIdentity::Kind::folder};

    const std::string text = HistoryFormat::encode(records);

    EXPECT_EQ(text.find_first_of("\r\n"), std::string::npos) << text;
    const std::regex upperCaseId(R"("id":"[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}")");
    EXPECT_EQ(
        std::distance(std::sregex_iterator(text.begin(), text.end(), upperCaseId), std::sregex_iterator()),
        3);
    EXPECT_EQ(HistoryFormat::decode(text), (HistoryFormat::Decoded{records, {}}));
    EXPECT_EQ(HistoryFormat::decode("[]"), HistoryFormat::Decoded{});
}

TEST(HistoryFormatTest, NestedExtraKeysCostNothingElse) {
    for (const std::string extra : {R"({"a":[]})", R"({"a":{"b":{}}})", R"({"a":{"b":[[{}]]}})"}) {
        for (const std::string& first : {replaced(validRecord, "{", R"({"extra":)" + extra + ","),
                                         replaced(validRecord, "7}", R"(7,"extra":)" + extra + "}")}) {
            const auto decoded = HistoryFormat::decode("[" + first + "," + validRecord + "]");
            // Either the file is refused whole, or both records come back complete: never a silent loss.
            if (decoded) {
                ASSERT_EQ(decoded->records.size(), 2u) << first;
                EXPECT_EQ(decoded->records.at(0).items.size(), 1u) << first;
                EXPECT_EQ(decoded->records.at(1).items.size(), 1u) << first;
            }
        }
    }
}

TEST(HistoryFormatTest, ARecordWithAMissingOrMistypedValueIsSetApartAndTheOthersRead) {
    const std::string record = validRecord;
    const std::vector<std::string> noArray{"", "not json", "{}", "[1", "[1,]", "[,1]", "[1]x", R"(["a)"};
    for (const std::string& text : noArray) {
        EXPECT_EQ(HistoryFormat::decode(text), std::nullopt) << text;
    }
    const std::vector<std::string> unreadable{
        "1",
        replaced(record, R"(,"bytes":7)", ""),
        replaced(record, R"(,"trashPath":"/b")", ""),
        replaced(record, R"("originalPath":"/a",)", ""),
        replaced(record, R"("bytes":7)", R"("bytes":"7")"),
        replaced(record, R"("bytes":7)", R"("bytes":7.5)"),
        replaced(record, R"("bytes":7)", R"("bytes":9223372036854775808)"),
        replaced(record, R"("date":1)", R"("date":"2001-01-01")"),
        replaced(record, "E621E1F8-", "E621E1F8"),
        replaced(record, R"("appName":"Notes")", R"("appName":null)"),
        replaced(record, R"([{"originalPath":"/a","trashPath":"/b"}])", R"({})"),
        replaced(record, R"("/b")", "7"),
        replaced(record, R"("bytes":7)", R"("bytes":7,"state":"gone")"),
        replaced(record, R"("/b")", R"("/b","trashItem":{"device":1,"inode":2})"),
        replaced(record, R"("/b")", R"("/b","trashItem":{"device":-1,"inode":2,"kind":"file"})"),
    };
    for (const std::string& bad : unreadable) {
        const auto decoded = HistoryFormat::decode("[" + record + "," + bad + "]");
        ASSERT_TRUE(decoded.has_value()) << bad;
        EXPECT_EQ(decoded->records.size(), 1u) << bad;
        ASSERT_EQ(decoded->unreadable.size(), 1u) << bad;
        EXPECT_EQ(nlohmann::json::parse(decoded->unreadable[0]), nlohmann::json::parse(bad));
    }
}

TEST(HistoryFormatTest, ARecordNoParserCanTakeApartIsKeptAsideAloneAsWritten) {
    const std::string deep =
        replaced(validRecord, "{", R"({"extra":)" + std::string(300, '[') + std::string(300, ']') + ",");
    const std::string huge = replaced(validRecord, R"("date":1)", R"("date":1e400)");
    const auto decoded = HistoryFormat::decode("[" + deep + ",\n " + validRecord + " , " + huge + "]");
    ASSERT_TRUE(decoded.has_value());
    EXPECT_EQ(decoded->records.size(), 1u);
    EXPECT_EQ(decoded->unreadable, (std::vector<std::string>{deep, huge}));
}

TEST(HistoryFileTest, AbsentFileReadsEmptyAndChangesCreateIt) {
    testing::TemporaryFolder folder;
    HistoryFile file(folder / "RemovalHistory.json");

    EXPECT_TRUE(file.read().empty());
    clear(file);
    EXPECT_TRUE(fs::is_empty(folder.path()));

    file.rewrite([](std::vector<RemovalRecord>&) {});
    EXPECT_EQ(testing::contentsOf(file.location()), "[]");
    const RemovalRecord added = record("Notes");
    file.rewrite([&](std::vector<RemovalRecord>& records) { records.push_back(added); });
    EXPECT_EQ(file.read(), std::vector<RemovalRecord>{added});

    clear(file);
    EXPECT_TRUE(fs::is_empty(folder.path()));

    HistoryFile nowhere(folder / "missing/RemovalHistory.json");
    nowhere.rewrite([&](std::vector<RemovalRecord>& records) { records.push_back(added); });
    EXPECT_FALSE(fs::exists(folder / "missing"));
}

TEST(HistoryFileTest, AnUnreadableFileIsKeptAsideAndNeverOverwritten) {
    testing::TemporaryFolder folder;
    HistoryFile file(folder / "RemovalHistory.json");
    const std::string lackingBytes = "[" + replaced(validRecord, R"(,"bytes":7)", "") + "]";
    const RemovalRecord first = record("First");
    const RemovalRecord second = record("Second");

    folder.write("RemovalHistory.json", "not json");
    EXPECT_TRUE(file.read().empty());
    EXPECT_EQ(testing::contentsOf(file.location()), "not json");
    file.rewrite([&](std::vector<RemovalRecord>& records) {
        EXPECT_TRUE(records.empty());
        records.push_back(first);
    });
    folder.write("RemovalHistory.json", lackingBytes);
    file.rewrite([&](std::vector<RemovalRecord>& records) { records.push_back(second); });

    EXPECT_EQ(file.read(), std::vector<RemovalRecord>{second});
    auto found = folderContents(folder.path());
    EXPECT_EQ(found.erase("RemovalHistory.journal"), 1u);
    found.erase("RemovalHistory.index");
    ASSERT_EQ(found.size(), 3u);
    EXPECT_EQ(found["RemovalHistory.json.unreadable"], "not json");
    // A record that cannot be read is kept aside alone, in a file of its own.
    EXPECT_EQ(nlohmann::json::parse(found["RemovalHistory.json.unreadable-2"]),
              nlohmann::json::parse(lackingBytes));
}

TEST(HistoryFileTest, OverlappingChangesLoseNothing) {
    testing::TemporaryFolder folder;
    const fs::path location = folder / "RemovalHistory.json";
    constexpr int writers = 8;
    constexpr int changesEach = 25;
    std::vector<RemovalRecord> doomed;
    for (int index = 0; index < 40; ++index) {
        doomed.push_back(record("Doomed " + std::to_string(index)));
    }
    std::vector<std::vector<RemovalRecord>> added(writers);
    for (int writer = 0; writer < writers; ++writer) {
        for (int index = 0; index < changesEach; ++index) {
            added[writer].push_back(
                record("Writer " + std::to_string(writer) + " #" + std::to_string(index)));
        }
    }
    HistoryFile(location).rewrite([&](std::vector<RemovalRecord>& records) { records = doomed; });

    // Two objects for one file: their changes are kept apart by the folder lock, as two processes' are.
    HistoryFile one(location);
    HistoryFile other(location);
    std::vector<std::thread> threads;
    for (int writer = 0; writer < writers; ++writer) {
        threads.emplace_back([&, writer] {
            for (const RemovalRecord& adding : added[writer]) {
                (writer % 2 == 0 ? one : other).rewrite([&](std::vector<RemovalRecord>& records) {
                    records.insert(records.begin(), adding);
                });
            }
        });
    }
    for (int remover = 0; remover < 2; ++remover) {
        threads.emplace_back([&, remover] {
            for (std::size_t index = remover; index < doomed.size(); index += 2) {
                (remover == 0 ? one : other).rewrite([&](std::vector<RemovalRecord>& records) {
                    std::erase_if(records,
                                  [&](const RemovalRecord& kept) { return kept.id == doomed[index].id; });
                });
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }

    const std::vector<RemovalRecord> final = one.read();
    ASSERT_EQ(final.size(), std::size_t{writers * changesEach});
    for (const std::vector<RemovalRecord>& mine : added) {
        // Each writer's records are all there, its newest first.
        auto previous = final.end();
        for (const RemovalRecord& adding : mine) {
            const auto found = std::find(final.begin(), final.end(), adding);
            ASSERT_NE(found, final.end()) << adding.appName;
            EXPECT_TRUE(previous == final.end() || found < previous) << adding.appName;
            previous = found;
        }
    }
}

TEST(HistoryFileTest, AWriterKilledAtAnyMomentLeavesTheOldOrTheNewFile) {
    testing::TemporaryFolder folder;
    const fs::path location = folder / "RemovalHistory.json";
    std::vector<RemovalRecord> first;
    std::vector<RemovalRecord> second;
    for (int index = 0; index < 30; ++index) {
        first.push_back(record("First " + std::to_string(index), 4));
        second.push_back(record("Second " + std::to_string(index), 4));
    }
    HistoryFile(location).rewrite([&](std::vector<RemovalRecord>& records) { records = first; });

    std::mt19937 random(20240601);
    constexpr int rounds = 30;
    for (int round = 0; round < rounds; ++round) {
        int changed[2];
        ASSERT_EQ(::pipe(changed), 0);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            HistoryFile file(location);
            for (;;) {
                file.rewrite([&](std::vector<RemovalRecord>& records) {
                    records = records == first ? second : first;
                });
                (void)!::write(changed[1], "!", 1);
            }
        }
        ::close(changed[1]);
        // Two changes give the pace; the kill then falls late in the third, where it writes.
        char signal[2] = {};
        (void)!::read(changed[0], &signal[0], 1);
        const auto previous = std::chrono::steady_clock::now();
        (void)!::read(changed[0], &signal[1], 1);
        const auto oneChange = std::chrono::steady_clock::now() - previous;
        std::this_thread::sleep_for(std::uniform_real_distribution<double>(0.8, 1.05)(random) * oneChange);
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);
        ::close(changed[0]);

        EXPECT_EQ(std::string(signal, 2), "!!")
            << "round " << round << ": the writer did not finish two changes";
        const auto records = HistoryFile(location).read();
        EXPECT_TRUE(records == first || records == second) << "round " << round << ": " << records.size();
    }

    // A killed write may leave its temporary file, and nothing else; the next change clears it away.
    const std::regex temporary(R"(\.RemovalHistory\.(json|journal|index)\.[A-Za-z0-9]{6})");
    auto found = folderContents(folder.path());
    EXPECT_EQ(found.erase("RemovalHistory.json"), 1u);
    found.erase("RemovalHistory.journal");
    found.erase("RemovalHistory.index");
    for (const auto& [name, text] : found) {
        EXPECT_TRUE(std::regex_match(name, temporary)) << name;
    }
    HistoryFile(location).rewrite([](std::vector<RemovalRecord>&) {});
    EXPECT_EQ(folderContents(folder.path()).size(), 2u);
}

} // namespace
} // namespace tarnwick
