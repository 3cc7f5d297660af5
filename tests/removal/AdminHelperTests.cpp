// The administrator helper as a hostile caller meets it: it may run as root on the say of a process the
// user runs, so every request it gets is checked by itself.
#include "platform/ChildProcess.h"
#include "platform/FileDescriptor.h"
#include "removal/AdminHelper.h"
#include "removal/AdminLaunch.h"
#include "removal/AdminLedger.h"
#include "removal/AdminProtocol.h"
#include "removal/AdminRunner.h"
#include "removal/Launchctl.h"
#include "removal/RemovalFixture.h"
#include "support/TemporaryFolder.h"
#include "support/Unprivileged.h"

#include <algorithm>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <sstream>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tarnwick::testing {
namespace {

namespace fs = std::filesystem;
using Result = AdminItemOutcome::Result;

constexpr uid_t nobody = 65534;
const fs::path helper = TARNWICK_ADMIN_HELPER_PATH;

// Names a shell, a script runner or an option parser would take for something else.
const std::vector<std::string> hostileNames = {"with space",
                                               "it's \"quoted\"",
                                               "$(touch pwned)",
                                               "`touch pwned`",
                                               "back\\slash\\",
                                               "line\nbreak",
                                               "-leading-dash",
                                               "--",
                                               "*",
                                               "caf\u00e9 \u65e5\u672c",
                                               "tab\tand\x1b",
                                               "%s%n"};

bool isRoot() {
    return ::geteuid() == 0;
}

TEST(AdminProtocolTest, RequestsComeBackFromTheArgumentsUnchanged) {
    for (const std::string& name : hostileNames) {
        for (const auto action : {AdminRequest::Action::moveToTrash, AdminRequest::Action::putBack}) {
            const AdminRequest request{action,
                                       4242,
                                       "/Users/" + name + "/lock",
                                       501,
                                       {"/Users/" + name, "/" + name + "/T", "/Volumes/" + name,
                                        FolderLayout::freedesktop, "/Users/" + name + "/.Trash", "/" + name},
                                       "/Users/" + name + "/.Trash",
                                       "Tarnwick-" + name,
                                       {{"/Library/" + name, "0-" + name}, {"/" + name, name}}};
            EXPECT_EQ(AdminProtocol::request(AdminProtocol::arguments(request)), request) << name;
        }
    }
}

TEST(AdminProtocolTest, ArgumentsItCannotHaveWrittenAreNoRequest) {
    const AdminRequest valid{
        AdminRequest::Action::moveToTrash, 4242, "/lock", 501, {}, "/T", "B", {{"/a", "0-a"}}};
    const std::vector<std::string> arguments = AdminProtocol::arguments(valid);
    ASSERT_TRUE(AdminProtocol::request(arguments).has_value());
    const struct {
        std::size_t index;
        std::string value;
    } changes[] = {{0, "move"},       {0, ""},           {1, "1"},     {1, "0"},  {1, "-5"},
                   {1, "12x"},        {3, ""},           {3, "-1"},    {3, "+5"}, {3, "0x1"},
                   {3, "4294967295"}, {3, "4294967296"}, {7, "macos"}, {7, ""}};
    for (const auto& change : changes) {
        std::vector<std::string> list = arguments;
        list[change.index] = change.value;
        EXPECT_FALSE(AdminProtocol::request(list).has_value()) << change.index << ": " << change.value;
    }
    EXPECT_FALSE(AdminProtocol::request({arguments.begin(), arguments.end() - 1}).has_value());
    EXPECT_FALSE(AdminProtocol::request({arguments.begin(), arguments.begin() + 11}).has_value());
}

TEST(AdminProtocolTest, EveryMoveGetsOneAnswerLineAfterWhatItTellsOfIt) {
    // A message with a line break, line ends changed on the way, an unreadable answer and a missing one;
    // a daemon stopped, one that would not stop, and a daemon told of before the answer broke off.
    const AdminItemOutcome stopped{Result::moved, {}, "com.example.daemon", {}};
    const AdminItemOutcome stubborn{
        Result::moved, {}, {}, {"b.plist (com.example.b): could not be\nstopped"}};
    std::string answer = AdminProtocol::lines({Result::moved, {}}) + "\r\n" +
                         AdminProtocol::lines({Result::failed, "Could not move \"/x\ny\"."}) + "\r\n" +
                         AdminProtocol::lines({Result::missing, {}}) + "\nwhat?\n" +
                         AdminProtocol::lines(stopped) + AdminProtocol::lines(stubborn) +
                         "job com.example.cut\n";
    std::replace(answer.begin(), answer.end(), '\n', '\r');
    const std::vector<AdminItemOutcome> parsed = AdminProtocol::outcomes(answer, 7);
    std::vector<Result> results;
    for (const AdminItemOutcome& outcome : parsed) {
        results.push_back(outcome.result);
    }
    EXPECT_EQ(results, (std::vector{Result::moved, Result::failed, Result::missing, Result::failed,
                                    Result::moved, Result::moved, Result::failed}));
    EXPECT_EQ(parsed[1].message, "Could not move \"/x\\ny\".");
    EXPECT_NE(parsed[3].message.find("what?"), std::string::npos);
    EXPECT_EQ(parsed[4], stopped);
    EXPECT_EQ(parsed[5].notes, std::vector<std::string>{"b.plist (com.example.b): could not be\\nstopped"});
    EXPECT_EQ(parsed[5].job, "");
    EXPECT_EQ(parsed[6].job, "com.example.cut") << "what was told counts without the move's own line";
    EXPECT_EQ(AdminProtocol::outcomes("moved\nmoved\n", 1).size(), 1U);
}

TEST(AdminHelperTest, OnlyTheSystemsWordNamesTheRequester) {
    using Caller = AdminHelper::Caller;
    const struct {
        Caller caller;
        std::optional<uid_t> requester;
    } cases[] = {
        {{501, 501, {}}, 501},
        {{501, 501, "0"}, 501},
        {{0, 0, "501"}, 501},
        {{0, 0, {}}, 0},
        // Set-user-ID: the environment is the caller's own, whatever it claims.
        {{501, 0, "0"}, 501},
        {{501, 0, {}}, 501},
        {{0, 0, ""}, std::nullopt},
        {{0, 0, "-1"}, std::nullopt},
        {{0, 0, "501x"}, std::nullopt},
    };
    for (const auto& each : cases) {
        EXPECT_EQ(AdminHelper::requester(each.caller), each.requester)
            << each.caller.realUser << " " << each.caller.effectiveUser << " "
            << each.caller.authorisedUser.value_or("-");
    }
}

// A Mac in a temporary folder, and the helper started by this process as the removal starts it.
class AdminHelperProgramTest : public ::testing::Test {
protected:
    AdminHelperProgramTest() {
        fs::create_directories(trash);
        fs::create_directories(library);
        std::ofstream(lockFile) << "";
    }

    fs::path file(const fs::path& location, const std::string& contents = "") {
        folder.write(location.lexically_relative(folder.path()).string(),
                     contents.empty() ? location.filename().string() : contents);
        return location;
    }

    ChildProcess::Result run(const AdminRequest& request) {
        return ChildProcess::run(helper, AdminProtocol::arguments(request));
    }

    AdminRequest request(std::vector<AdminRequest::Move> moves,
                         AdminRequest::Action action = AdminRequest::Action::moveToTrash) const {
        return adminRequest(folder.path(), home, lockFile, ledger, std::move(moves), action);
    }

    std::vector<AdminLedger::Entry> ledgerEntries() const {
        const OpenFolder held = AdminLedger::openFolder(ledger, ::getuid());
        return AdminLedger(held, "Tarnwick-App-1").entries();
    }

    TemporaryFolder folder;
    const fs::path home = folder / "Users/me";
    const fs::path trash = home / ".Trash";
    const fs::path library = folder / "Library";
    const fs::path batch = trash / "Tarnwick-App-1";
    const fs::path ledger = home / "Library/Application Support/TarnwickCleaner/AdministratorMoves";
    const fs::path lockFile = folder / "helper.lock";
};

TEST_F(AdminHelperProgramTest, MovesEachItemAndRecordsWhereItCameFrom) {
    std::vector<AdminRequest::Move> moves;
    for (const std::string& name : hostileNames) {
        moves.push_back({file(library / name / name), std::to_string(moves.size()) + "-" + name});
    }
    const fs::path taken = file(library / "taken");
    moves.push_back({library / "gone", "gone"});
    moves.push_back({library / "gone-folder/item", "gone-item"});
    moves.push_back({taken, "0-" + hostileNames[0]});

    const ChildProcess::Result result = run(request(moves));
    ASSERT_EQ(result.status, 0) << result.err;
    const auto outcomes = AdminProtocol::outcomes(result.out, moves.size());
    for (std::size_t index = 0; index < hostileNames.size(); ++index) {
        EXPECT_EQ(outcomes[index].result, Result::moved) << outcomes[index].message;
        EXPECT_EQ(contentsOf(batch / moves[index].batchName), hostileNames[index]);
        EXPECT_FALSE(fs::exists(moves[index].path));
    }
    const std::size_t rest = hostileNames.size();
    EXPECT_EQ(outcomes[rest].result, Result::missing);
    EXPECT_EQ(outcomes[rest + 1].result, Result::missing);
    EXPECT_EQ(outcomes[rest + 2].result, Result::failed);
    EXPECT_TRUE(fs::exists(taken)); // nothing replaced: the first item is still in its place
    EXPECT_EQ(fs::status(batch).permissions(), fs::perms::owner_all);

    const std::vector<AdminLedger::Entry> entries = ledgerEntries();
    ASSERT_EQ(entries.size(), hostileNames.size());
    for (std::size_t index = 0; index < entries.size(); ++index) {
        EXPECT_EQ(entries[index].name, moves[index].batchName);
        EXPECT_EQ(entries[index].originalPath, moves[index].path.string());
        EXPECT_TRUE(ItemIdentity::at(batch / moves[index].batchName)->isSameObject(entries[index].item));
    }
}

TEST_F(AdminHelperProgramTest, RefusesWhatTheAskerMayNotHaveDone) {
    const struct {
        std::string name;
        bool needsRoot;
        std::function<void(AdminRequest&)> prepare;
        std::string because = "refused"; // words that tell this check's refusal from a later one's
    } cases[] = {
        {"a source outside the places applications keep their files", false,
         [&](AdminRequest& asked) { asked.moves[0].path = file(folder / "private/etc/sudoers"); }},
        {"a source in another user's home", false,
         [&](AdminRequest& asked) {
             asked.moves[0].path = file(folder / "Users/other/Library/Caches/mail");
         }},
        {"a source through a link", false,
         [&](AdminRequest& asked) {
             fs::create_directory_symlink(library, folder / "Library2");
             asked.moves[0].path = folder / "Library2/Daemons/a.plist";
         }},
        {"a source already in the Trash", false,
         [&](AdminRequest& asked) { asked.moves[0].path = file(trash / "old"); }},
        {"the home folder as the Trash", false, [&](AdminRequest& asked) { asked.trashFolder = home; }},
        {"another folder of the user's as the Trash", false,
         [&](AdminRequest& asked) {
             fs::create_directories(home / "Library/Caches");
             asked.trashFolder = home / "Library/Caches";
         }},
        {"a Trash that is a link", false,
         [&](AdminRequest& asked) {
             fs::create_directories(home / "Documents");
             fs::remove(trash);
             fs::create_directory_symlink(home / "Documents", trash);
             asked.places.homeTrash = trash;
         }},
        {"a batch folder name that is no batch folder", false,
         [&](AdminRequest& asked) { asked.batchFolderName = "Documents"; }},
        {"a name in the batch that leaves it", false,
         [&](AdminRequest& asked) { asked.moves[0].batchName = ".."; }},
        {"no lock file", false, [&](AdminRequest&) { fs::remove(lockFile); }},
        {"a lock file that is a link", false,
         [&](AdminRequest& asked) {
             fs::create_symlink(lockFile, folder / "lock-link");
             asked.lockFile = folder / "lock-link";
         }},
        {"an asker that is not waiting", false, [&](AdminRequest& asked) { asked.parent = ::getppid(); }},
        {"a request for another user", false, [&](AdminRequest& asked) { asked.owner = ::getuid() + 1; },
         "The request is for user"},
        {"a batch folder of someone else", true,
         [&](AdminRequest&) {
             fs::create_directory(batch);
             ::chown(batch.c_str(), nobody, nobody);
         }},
        {"a Trash of someone else", true, [&](AdminRequest&) { ::chown(trash.c_str(), nobody, nobody); }},
    };
    for (const auto& each : cases) {
        if (each.needsRoot && !isRoot()) {
            continue;
        }
        fs::remove_all(folder.path());
        fs::create_directories(trash);
        std::ofstream(lockFile) << "";
        const fs::path source = file(library / "Daemons/a.plist");
        AdminRequest asked = request({{source, "0-a.plist"}});
        each.prepare(asked);
        const ChildProcess::Result result = run(asked);
        EXPECT_EQ(result.status, 1) << each.name;
        EXPECT_EQ(result.out, "") << each.name;
        EXPECT_NE(result.err.find("refused"), std::string::npos) << each.name << ": " << result.err;
        EXPECT_NE(result.err.find(each.because), std::string::npos) << each.name << ": " << result.err;
        EXPECT_TRUE(fs::exists(source)) << each.name;
        EXPECT_TRUE(fs::exists(asked.moves[0].path) || !fs::exists(asked.moves[0].path.parent_path()))
            << each.name;
        EXPECT_FALSE(fs::exists(home / "Documents/Tarnwick-App-1")) << each.name;
    }
}

TEST_F(AdminHelperProgramTest, AnotherStepOfTheSameRemovalHoldsTheLock) {
    const fs::path source = file(library / "Daemons/a.plist");
    const FileDescriptor held(::open(lockFile.c_str(), O_RDONLY));
    ASSERT_EQ(::flock(held.get(), LOCK_EX), 0);
    const ChildProcess::Result result = run(request({{source, "0-a.plist"}}));
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.err.find("Another administrator step"), std::string::npos) << result.err;
    EXPECT_TRUE(fs::exists(source));
}

TEST_F(AdminHelperProgramTest, PutsBackOnlyWhatItMovedToWhereItTookItFrom) {
    const fs::path daemon = file(library / "LaunchDaemons/com.example.daemon.plist", "daemon");
    const fs::path tool = file(library / "PrivilegedHelperTools/com.example.tool", "tool");
    const fs::path support = file(library / "Application Support/Example/data", "data");
    const fs::path extra = file(library / "Extra/extra", "extra");
    ASSERT_EQ(run(request({{daemon, "0-d"}, {tool, "1-t"}, {support, "2-s"}, {extra, "3-e"}})).out,
              "moved\nmoved\nmoved\nmoved\n");

    // The tool's folder replaced by a link, the extra item replaced in the Trash by something else.
    fs::rename(library / "PrivilegedHelperTools", library / "Moved");
    fs::create_directory_symlink(home, library / "PrivilegedHelperTools");
    // A link of root's would be the system's own; one the user's processes made is not.
    ::lchown((library / "PrivilegedHelperTools").c_str(), nobody, nobody);
    fs::remove(batch / "3-e");
    file(batch / "3-e", "impostor");
    file(batch / "4-x", "planted");

    const ChildProcess::Result result =
        run(request({{daemon, "0-d"},
                     {tool, "1-t"},
                     {library / "LaunchAgents/com.example.daemon.plist", "2-s"},
                     {extra, "3-e"},
                     {library / "LaunchDaemons/planted.plist", "4-x"}},
                    AdminRequest::Action::putBack));
    ASSERT_EQ(result.status, 0) << result.err;
    const auto outcomes = AdminProtocol::outcomes(result.out, 5);
    EXPECT_EQ(outcomes[0].result, Result::moved);
    EXPECT_EQ(contentsOf(daemon), "daemon");
    for (std::size_t index = 1; index < outcomes.size(); ++index) {
        EXPECT_EQ(outcomes[index].result, Result::failed) << index;
    }
    EXPECT_NE(outcomes[1].message.find("link"), std::string::npos) << outcomes[1].message;
    EXPECT_FALSE(fs::exists(home / "com.example.tool"));
    EXPECT_NE(outcomes[2].message.find("took that item from"), std::string::npos) << outcomes[2].message;
    EXPECT_NE(outcomes[3].message.find("not the one"), std::string::npos) << outcomes[3].message;
    EXPECT_NE(outcomes[4].message.find("did not move"), std::string::npos) << outcomes[4].message;
    EXPECT_FALSE(fs::exists(library / "LaunchDaemons/planted.plist"));
    EXPECT_EQ(contentsOf(batch / "1-t"), "tool");
    EXPECT_EQ(ledgerEntries().size(), 3U); // the daemon's entry went with it
}

TEST(AdminHelperAuthorityTest, WithMoreRightsThanTheAskerThePlacesComeFromTheSystem) {
    TemporaryFolder folder;
    const fs::path source = folder.write("Library/LaunchDaemons/a.plist", "a");
    fs::create_directories(folder / "Users/me/.Trash");
    const fs::path lock = folder.write("lock", "");
    AdminRequest request =
        adminRequest(folder.path(), folder / "Users/me", lock, folder / "ledger", {{source, "0-a.plist"}});
    const AdminHelper::Authority privileged{::getuid(), false, [] { return true; }};
    const auto launchctl = Launchctl::runnerForThisSystem();
    std::ostringstream output;
    const auto rooted = AdminHelper::run(request, privileged, output, *launchctl);
    ASSERT_TRUE(rooted.has_value());
    EXPECT_NE(rooted->find("only on the disk this system runs from"), std::string::npos) << *rooted;

    // Without a root the home is the one the system knows for the user, where the tree is not.
    request.places.systemRoot.clear();
    const auto unrooted = AdminHelper::run(request, privileged, output, *launchctl);
    ASSERT_TRUE(unrooted.has_value());
    EXPECT_NE(unrooted->find("is not in a place where applications keep their files"), std::string::npos)
        << *unrooted;
    EXPECT_EQ(output.str(), "");
    EXPECT_TRUE(fs::exists(source));

    const AdminHelper::Authority believing{::getuid(), true, [] { return true; }};
    request.places.systemRoot = folder.path();
    EXPECT_EQ(AdminHelper::run(request, believing, output, *launchctl), std::nullopt);
    EXPECT_EQ(output.str(), "moved\n");
}

TEST(AdminHelperAuthorityTest, ASetUserIDCopyActsForItsRealUserWhateverItsEnvironmentSays) {
    if (!isRoot()) {
        GTEST_SKIP() << "installing a set-user-ID copy needs superuser rights";
    }
    TemporaryFolder folder;
    fs::permissions(folder.path(), fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);
    const fs::path copy = folder / "tarnwick-admin-helper";
    fs::copy_file(helper, copy);
    ASSERT_EQ(::chown(copy.c_str(), 0, 0), 0);
    ASSERT_EQ(::chmod(copy.c_str(), 04755), 0);
    const fs::path secret = folder.write("Library/LaunchDaemons/root-only.plist", "root");
    ::chmod(secret.parent_path().c_str(), 0700);

    for (const uid_t claimed : {uid_t{0}, nobody}) {
        AdminRequest request = adminRequest(folder.path(), folder / "Users/nobody", folder / "lock",
                                            folder / "ledger", {{secret, "0-root-only.plist"}});
        request.owner = claimed;
        const auto answer = runUnprivileged([&] {
            const auto result = ChildProcess::run(copy, AdminProtocol::arguments(request), {"PKEXEC_UID=0"});
            return std::to_string(result.status) + " " + result.err;
        });
        ASSERT_TRUE(answer.has_value());
        EXPECT_TRUE(answer->starts_with("1 The request was refused")) << *answer;
    }
    EXPECT_EQ(contentsOf(secret), "root");
}

TEST(AdminLaunchTest, NoPasswordIsAskedForADiskLookedAtUnderAnotherFolder) {
    AdminRequest request{AdminRequest::Action::moveToTrash,  ::getpid(), "/lock", ::getuid(), {}, "/T", "B",
                         {{"/Volumes/Old/Library/a", "0-a"}}};
    request.places.systemRoot = "/Volumes/Old";
    const AdminOutcome outcome = AdminRunner::forThisSystem()->run(request);
    EXPECT_FALSE(outcome.ran);
    EXPECT_NE(outcome.errorMessage.find("only on the disk this system runs from"), std::string::npos)
        << outcome.errorMessage;
}

TEST(AdminLaunchTest, AHelperThatIsNotThereDoesNotRun) {
    const AdminRequest request{
        AdminRequest::Action::moveToTrash, ::getpid(), "/lock", ::getuid(), {}, "/", "B", {{"/a", "0-a"}}};
    const AdminOutcome outcome = AdminLaunch::direct("/nonexistent/tarnwick-admin-helper", request);
    EXPECT_FALSE(outcome.ran);
    EXPECT_NE(outcome.errorMessage.find("missing"), std::string::npos) << outcome.errorMessage;
    // The tests run from their own folder, where no helper was installed.
    EXPECT_EQ(ChildProcess::thisProgram().filename(), "removal_tests");
    EXPECT_FALSE(AdminLaunch::helperBesideThisProgram().has_value());
#ifndef __APPLE__
    if (!fs::exists("/usr/bin/pkexec")) {
        EXPECT_EQ(AdminLaunch::throughPkexec(helper, request).errorMessage,
                  "Administrator authorization is not available: pkexec (polkit) is not installed.");
    }
#endif
}

} // namespace
} // namespace tarnwick::testing
