#include "platform/ChildProcess.h"
#include "removal/AdminHelper.h"
#include "removal/AdminLaunch.h"
#include "removal/AdminProtocol.h"
#include "support/TemporaryFolder.h"
#include "support/Unprivileged.h"

#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <pwd.h>
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
        const AdminRequest request{501,
                                   "/Users/" + name + "/.Trash",
                                   "Tarnwick-" + name,
                                   {{"/Library/" + name, "0-" + name}, {"/" + name, name}}};
        EXPECT_EQ(AdminProtocol::request(AdminProtocol::arguments(request)), request) << name;
    }
    const AdminRequest empty{0, "/var/root/.Trash", "B", {}};
    EXPECT_EQ(AdminProtocol::arguments(empty), (std::vector<std::string>{"0", "/var/root/.Trash", "B"}));
    EXPECT_EQ(AdminProtocol::request(AdminProtocol::arguments(empty)), empty);
}

TEST(AdminProtocolTest, ArgumentsItCannotHaveWrittenAreNoRequest) {
    const std::vector<std::vector<std::string>> lists = {{},
                                                         {"501", "/T"},
                                                         {"501", "/T", "B", "/a"},
                                                         {"", "/T", "B"},
                                                         {"-1", "/T", "B"},
                                                         {"+5", "/T", "B"},
                                                         {" 5", "/T", "B"},
                                                         {"0x1", "/T", "B"},
                                                         {"4294967295", "/T", "B"},
                                                         {"4294967296", "/T", "B"}};
    for (const auto& list : lists) {
        EXPECT_FALSE(AdminProtocol::request(list).has_value()) << ::testing::PrintToString(list);
    }
}

TEST(AdminProtocolTest, EveryMoveGetsOneAnswerLine) {
    // A message with a line break, line ends changed on the way, an unreadable answer and a missing one.
    const std::string answer = AdminProtocol::line({Result::moved, {}}) + "\r\n" +
                               AdminProtocol::line({Result::failed, "Could not move \"/x\ny\"."}) + "\r\n" +
                               AdminProtocol::line({Result::missing, {}}) + "\nwhat?\n";
    const std::vector<AdminItemOutcome> parsed = AdminProtocol::outcomes(answer, 5);
    std::vector<Result> results;
    for (const AdminItemOutcome& outcome : parsed) {
        results.push_back(outcome.result);
    }
    EXPECT_EQ(results,
              (std::vector{Result::moved, Result::failed, Result::missing, Result::failed, Result::failed}));
    EXPECT_EQ(parsed[1].message, "Could not move \"/x\\ny\".");
    EXPECT_NE(parsed[3].message.find("what?"), std::string::npos);
    EXPECT_EQ(AdminProtocol::outcomes("moved\nmoved\n", 1).size(), 1U);
}

TEST(AdminHelperTest, OnlyTheSystemsWordNamesTheRequester) {
    using Caller = AdminHelper::Caller;
    const struct {
        Caller caller;
        std::optional<uid_t> requester;
    } cases[] = {{{501, 501, {}, {}}, 501},        {{501, 501, "0", "0"}, 501},
                 {{0, 0, "501", {}}, 501},         {{0, 0, "501", "502"}, 501},
                 {{0, 0, {}, "502"}, 502},         {{0, 0, {}, {}}, 0},
                 {{501, 0, {}, {}}, std::nullopt}, {{0, 0, "", {}}, std::nullopt},
                 {{0, 0, "-1", {}}, std::nullopt}, {{0, 0, "501x", {}}, std::nullopt}};
    for (const auto& each : cases) {
        EXPECT_EQ(AdminHelper::requester(each.caller), each.requester)
            << each.caller.realUser << " " << each.caller.effectiveUser << " "
            << each.caller.pkexecUser.value_or("-") << " " << each.caller.namedUser.value_or("-");
    }
}

class AdminHelperProgramTest : public ::testing::Test {
protected:
    AdminHelperProgramTest() {
        fs::create_directories(trash);
        fs::create_directories(library);
    }

    fs::path file(const fs::path& location) {
        folder.write(location.lexically_relative(folder.path()).string(), location.filename().string());
        return location;
    }

    // Starts the helper as pkexec would for `asker`; without superuser rights it acts for whoever runs it.
    ChildProcess::Result run(const AdminRequest& request, uid_t asker = ::getuid()) {
        return ChildProcess::run(helper, AdminProtocol::arguments(request),
                                 {"PKEXEC_UID=" + std::to_string(asker)});
    }

    AdminRequest request(std::vector<AdminRequest::Move> moves) const {
        return {::getuid(), trash, "Tarnwick-App-1", std::move(moves)};
    }

    TemporaryFolder folder;
    const fs::path trash = folder / "Users/me/.Trash";
    const fs::path library = folder / "Library";
    const fs::path batch = trash / "Tarnwick-App-1";
};

TEST_F(AdminHelperProgramTest, MovesEachItemAndAnswersForIt) {
    std::vector<AdminRequest::Move> moves;
    for (const std::string& name : hostileNames) {
        moves.push_back({file(library / name / name), std::to_string(moves.size()) + "-" + name});
    }
    fs::create_directory_symlink(library, folder / "Linked");
    const fs::path linked = file(library / "Daemons/through-link.plist");
    const fs::path taken = file(library / "taken");
    moves.push_back({library / "gone", "gone"});
    moves.push_back({library / "gone-folder/item", "gone-item"});
    moves.push_back({folder / "Linked/Daemons/through-link.plist", "link"});
    moves.push_back({taken, "0-" + hostileNames[0]});

    const ChildProcess::Result result = run(request(moves));
    ASSERT_EQ(result.status, 0) << result.err;
    const auto outcomes = AdminProtocol::outcomes(result.out, moves.size());
    for (std::size_t index = 0; index < hostileNames.size(); ++index) {
        EXPECT_EQ(outcomes[index].result, Result::moved) << outcomes[index].message;
        EXPECT_TRUE(fs::exists(batch / moves[index].batchName)) << moves[index].batchName;
        EXPECT_FALSE(fs::exists(moves[index].source));
    }
    const std::size_t rest = hostileNames.size();
    EXPECT_EQ(outcomes[rest].result, Result::missing);
    EXPECT_EQ(outcomes[rest + 1].result, Result::missing);
    EXPECT_EQ(outcomes[rest + 2].result, Result::failed);
    EXPECT_EQ(outcomes[rest + 3].result, Result::failed);
    EXPECT_TRUE(fs::exists(linked));
    EXPECT_TRUE(fs::exists(taken)); // nothing replaced: the first item is still in its place
    EXPECT_EQ(fs::status(batch).permissions(), fs::perms::owner_all);
}

TEST_F(AdminHelperProgramTest, RefusesTheWholeRequestWhenAFolderOnTheWayIsNotTheUsers) {
    const struct {
        std::string name;
        bool needsRoot;
        std::function<void(AdminRequest&)> prepare;
    } cases[] = {
        {"batch folder is a link", true,
         [&](AdminRequest&) {
             fs::create_directory(folder / "elsewhere");
             ::chown((folder / "elsewhere").c_str(), nobody, nobody);
             fs::create_directory_symlink(folder / "elsewhere", batch);
         }},
        {"batch folder of someone else", true,
         [&](AdminRequest&) {
             fs::create_directory(batch);
             ::chown(batch.c_str(), nobody, nobody);
         }},
        {"Trash of someone else", true, [&](AdminRequest&) { ::chown(trash.c_str(), nobody, nobody); }},
        {"Trash through a link", false,
         [&](AdminRequest& request) {
             fs::create_directory_symlink(folder / "Users/me", folder / "home");
             request.trashFolder = folder / "home/.Trash";
         }},
        // The Trash is the owner's: only the check of who asked stands in the way.
        {"owner is not the caller", true,
         [&](AdminRequest& request) {
             ::chown(trash.c_str(), nobody, nobody);
             request.owner = nobody;
         }},
    };
    for (const auto& each : cases) {
        if (each.needsRoot && !isRoot()) {
            continue;
        }
        fs::remove_all(folder.path());
        fs::create_directories(trash);
        AdminRequest asked = request({{file(library / "Daemons/a.plist"), "0-a.plist"}});
        each.prepare(asked);
        const ChildProcess::Result result = run(asked);
        EXPECT_EQ(result.status, 1) << each.name;
        EXPECT_EQ(result.out, "") << each.name;
        EXPECT_NE(result.err.find("refused"), std::string::npos) << each.name << ": " << result.err;
        EXPECT_TRUE(fs::exists(library / "Daemons/a.plist")) << each.name;
        EXPECT_FALSE(fs::exists(folder / "elsewhere/0-a.plist")) << each.name;
    }
}

TEST_F(AdminHelperProgramTest, MakesTheBatchFolderOfTheUserWhoAsked) {
    if (!isRoot()) {
        GTEST_SKIP() << "acting for another user needs superuser rights";
    }
    ::chown(trash.c_str(), nobody, nobody);
    AdminRequest asked = request({{file(library / "Daemons/a.plist"), "0-a.plist"}});
    asked.owner = nobody;
    const ChildProcess::Result result = run(asked, nobody);
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out, "moved\n");
    struct stat status {};
    ASSERT_EQ(::lstat(batch.c_str(), &status), 0);
    EXPECT_EQ(status.st_uid, nobody);
    EXPECT_EQ(status.st_gid, ::getpwuid(nobody)->pw_gid);
    EXPECT_EQ(status.st_mode & 07777, 0700U);
    EXPECT_TRUE(fs::exists(batch / "0-a.plist"));
}

TEST(AdminLaunchTest, AHelperThatIsNotThereDoesNotRun) {
    const AdminRequest request{::getuid(), "/", "B", {{"/a", "0-a"}}};
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
