// The user's running processes, found by the file they run from, and ended only while they are the ones
// found.
#include "platform/RunningProcesses.h"
#include "support/RunningCopy.h"
#include "support/TemporaryFolder.h"
#include "support/TestPlatform.h"

#include <gtest/gtest.h>

namespace tarnwick::testing {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

class RunningProcessesTest : public ::testing::Test {
protected:
    TemporaryFolder folder;
    // The running system, with a home of the test's own.
    Platform platform{Platform::Folders{.home = folder / "home", .layout = FolderLayout::macOS}};
    RunningProcesses processes{platform};
    fs::path bundle = folder / "home/Applications/Skylume.app";
    fs::path helper = folder / "home/Library/Application Support/Skylume/skylume-helper";
};

TEST_F(RunningProcessesTest, FindsWhatRunsFromInsideABundleOrAFindingAndAsksItToQuit) {
    RunningCopy app(bundle / "Contents/MacOS/Skylume");
    RunningCopy tool(helper);
    RunningCopy other(folder / "home/Applications/Other.app/Contents/MacOS/Other");

    const std::vector<RunningProcess> found = processes.inside({bundle, helper});
    ASSERT_EQ(found.size(), 2U);
    std::vector<pid_t> ids{found[0].id, found[1].id};
    std::sort(ids.begin(), ids.end());
    std::vector<pid_t> expected{app.id(), tool.id()};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(ids, expected);
    const RunningProcess& skylume = found[0].id == app.id() ? found[0] : found[1];
    EXPECT_EQ(skylume.name(), "Skylume");
    EXPECT_EQ(skylume.executable, fs::canonical(bundle / "Contents/MacOS/Skylume"));
    // A folder named like the bundle is not inside it, and a finding that is a link to the tool's
    // folder is only the link: moving it ends nothing.
    EXPECT_TRUE(processes.inside({folder / "home/Applications/Skylume"}).empty());
    const fs::path link = folder / "home/Library/Caches/Skylume";
    fs::create_directories(link.parent_path());
    fs::create_directory_symlink(helper.parent_path(), link);
    EXPECT_TRUE(processes.inside({link}).empty());

    EXPECT_TRUE(processes.isRunning(skylume));
    EXPECT_TRUE(processes.askToQuit(skylume));
    EXPECT_TRUE(app.hasEnded(2s));
    EXPECT_FALSE(processes.isRunning(skylume));
    EXPECT_FALSE(processes.askToQuit(skylume)) << "an ended process is not signalled";
    EXPECT_FALSE(other.hasEnded());
}

TEST_F(RunningProcessesTest, AProcessThatIsNoLongerTheOneFoundIsNeverSignalled) {
    RunningCopy app(bundle / "Contents/MacOS/Skylume");
    const std::vector<RunningProcess> found = processes.inside({bundle});
    ASSERT_EQ(found.size(), 1U);
    // The same number, as a later process given it would have: started at another moment, or running
    // another file.
    RunningProcess later = found[0];
    later.started += 1;
    RunningProcess elsewhere = found[0];
    elsewhere.executable = folder / "home/Applications/Other.app/Contents/MacOS/Skylume";
    for (const RunningProcess& stranger : {later, elsewhere}) {
        EXPECT_FALSE(processes.isRunning(stranger));
        EXPECT_FALSE(processes.askToQuit(stranger));
        EXPECT_FALSE(processes.forceQuit(stranger));
    }
    EXPECT_FALSE(app.hasEnded(200ms));
}

TEST_F(RunningProcessesTest, NothingIsLookedForOnADiskThatIsNotTheRunningSystem) {
    const Platform rooted = makeTestPlatform(folder);
    const fs::path rootedBundle = rooted.system("/Applications/Skylume.app");
    RunningCopy app(rootedBundle / "Contents/MacOS/Skylume");
    ASSERT_EQ(processes.inside({rootedBundle}).size(), 1U) << "the running system sees it";

    const RunningProcesses onDisk(rooted);
    EXPECT_TRUE(onDisk.inside({rootedBundle}).empty());
    const RunningProcess found = processes.inside({rootedBundle}).front();
    EXPECT_FALSE(onDisk.isRunning(found));
    EXPECT_FALSE(onDisk.askToQuit(found));
    EXPECT_FALSE(onDisk.forceQuit(found));
    EXPECT_FALSE(app.hasEnded(200ms));
}

} // namespace
} // namespace tarnwick::testing
