// The launchd jobs of a removal's property lists: stopped before the lists move, recorded, and started
// again when they are put back; through a runner that only notes the commands.
#include "formats/PropertyList.h"
#include "removal/AdminHelper.h"
#include "removal/AdminLedger.h"
#include "removal/AdminProtocol.h"
#include "removal/HistoryFormat.h"
#include "removal/RemovalFixture.h"

#include <unistd.h>

namespace tarnwick::testing {
namespace {

namespace fs = std::filesystem;
using Command = std::vector<std::string>;

// Notes each launchctl command, and answers as launchctl would: failing where told to, and printing a
// job as loaded from the list it is told.
class RecordingRunner : public CommandRunner {
public:
    struct Log {
        std::vector<Command> commands;
        std::map<std::string, ChildProcess::Result> failures; // by the command's last argument
        std::map<std::string, fs::path> loadedFrom;           // by the job's service name
        std::function<void()> whileRunning;
    };

    explicit RecordingRunner(std::shared_ptr<Log> log)
        : log_(std::move(log)) {}

    ChildProcess::Result run(const std::string& program, const std::vector<std::string>& arguments) override {
        EXPECT_EQ(program, "/bin/launchctl");
        log_->commands.push_back(arguments);
        if (log_->whileRunning) {
            log_->whileRunning();
        }
        if (arguments.front() == "print") {
            const auto loaded = log_->loadedFrom.find(arguments.back());
            if (loaded == log_->loadedFrom.end()) {
                return {113, "", "Could not find service in domain\n"};
            }
            return {0,
                    arguments.back() + " = {\n\tactive count = 1\n\tpath = " + loaded->second.string() +
                        "\n\tstate = running\n}\n",
                    ""};
        }
        const auto failure = log_->failures.find(arguments.back());
        return failure == log_->failures.end() ? ChildProcess::Result{0, {}, {}} : failure->second;
    }

private:
    std::shared_ptr<Log> log_;
};

// A launchd property list; without a label when `label` is empty.
fs::path writeList(const fs::path& location, const std::string& label,
                   const std::string& program = "/bin/true") {
    PlistValue::Dictionary keys{{"ProgramArguments", PlistValue::Array{PlistValue(program)}}};
    if (!label.empty()) {
        keys.emplace("Label", PlistValue(label));
    }
    fs::create_directories(location.parent_path());
    std::ofstream(location, std::ios::binary) << PropertyList::toXml(PlistValue(std::move(keys)));
    return location;
}

// The running system, with a home of the test's own.
class LaunchJobsTest : public ::testing::Test {
protected:
    TemporaryFolder folder;
    Platform platform{Platform::Folders{.home = folder / "home", .layout = FolderLayout::macOS}};
    fs::path agents = folder / "home/Library/LaunchAgents";
    InstalledApp app{
        folder / "home/Applications/Skylume.app", "Skylume", "com.example.skylume", "1.0", 0, false};
    std::shared_ptr<RecordingRunner::Log> log = std::make_shared<RecordingRunner::Log>();
    std::string domain = "gui/" + std::to_string(::getuid());

    void SetUp() override { fs::create_directories(folder / "home/.Trash"); }

    TrashManager manager(
        const Platform& on, std::function<void()> beforeMove = [] {}) const {
        return TrashManager(on, std::make_unique<WatchedTrash>(on.home() / ".Trash", std::move(beforeMove)),
                            std::make_unique<HelperAdminRunner>(std::make_shared<HelperAdminRunner::Log>()),
                            std::make_unique<RecordingRunner>(log));
    }

    static fs::path plist(const fs::path& location, const std::string& label) {
        return writeList(location, label);
    }
};

TEST_F(LaunchJobsTest, AnAgentIsStoppedBeforeItsListMovesAndStartedAgainWhenItIsBack) {
    const fs::path agent = plist(agents / "com.example.skylume.agent.plist", "com.example.skylume.agent");
    const fs::path unlabelled = plist(agents / "com.example.skylume.helper.plist", "");
    log->loadedFrom[domain + "/com.example.skylume.agent"] = agent;
    log->whileRunning = [&] { EXPECT_TRUE(fs::exists(agent)) << "a job is stopped before its list moves"; };
    TrashManager trash = manager(platform);

    const RemovalOutcome outcome = trash.remove(app, {item(agent), item(unlabelled)});
    EXPECT_TRUE(outcome.failures.empty());
    EXPECT_EQ(outcome.record.items.size(), 2U) << "a list without a label moves without the step";
    const std::vector<LaunchJob> stopped{
        {"com.example.skylume.agent", agent.string(), LaunchJob::Domain::user}};
    EXPECT_EQ(outcome.record.launchJobs, stopped);
    EXPECT_EQ(log->commands, (std::vector<Command>{{"print", domain + "/com.example.skylume.agent"},
                                                   {"bootout", domain + "/com.example.skylume.agent"}}));
    // As the history file keeps it, for a later command to restore.
    const std::vector<RemovalRecord> history = manager(platform).history();
    ASSERT_EQ(history.size(), 1U);
    EXPECT_EQ(history[0].launchJobs, stopped);

    log->whileRunning = [&] { EXPECT_TRUE(fs::exists(agent)) << "a job starts once its list is back"; };
    const RestoreOutcome restored = manager(platform).restore(history[0]);
    EXPECT_TRUE(restored.failures.empty());
    EXPECT_EQ(log->commands.back(), (Command{"bootstrap", domain, agent.string()}));
    EXPECT_EQ(log->commands.size(), 3U);
}

TEST_F(LaunchJobsTest, OnlyAJobRunningFromTheChosenListIsStoppedAndOneThatWontStopIsSaid) {
    const fs::path stubborn = plist(agents / "com.example.skylume.agent.plist", "com.example.skylume.agent");
    const fs::path idle = plist(agents / "com.example.skylume.idle.plist", "com.example.skylume.idle");
    const fs::path ended = plist(agents / "com.example.skylume.ended.plist", "com.example.skylume.ended");
    // A leftover copy of another application's agent: the job of that label runs from the other's list.
    const fs::path copy = plist(agents / "com.example.skylume.old.plist", "com.example.other.agent");
    log->loadedFrom[domain + "/com.example.skylume.agent"] = stubborn;
    log->loadedFrom[domain + "/com.example.skylume.ended"] = ended; // ends between print and bootout
    log->loadedFrom[domain + "/com.example.other.agent"] = agents / "com.example.other.agent.plist";
    log->failures[domain + "/com.example.skylume.agent"] = {5, "",
                                                            "Boot-out failed: 5: Input/output error\n"};
    log->failures[domain + "/com.example.skylume.ended"] = {3, "", "Boot-out failed: 3: No such process\n"};
    // Cut short from its first move on, the removal's record must not have a restore start any job.
    int moves = 0;
    TrashManager trash = manager(platform, [&] {
        if (moves++ == 0) {
            const std::vector<RemovalRecord> meanwhile = manager(platform).history();
            ASSERT_EQ(meanwhile.size(), 1U);
            EXPECT_TRUE(meanwhile[0].launchJobs.empty());
        }
    });

    const RemovalOutcome outcome = trash.remove(app, {item(stubborn), item(idle), item(ended), item(copy)});
    EXPECT_EQ(moves, 4);
    ASSERT_EQ(outcome.failures.size(), 1U);
    EXPECT_EQ(outcome.failures[0],
              "com.example.skylume.agent.plist (com.example.skylume.agent): could not be "
              "stopped (Boot-out failed: 5: Input/output error); it runs until you log out");
    EXPECT_TRUE(outcome.record.launchJobs.empty()) << "none was stopped: one failed, the others not loaded";
    EXPECT_EQ(outcome.record.items.size(), 4U);
    for (const Command& command : log->commands) {
        EXPECT_NE(command, (Command{"bootout", domain + "/com.example.other.agent"}))
            << "another list's job is never stopped";
        EXPECT_NE(command, (Command{"bootout", domain + "/com.example.skylume.idle"})) << "not loaded";
    }
}

TEST_F(LaunchJobsTest, NothingRunsForADiskUnderARoot) {
    const TemporaryFolder disk;
    const Platform rooted = makeTestPlatform(disk);
    fs::create_directories(rooted.home() / ".Trash");
    const fs::path agent = plist(rooted.home() / "Library/LaunchAgents/com.example.skylume.agent.plist",
                                 "com.example.skylume.agent");
    const InstalledApp onDisk{
        rooted.system("/Applications/Skylume.app"), "Skylume", "com.example.skylume", "1.0", 0, false};
    const RemovalOutcome outcome = manager(rooted).remove(onDisk, {item(agent)});
    EXPECT_EQ(outcome.record.items.size(), 1U);
    EXPECT_TRUE(outcome.record.launchJobs.empty());
    EXPECT_TRUE(log->commands.empty());
}

// The administrator step with the helper's own code run in this process as the user, its launchctl
// commands going to the test's runner. `answerLost`: the helper does its work, but its answer is never
// heard, as when the removal is cut short meanwhile.
class InProcessAdminRunner : public AdminRunner {
public:
    InProcessAdminRunner(std::shared_ptr<RecordingRunner::Log> log, std::function<void()> whileAsking,
                         bool answerLost)
        : log_(std::move(log))
        , whileAsking_(std::move(whileAsking))
        , answerLost_(answerLost) {}

    AdminOutcome run(const AdminRequest& request) override {
        whileAsking_();
        RecordingRunner launchctl(log_);
        std::ostringstream answer;
        const AdminHelper::Authority believing{::getuid(), true, [] { return true; }};
        if (auto refusal = AdminHelper::run(request, believing, answer, launchctl)) {
            return {false, *refusal, {}};
        }
        return {true, {}, AdminProtocol::outcomes(answerLost_ ? "" : answer.str(), request.moves.size())};
    }

private:
    std::shared_ptr<RecordingRunner::Log> log_;
    std::function<void()> whileAsking_;
    bool answerLost_;
};

// A Mac in a temporary folder that stands for the running system, so that its daemons are found.
class DaemonsTest : public ::testing::Test {
protected:
    TemporaryFolder folder;
    Platform platform = makeTestPlatform(folder);
    fs::path daemons = platform.system("/Library/LaunchDaemons");
    std::shared_ptr<RecordingRunner::Log> log = std::make_shared<RecordingRunner::Log>();
    InstalledApp app{
        platform.system("/Applications/Skylume.app"), "Skylume", "com.example.skylume", "1.0", 0, false};

    void SetUp() override { fs::create_directories(platform.home() / ".Trash"); }

    TrashManager manager(
        std::function<void()> whileAsking = [] {}, bool answerLost = false) const {
        return TrashManager(platform, std::make_unique<MacTrash>(platform.home() / ".Trash"),
                            std::make_unique<InProcessAdminRunner>(log, std::move(whileAsking), answerLost),
                            std::make_unique<RecordingRunner>(log), true);
    }

    // What the helper asked of launchctl with `verb`.
    std::vector<Command> commands(const std::string& verb) const {
        std::vector<Command> found;
        std::copy_if(log->commands.begin(), log->commands.end(), std::back_inserter(found),
                     [&](const Command& command) { return command.front() == verb; });
        return found;
    }

    // A request to the helper as the removal makes it, for this tree.
    AdminRequest request(std::vector<AdminRequest::Move> moves,
                         AdminRequest::Action action = AdminRequest::Action::moveToTrash) const {
        const fs::path lock = folder / "helper.lock";
        std::ofstream(lock) << "";
        return adminRequest(folder.path(), platform.home(), lock, ledger(), std::move(moves), action);
    }

    fs::path ledger() const { return folder / "ledger"; }
    fs::path batch() const { return platform.home() / ".Trash/Tarnwick-App-1"; }

    std::vector<AdminItemOutcome> runHelper(const AdminRequest& asked) {
        const AdminOutcome outcome = InProcessAdminRunner(
                                         log, [] {}, false)
                                         .run(asked);
        EXPECT_TRUE(outcome.ran) << outcome.errorMessage;
        return outcome.items;
    }
};

TEST_F(DaemonsTest, TheHelperStopsADaemonOnlyAsTheListItOpenedSaysAndOnlyWhenItRunsFromThere) {
    const fs::path running = writeList(daemons / "com.example.running.plist", "com.example.running");
    // A copy of another list: launchd runs that label from the other one.
    const fs::path copy = writeList(daemons / "com.example.copy.plist", "com.example.other");
    const fs::path bare = writeList(daemons / "com.example.bare.plist", "");
    const fs::path odd =
        writeList(daemons / "com.example.odd.plist", "com.example.odd\nsystem/com.example.x");
    const fs::path linkedList =
        writeList(platform.system("/Library/Application Support/Skylume/linked.plist"), "com.example.linked");
    const fs::path linked = daemons / "com.example.linked.plist";
    fs::create_symlink(linkedList, linked);
    const fs::path outside = writeList(platform.system("/Library/Application Support/Skylume/outside.plist"),
                                       "com.example.outside");
    for (const auto& [label, list] :
         std::map<std::string, fs::path>{{"com.example.running", running},
                                         {"com.example.other", daemons / "other.plist"},
                                         {"com.example.linked", linked},
                                         {"com.example.outside", outside},
                                         {"com.example.odd\nsystem/com.example.x", odd},
                                         {"com.example.caller", running}}) {
        log->loadedFrom["system/" + label] = list;
    }

    // The request names no label; what a caller could slip in (a batch name) is never taken for one.
    const auto outcomes = runHelper(request({{running, "0-com.example.caller"},
                                             {copy, "1-copy"},
                                             {bare, "2-bare"},
                                             {odd, "3-odd"},
                                             {linked, "4-linked"},
                                             {outside, "5-outside"}}));
    ASSERT_EQ(outcomes.size(), 6U);
    for (const AdminItemOutcome& outcome : outcomes) {
        EXPECT_EQ(outcome.result, AdminItemOutcome::Result::moved) << outcome.message;
        EXPECT_TRUE(outcome.notes.empty());
    }
    EXPECT_EQ(outcomes[0].job, "com.example.running");
    for (std::size_t index = 1; index < outcomes.size(); ++index) {
        EXPECT_EQ(outcomes[index].job, "") << index;
    }
    EXPECT_EQ(log->commands, (std::vector<Command>{{"print", "system/com.example.running"},
                                                   {"bootout", "system/com.example.running"},
                                                   {"print", "system/com.example.other"}}));
    {
        const OpenFolder held = AdminLedger::openFolder(ledger(), ::getuid());
        const AdminLedger entries(held, "Tarnwick-App-1");
        ASSERT_NE(entries.find("0-com.example.caller"), nullptr);
        EXPECT_EQ(entries.find("0-com.example.caller")->job, "com.example.running");
        EXPECT_EQ(entries.find("1-copy")->job, "");
    }

    // Put back, only the daemon the helper stopped starts again, from its list back in its place.
    log->commands.clear();
    log->whileRunning = [&] { EXPECT_TRUE(fs::exists(running)); };
    const auto back = runHelper(
        request({{running, "0-com.example.caller"}, {copy, "1-copy"}}, AdminRequest::Action::putBack));
    ASSERT_EQ(back.size(), 2U);
    EXPECT_EQ(back[0], (AdminItemOutcome{AdminItemOutcome::Result::moved, {}, "com.example.running", {}}));
    EXPECT_EQ(back[1], (AdminItemOutcome{AdminItemOutcome::Result::moved, {}, {}, {}}));
    EXPECT_EQ(log->commands, (std::vector<Command>{{"bootstrap", "system", running.string()}}));
}

TEST_F(DaemonsTest, ADaemonWhoseListStaysRunsAgainAndOneThatWontStopOrStartIsSaid) {
    const fs::path stays = writeList(daemons / "com.example.stays.plist", "com.example.stays");
    const fs::path stubborn = writeList(daemons / "com.example.stubborn.plist", "com.example.stubborn");
    const fs::path ended = writeList(daemons / "com.example.ended.plist", "com.example.ended");
    const fs::path edited = writeList(daemons / "com.example.edited.plist", "com.example.edited");
    for (const fs::path& list : {stays, stubborn, ended, edited}) {
        log->loadedFrom["system/" + list.stem().string()] = list;
    }
    log->failures["system/com.example.stubborn"] = {5, "", "Boot-out failed: 5: Input/output error\n"};
    log->failures["system/com.example.ended"] = {3, "", "Boot-out failed: 3: No such process\n"};
    // The batch name of the first is taken: its list cannot move.
    fs::create_directories(batch());
    std::ofstream(batch() / "0-stays") << "taken";

    const auto outcomes = runHelper(
        request({{stays, "0-stays"}, {stubborn, "1-stubborn"}, {ended, "2-ended"}, {edited, "3-edited"}}));
    ASSERT_EQ(outcomes.size(), 4U);
    EXPECT_EQ(outcomes[0].result, AdminItemOutcome::Result::failed);
    EXPECT_EQ(outcomes[0].job, "");
    EXPECT_TRUE(outcomes[0].notes.empty());
    EXPECT_EQ(log->commands.back(), (Command{"bootstrap", "system", stays.string()})) << "it runs again";
    EXPECT_EQ(outcomes[1].job, "");
    EXPECT_EQ(
        outcomes[1].notes,
        std::vector<std::string>{"com.example.stubborn.plist (com.example.stubborn): could not be stopped "
                                 "(Boot-out failed: 5: Input/output error); it runs until the Mac restarts"});
    EXPECT_EQ(outcomes[2], (AdminItemOutcome{AdminItemOutcome::Result::moved, {}, {}, {}})) << "it had ended";
    EXPECT_EQ(outcomes[3].job, "com.example.edited");

    // Put back with another label written into it meanwhile, the list goes back and its daemon does not
    // start: the helper starts only what it stopped.
    writeList(batch() / "3-edited.new", "com.example.impostor");
    {
        std::ifstream from(batch() / "3-edited.new", std::ios::binary);
        std::ofstream(batch() / "3-edited", std::ios::binary | std::ios::in | std::ios::trunc)
            << from.rdbuf();
    }
    log->commands.clear();
    const auto back = runHelper(request({{edited, "3-edited"}}, AdminRequest::Action::putBack));
    ASSERT_EQ(back.size(), 1U);
    EXPECT_EQ(back[0].result, AdminItemOutcome::Result::moved);
    EXPECT_EQ(back[0].job, "");
    EXPECT_EQ(back[0].notes,
              std::vector<std::string>{"com.example.edited.plist (com.example.edited): could not be "
                                       "started again (the list is not the one it was stopped "
                                       "from); it starts when the Mac next starts up"});
    EXPECT_TRUE(log->commands.empty());
}

TEST_F(DaemonsTest, ARemovalHasTheHelperStopItsDaemonsRecordsThemAndARestoreStartsThemAgain) {
    // A privileged helper tool and the daemon that runs it, and a daemon that is not loaded.
    const fs::path tool = platform.system("/Library/PrivilegedHelperTools/com.example.skylume.helper");
    fs::create_directories(tool.parent_path());
    std::ofstream(tool) << "tool";
    const fs::path helper =
        writeList(daemons / "com.example.skylume.helper.plist", "com.example.skylume.helper", tool.string());
    const fs::path idle = writeList(daemons / "com.example.skylume.idle.plist", "com.example.skylume.idle");
    log->loadedFrom["system/com.example.skylume.helper"] = helper;
    int asked = 0;
    const auto whileAsking = [&] {
        ++asked;
        // Before the helper runs, the record names both daemons as only the helper's to tell.
        const std::vector<RemovalRecord> meanwhile = manager().history();
        ASSERT_EQ(meanwhile.size(), 1U);
        const std::vector<LaunchJob> pending{
            {"com.example.skylume.helper", helper.string(), LaunchJob::Domain::system, true},
            {"com.example.skylume.idle", idle.string(), LaunchJob::Domain::system, true}};
        EXPECT_EQ(meanwhile[0].launchJobs, pending);
        EXPECT_TRUE(log->commands.empty()) << "the user's side runs nothing for a daemon";
    };

    const RemovalOutcome outcome = manager(whileAsking).remove(app, {item(tool), item(helper), item(idle)});
    EXPECT_EQ(asked, 1);
    EXPECT_TRUE(outcome.failures.empty()) << outcome.failures.front();
    EXPECT_EQ(outcome.record.items.size(), 3U);
    EXPECT_FALSE(fs::exists(helper));
    const std::vector<LaunchJob> stopped{
        {"com.example.skylume.helper", helper.string(), LaunchJob::Domain::system}};
    EXPECT_EQ(outcome.record.launchJobs, stopped);
    EXPECT_EQ(commands("bootout"), (std::vector<Command>{{"bootout", "system/com.example.skylume.helper"}}));
    const std::vector<RemovalRecord> history = manager().history();
    ASSERT_EQ(history.size(), 1U);
    EXPECT_EQ(history[0].launchJobs, stopped);

    log->whileRunning = [&] { EXPECT_TRUE(fs::exists(helper)) << "a daemon starts once its list is back"; };
    const RestoreOutcome restored = manager().restore(history[0]);
    EXPECT_TRUE(restored.failures.empty()) << restored.failures.front();
    EXPECT_EQ(restored.restored.size(), 3U);
    EXPECT_EQ(commands("bootstrap"), (std::vector<Command>{{"bootstrap", "system", helper.string()}}));
}

TEST_F(DaemonsTest, ADaemonWhoseAnswerWasNeverHeardIsStartedOnlyIfTheHelperStoppedIt) {
    const fs::path running =
        writeList(daemons / "com.example.skylume.helper.plist", "com.example.skylume.helper");
    const fs::path idle = writeList(daemons / "com.example.skylume.idle.plist", "com.example.skylume.idle");
    log->loadedFrom["system/com.example.skylume.helper"] = running;

    const RemovalOutcome outcome = manager([] {}, true).remove(app, {item(running), item(idle)});
    // Both lists lie in the Trash, and nothing said which daemon was stopped: the record claims neither.
    EXPECT_EQ(outcome.record.items.size(), 2U);
    const std::vector<LaunchJob> pending{
        {"com.example.skylume.helper", running.string(), LaunchJob::Domain::system, true},
        {"com.example.skylume.idle", idle.string(), LaunchJob::Domain::system, true}};
    EXPECT_EQ(outcome.record.launchJobs, pending);
    EXPECT_EQ(commands("bootout").size(), 1U);

    const RestoreOutcome restored = manager().restore(manager().history().at(0));
    EXPECT_EQ(restored.restored.size(), 2U);
    EXPECT_EQ(commands("bootstrap"), (std::vector<Command>{{"bootstrap", "system", running.string()}}));
}

TEST_F(DaemonsTest, WithoutLaunchdTheHelperStopsNothingAndNothingIsRecorded) {
    const fs::path running =
        writeList(daemons / "com.example.skylume.helper.plist", "com.example.skylume.helper");
    log->loadedFrom["system/com.example.skylume.helper"] = running;
    // The helper as installed, whose launchctl on Linux runs nothing.
    TrashManager trash(platform, std::make_unique<MacTrash>(platform.home() / ".Trash"),
                       std::make_unique<HelperAdminRunner>(std::make_shared<HelperAdminRunner::Log>()),
                       std::make_unique<RecordingRunner>(log), true);
    const RemovalOutcome outcome = trash.remove(app, {item(running)});
    EXPECT_TRUE(outcome.failures.empty());
    EXPECT_EQ(outcome.record.items.size(), 1U);
    EXPECT_FALSE(fs::exists(running));
#ifndef __APPLE__
    EXPECT_TRUE(outcome.record.launchJobs.empty());
#endif
    EXPECT_TRUE(log->commands.empty());
}

TEST(LaunchJobsFormat, RecordsWithoutJobsStayReadableAndJobsMustBeWhole) {
    const std::string older = R"({"id":"6F1C2A9E-0000-4000-8000-000000000001","appName":"Skylume","date":1,)"
                              R"("items":[],"bytes":0})";
    const auto record = HistoryFormat::decodeElement(older);
    ASSERT_TRUE(record.has_value());
    EXPECT_TRUE(record->launchJobs.empty());

    RemovalRecord withJobs = *record;
    withJobs.launchJobs = {
        {"com.example.skylume.agent", "/Users/a/Library/LaunchAgents/a.plist", LaunchJob::Domain::user},
        {"com.example.skylume.daemon", "/Library/LaunchDaemons/d.plist", LaunchJob::Domain::system},
        {"com.example.skylume.helper", "/Library/LaunchDaemons/h.plist", LaunchJob::Domain::system, true}};
    EXPECT_EQ(HistoryFormat::decodeElement(HistoryFormat::encode(withJobs)), withJobs);
    EXPECT_EQ(HistoryFormat::encode(*record).find("launchJobs"), std::string::npos) << "absent when none";

    std::string broken = HistoryFormat::encode(withJobs);
    broken.replace(broken.find("\"system\""), 8, "\"moon\"");
    EXPECT_FALSE(HistoryFormat::decodeElement(broken).has_value());
}

} // namespace
} // namespace tarnwick::testing
