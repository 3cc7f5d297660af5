// The launchd jobs of a removal's property lists: stopped before the lists move, recorded, and started
// again when they are put back; through a runner that only notes the commands.
#include "formats/PropertyList.h"
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

    // A launch agent's property list; without a label when `label` is empty.
    static fs::path plist(const fs::path& location, const std::string& label) {
        PlistValue::Dictionary keys{{"ProgramArguments", PlistValue::Array{PlistValue("/bin/true")}}};
        if (!label.empty()) {
            keys.emplace("Label", PlistValue(label));
        }
        fs::create_directories(location.parent_path());
        std::ofstream(location, std::ios::binary) << PropertyList::toXml(PlistValue(std::move(keys)));
        return location;
    }

    static ResidualItem item(const fs::path& location) {
        return ResidualItem{location, 0, ResidualCategory::other, MatchConfidence::exact, "", true};
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

TEST(LaunchJobsFormat, RecordsWithoutJobsStayReadableAndJobsMustBeWhole) {
    const std::string older = R"({"id":"6F1C2A9E-0000-4000-8000-000000000001","appName":"Skylume","date":1,)"
                              R"("items":[],"bytes":0})";
    const auto record = HistoryFormat::decodeElement(older);
    ASSERT_TRUE(record.has_value());
    EXPECT_TRUE(record->launchJobs.empty());

    RemovalRecord withJobs = *record;
    withJobs.launchJobs = {
        {"com.example.skylume.agent", "/Users/a/Library/LaunchAgents/a.plist", LaunchJob::Domain::user},
        {"com.example.skylume.daemon", "/Library/LaunchDaemons/d.plist", LaunchJob::Domain::system}};
    EXPECT_EQ(HistoryFormat::decodeElement(HistoryFormat::encode(withJobs)), withJobs);
    EXPECT_EQ(HistoryFormat::encode(*record).find("launchJobs"), std::string::npos) << "absent when none";

    std::string broken = HistoryFormat::encode(withJobs);
    broken.replace(broken.find("\"system\""), 8, "\"moon\"");
    EXPECT_FALSE(HistoryFormat::decodeElement(broken).has_value());
}

} // namespace
} // namespace tarnwick::testing
