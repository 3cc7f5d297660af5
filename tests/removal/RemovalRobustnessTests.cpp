// A removal as an unlucky user and an attacker meet it: killed at any moment, also while the
// administrator is asked, a folder on the way or the Trash swapped for a link while it runs, items on
// another volume, on another mount or where a disk is mounted.
#include "platform/FileOperations.h"
#include "removal/RemovalFixture.h"
#include "removal/RemovalLock.h"
#include "removal/TrashName.h"
#include "support/Unprivileged.h"

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <random>
#include <set>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#ifdef __linux__
#include <cstdio>
#include <sys/mount.h>
#endif

namespace tarnwick::testing {
namespace {

namespace fs = std::filesystem;

// Runs `work` in a child process and kills it with SIGKILL after `delay`, whatever it is doing then.
void killedAfter(std::chrono::microseconds delay, const std::function<void()>& work) {
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        work();
        ::_exit(0);
    }
    std::this_thread::sleep_for(delay);
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
}

// How long `work` takes, to spread the kills over all of it.
std::chrono::microseconds timeOf(const std::function<void()>& work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start);
}

// Lays out the items of each of `rounds` rounds, runs `work` in a child killed at a random moment over all
// of `duration` and a little beyond, and has `check` look at what it left.
void killedThroughout(std::chrono::microseconds duration, int rounds, unsigned seed,
                      const std::function<void(int)>& lay, const std::function<void()>& work,
                      const std::function<void(int)>& check) {
    std::mt19937 random(seed);
    std::uniform_int_distribution<long> moment(0, duration.count() * 6 / 5);
    for (int round = 1; round <= rounds; ++round) {
        lay(round);
        killedAfter(std::chrono::microseconds(moment(random)), work);
        check(round);
    }
}

// A Trash slow to take each item and to give it back, as one on a busy or network disk is: the moves
// fill most of a removal or a restore.
class SlowTrash : public MacTrash {
public:
    using MacTrash::MacTrash;
    void moveTo(const OpenFolder& from, std::string_view name, const fs::path& item,
                const fs::path& place) override {
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
        MacTrash::moveTo(from, name, item, place);
    }
    void moveBack(const OpenFolder& from, std::string_view name, const OpenFolder& to,
                  std::string_view toName) override {
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
        MacTrash::moveBack(from, name, to, toName);
    }
};

TEST_F(RemovalFixture, ARemovalOfSeveralAppsKilledAtAnyMomentLeavesAWayBackForEverythingItMoved) {
    constexpr int appCount = 4;
    constexpr int itemsPerApp = 6;
    constexpr int rounds = 80;
    std::vector<InstalledApp> apps;
    std::vector<std::vector<ResidualItem>> items(appCount);
    for (int index = 0; index < appCount; ++index) {
        const std::string name = "App" + std::to_string(index);
        apps.push_back({platform.system("/Applications/" + name + ".app"), name, "com.example." + name, "1.0",
                        0, false});
        for (int each = 0; each < itemsPerApp; ++each) {
            // Some folders among the files; a Trash that has every name many times over, as a full one does.
            const fs::path location =
                at("~/Library/Caches/" + name + "-" + std::to_string(each) + (each % 3 == 0 ? "" : ".db"));
            items[index].push_back(item(location, 1));
            for (int taken = 1; taken <= 10; ++taken) {
                file("~/.Trash/" + TrashName::candidate(location, taken), "taken");
            }
        }
    }
    std::vector<RemovalPart> parts;
    for (int index = 0; index < appCount; ++index) {
        parts.push_back({apps[index], items[index]});
    }
    // The file holding an item's contents: the item itself, or the one file inside a folder item.
    const auto contentFile = [](const fs::path& location) {
        return location.extension().empty() ? location / "inside" : location;
    };
    const auto contents = [](int round, const fs::path& location) {
        return "round " + std::to_string(round) + " " + location.filename().string();
    };
    const auto lay = [&](int round) {
        for (const RemovalPart& part : parts) {
            for (const ResidualItem& each : part.items) {
                fs::create_directories(contentFile(each.url).parent_path());
                FileOperations::writeFile(contentFile(each.url), contents(round, each.url));
            }
        }
    };
    const auto removal = [&] {
        return TrashManager(platform, std::make_unique<SlowTrash>(trashFolder),
                            std::make_unique<HelperAdminRunner>(adminLog))
            .remove(parts);
    };
    lay(0);
    std::vector<RemovalOutcome> whole;
    const auto duration = timeOf([&] { whole = removal(); });
    ASSERT_EQ(whole.size(), static_cast<std::size_t>(appCount));
    for (const RemovalOutcome& outcome : whole) {
        manager().restore(outcome.record);
    }

    killedThroughout(
        duration, rounds, 20261207, lay, [&] { removal(); },
        [&](int round) {
            // Opening the history completes what the killed removal left. Every record holds only its own
            // application's items; put back, everything is where it was.
            TrashManager trash = manager();
            for (const RemovalRecord& record : trash.history()) {
                EXPECT_NE(record.state, RemovalRecord::State::inProgress) << "round " << round;
                for (const TrashPair& pair : record.items) {
                    EXPECT_TRUE(
                        fs::path(pair.originalPath).filename().string().starts_with(record.appName + "-"))
                        << pair.originalPath << " in the record of " << record.appName;
                }
                EXPECT_TRUE(trash.restore(record).failures.empty()) << "round " << round;
            }
            for (const RemovalPart& part : parts) {
                for (const ResidualItem& each : part.items) {
                    EXPECT_EQ(contentsOf(contentFile(each.url)), contents(round, each.url)) << each.url;
                }
            }
        });
}

TEST_F(RemovalFixture, ARestoreKilledAtAnyMomentLeavesNothingUnsettledAndLosesNoWayBack) {
    constexpr int itemCount = 16;
    constexpr int rounds = 60;
    std::vector<ResidualItem> items;
    for (int index = 0; index < itemCount; ++index) {
        items.push_back(item(file("~/Library/Caches/notes-" + std::to_string(index), std::to_string(index))));
    }
    const auto restorer = [&] {
        return TrashManager(platform, std::make_unique<SlowTrash>(trashFolder),
                            std::make_unique<HelperAdminRunner>(adminLog));
    };
    const auto duration = timeOf([&] { restorer().restore(manager().remove(app, items).record); });

    RemovalRecord record;
    killedThroughout(
        duration, rounds, 20261208, [&](int) { record = manager().remove(app, items).record; },
        [&] { restorer().restore(record); },
        [&](int round) {
            // The record is settled by whoever opens the history next, and what stayed comes back then.
            TrashManager trash = manager();
            const std::vector<RemovalRecord> history = trash.history();
            ASSERT_FALSE(history.empty()) << "round " << round;
            EXPECT_EQ(history.front().id, record.id) << "round " << round;
            for (const RemovalRecord& each : history) {
                EXPECT_TRUE(each.state == RemovalRecord::State::finished ||
                            each.state == RemovalRecord::State::restored)
                    << "round " << round;
            }
            EXPECT_NO_THROW(trash.restore(history.front())) << "round " << round;
            EXPECT_EQ(trash.history().front().state, RemovalRecord::State::restored) << "round " << round;
            for (int index = 0; index < itemCount; ++index) {
                EXPECT_EQ(contentsOf(items[index].url), std::to_string(index)) << "round " << round;
            }
        });
}

#ifdef __linux__
// Stands in for pkexec: keeps the prompt open for a while, then runs the helper in its own place, as
// pkexec does once the user agrees.
class PromptingAdminRunner : public AdminRunner {
public:
    AdminOutcome run(const AdminRequest& request) override {
        return AdminLaunch::throughTool({"/bin/sh", "-c", "sleep 0.03; exec \"$@\"", "sh"},
                                        TARNWICK_ADMIN_HELPER_PATH, request);
    }
};

// Every item in the Trash, batch folders looked into.
std::vector<fs::path> trashContents(const fs::path& trash) {
    std::vector<fs::path> items;
    for (const auto& entry : fs::directory_iterator(trash)) {
        if (entry.path().filename().string().starts_with("Tarnwick-") && entry.is_directory()) {
            for (const auto& inside : fs::directory_iterator(entry.path())) {
                items.push_back(inside.path());
            }
        } else {
            items.push_back(entry.path());
        }
    }
    return items;
}

TEST_F(RemovalFixture, AKillWhileTheAdministratorIsAskedLeavesNothingInTheTrashUnrecorded) {
    constexpr int rounds = 50;
    std::map<fs::path, PlatformError> refused;
    std::vector<ResidualItem> items{item(at("~/Library/Caches/notes"))};
    for (int index = 0; index < 4; ++index) {
        const fs::path daemon = at("/Library/LaunchDaemons/notes-" + std::to_string(index) + ".plist");
        refused.emplace(daemon, permissionDenied());
        items.push_back(item(daemon));
    }
    const auto lay = [&] {
        for (const ResidualItem& each : items) {
            file(each.url.string().starts_with(home.string())
                     ? "~/" + each.url.lexically_relative(home).string()
                     : "/" + each.url.lexically_relative(folder.path()).string());
        }
    };
    const auto removal = [&] {
        TrashManager(platform, std::make_unique<FailingTrash>(trashFolder, refused),
                     std::make_unique<PromptingAdminRunner>())
            .remove(app, items);
    };
    const auto startOver = [&] {
        fs::remove_all(trashFolder);
        fs::create_directories(trashFolder);
        fs::remove(manager().historyURL());
    };
    // How long one removal takes here, prompt included, to spread the kills over all of it.
    lay();
    const auto duration = timeOf(removal);
    startOver();

    std::mt19937 random(20261207);
    std::uniform_int_distribution<long> moment(0, duration.count() * 6 / 5);
    int helperMoves = 0;
    for (int round = 0; round < rounds; ++round) {
        lay();
        killedAfter(std::chrono::microseconds(moment(random)), removal);
        // Someone opens the history while the prompt may still be up and the helper may still run.
        const std::vector<RemovalRecord> meanwhile = manager().history();
        // Then the helper is done: it holds its lock while it may move anything.
        const auto helperRuns = [&] {
            return std::any_of(meanwhile.begin(), meanwhile.end(), [&](const RemovalRecord& record) {
                return RemovalLock::isHeld(manager().historyURL().parent_path(), record.id,
                                           RemovalLock::Kind::helper);
            });
        };
        while (helperRuns()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        std::this_thread::sleep_for(duration);

        std::set<std::string> recorded;
        for (const RemovalRecord& record : manager().history()) {
            EXPECT_EQ(record.state, RemovalRecord::State::finished) << "round " << round;
            for (const TrashPair& pair : record.items) {
                recorded.insert(pair.trashPath);
            }
        }
        for (const fs::path& inTrash : trashContents(trashFolder)) {
            EXPECT_TRUE(recorded.contains(inTrash.string())) << "round " << round << ": " << inTrash;
            helperMoves += inTrash.parent_path() != trashFolder ? 1 : 0;
        }
        for (const ResidualItem& each : items) {
            const bool inPlace = fs::exists(each.url);
            const bool inTrash = std::any_of(recorded.begin(), recorded.end(), [&](const std::string& place) {
                return fs::path(place).filename().string().ends_with(each.url.filename().string());
            });
            EXPECT_TRUE(inPlace != inTrash) << "round " << round << ": " << each.url;
        }
        startOver();
    }
    // The kills landed before, during and after the helper's moves.
    EXPECT_GT(helperMoves, 0);
}

TEST_F(RemovalFixture, ATrashThatIsALinkReceivesNothing) {
    const fs::path secret = file("~/Documents/Private/data", "secret");
    const fs::path cache = file("~/Library/Caches/notes", "mine");
    fs::remove_all(trashFolder);
    fs::create_directory_symlink(secret.parent_path(), trashFolder);
    if (::geteuid() == 0) {
        ::lchown(trashFolder.c_str(), 65534, 65534);
    }
    try {
        manager().remove(app, {item(cache)});
        FAIL() << "moved into a Trash that is a link";
    } catch (const TrashError& error) {
        EXPECT_EQ(error.kind(), TrashError::Kind::trashIsLink);
        EXPECT_EQ(std::string(error.what()),
                  "\u201C" + trashFolder.string() +
                      "\u201D is a link; Tarnwick moves nothing into it. Nothing was moved.");
    }
    EXPECT_EQ(contentsOf(cache), "mine");
    EXPECT_EQ(fs::directory_iterator(secret.parent_path())->path(), secret);

    // The Trash exchanged with a link to the Documents, over and over, while removals run.
    fs::remove(trashFolder);
    fs::create_directories(trashFolder);
    const fs::path swap = home / "TrashSwap";
    fs::create_directory_symlink(secret.parent_path(), swap);
    std::atomic<bool> done{false};
    std::atomic<long> exchanges{0};
    std::thread swapper([&] {
        while (!done) {
            if (::renameat2(AT_FDCWD, trashFolder.c_str(), AT_FDCWD, swap.c_str(), RENAME_EXCHANGE) == 0) {
                ++exchanges;
            }
            std::this_thread::yield();
        }
    });
    long moved = 0;
    for (int round = 0; round < 300; ++round) {
        FileOperations::writeFile(cache, "mine");
        try {
            moved += static_cast<long>(manager().remove(app, {item(cache)}).record.items.size());
        } catch (const TrashError&) {
            // Refused while the Trash was a link: nothing moved.
        }
    }
    done = true;
    swapper.join();
    EXPECT_GT(exchanges, 300);
    EXPECT_GT(moved, 0);
    EXPECT_EQ(std::distance(fs::directory_iterator(secret.parent_path()), fs::directory_iterator()), 1);
    EXPECT_EQ(contentsOf(secret), "secret");
}

TEST_F(RemovalFixture, AFolderSwappedForALinkNeverLeadsAMoveIntoTheDocuments) {
    const fs::path secret = file("~/Documents/Private/data", "secret");
    const fs::path real = at("~/Library/Caches/Vendor");
    const fs::path swap = at("~/Library/Caches/Swap");
    fs::create_directories(real);
    fs::create_directory_symlink(secret.parent_path(), swap);

    // Exchanges the real folder and the link to the Documents, over and over, while removals run.
    std::mutex pause;
    std::atomic<bool> done{false};
    std::atomic<long> exchanges{0};
    std::thread swapper([&] {
        while (!done) {
            {
                const std::lock_guard lock(pause);
                if (::renameat2(AT_FDCWD, real.c_str(), AT_FDCWD, swap.c_str(), RENAME_EXCHANGE) == 0) {
                    ++exchanges;
                }
            }
            std::this_thread::yield();
        }
    });

    TrashManager trash = manager();
    long moved = 0;
    for (int round = 0; round < 300; ++round) {
        {
            const std::lock_guard lock(pause);
            // Whichever name the real folder has now, the item is laid out in it.
            FileOperations::writeFile((fs::is_symlink(real) ? swap : real) / "data", "mine");
        }
        try {
            moved += static_cast<long>(trash.remove(app, {item(real / "data")}).record.items.size());
        } catch (const TrashError&) {
            // Refused or failed while the path led into the Documents: nothing moved.
        }
        ASSERT_EQ(contentsOf(secret), "secret") << "round " << round;
    }
    done = true;
    swapper.join();

    EXPECT_GT(exchanges, 300);
    EXPECT_GT(moved, 0);
    for (const RemovalRecord& record : trash.history()) {
        for (const TrashPair& pair : record.items) {
            EXPECT_EQ(contentsOf(pair.trashPath), "mine");
        }
    }
}

TEST_F(RemovalFixture, AnItemOnAnotherVolumeGoesToThatVolumesTrash) {
    const fs::path volume = at("/Applications/External");
    fs::create_directories(volume);
    std::string why;
    const auto outcome = withPrivateMounts(
        [&] {
            if (::mount("tarnwick-test", volume.c_str(), "tmpfs", 0, "size=8m") != 0) {
                return std::string("skip:mounting a tmpfs: ") + std::strerror(errno);
            }
            const fs::path tool = file("/Applications/External/Tool.app/Contents/Info.plist", "tool")
                                      .parent_path()
                                      .parent_path();
            const fs::path cache = file("~/Library/Caches/notes");
            TrashManager trash = manager();
            std::string result;
            const RemovalRecord record = trash.remove(app, {item(tool), item(cache)}).record;
            for (const TrashPair& pair : record.items) {
                result += pair.trashPath + "\n";
            }
            trash.restore(record);
            result += contentsOf(tool / "Contents/Info.plist") + "\n";

            // A volume whose Trash cannot take anything: the whole removal is refused up front.
            const fs::path other =
                file("/Applications/External/Other.app/Contents/Info.plist").parent_path().parent_path();
            if (::mount(nullptr, volume.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) != 0) {
                return result + "remount: " + std::strerror(errno);
            }
            try {
                trash.remove(app, {item(cache), item(other)});
                result += "moved from a volume without a Trash\n";
            } catch (const TrashError& error) {
                result += error.path() + "\n";
            }
            return result + (fs::exists(cache) ? "cache stayed" : "cache moved");
        },
        why);
    if (!outcome) {
        GTEST_SKIP() << "no separate file system can be mounted here: " << why;
    }
    const std::string uid = std::to_string(::getuid());
    EXPECT_EQ(*outcome, (trashFolder / "notes").string() + "\n" +
                            (volume / ".Trashes" / uid / "Tool.app").string() + "\ntool\n" +
                            (volume / "Other.app").string() + "\ncache stayed");
}

TEST_F(RemovalFixture, WhatNoMoveCanReachIsRefusedBeforeAnythingMoves) {
    const fs::path mounted = at("~/Library/Caches/Mounted");
    const fs::path bound = at("~/Library/Caches/Bound");
    const fs::path volume = at("/Applications/External");
    for (const fs::path& folder : {mounted, bound, volume, at("~/Elsewhere")}) {
        fs::create_directories(folder);
    }
    std::string why;
    const auto outcome = withPrivateMounts(
        [&] {
            if (::mount("tarnwick-test", mounted.c_str(), "tmpfs", 0, "size=1m") != 0 ||
                ::mount("tarnwick-test", volume.c_str(), "tmpfs", 0, "size=1m") != 0 ||
                ::mount(at("~/Elsewhere").c_str(), bound.c_str(), nullptr, MS_BIND, nullptr) != 0) {
                return std::string("skip:mounting: ") + std::strerror(errno);
            }
            const fs::path cache = file("~/Library/Caches/notes");
            const fs::path inBound = file("~/Library/Caches/Bound/data");
            const fs::path tool =
                file("/Applications/External/Tool.app/Contents/Info.plist").parent_path().parent_path();
            fs::create_directories(volume / ".Trashes");
            fs::create_directory_symlink(at("~/Documents"), volume / ".Trashes" / std::to_string(::getuid()));
            std::string result;
            for (const ResidualItem& refused : {item(mounted), item(inBound), item(tool)}) {
                try {
                    manager().remove(app, {item(cache), refused});
                    result += "moved " + refused.url.string() + "\n";
                } catch (const TrashError& error) {
                    result += std::to_string(static_cast<int>(error.kind())) + " " + error.path() + "\n";
                }
            }
            result += fs::exists(cache) ? "cache stayed\n" : "cache moved\n";
            result += fs::exists(at("~/Library/Caches/.Trashes")) ? "a Trash was made in the caches"
                                                                  : "no Trash made";
            return result;
        },
        why);
    if (!outcome) {
        GTEST_SKIP() << "no file system can be mounted here: " << why;
    }
    const auto kind = [](TrashError::Kind kind) { return std::to_string(static_cast<int>(kind)) + " "; };
    EXPECT_EQ(*outcome, kind(TrashError::Kind::mountPoint) + mounted.string() + "\n" +
                            kind(TrashError::Kind::noTrash) + (bound / "data").string() + "\n" +
                            kind(TrashError::Kind::trashIsLink) +
                            (volume / ".Trashes" / std::to_string(::getuid())).string() +
                            "\ncache stayed\nno Trash made");
}
#endif

} // namespace
} // namespace tarnwick::testing
