#include "support/RunningCopy.h"

#include <csignal>
#include <spawn.h>
#include <stdexcept>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace tarnwick::testing {

namespace fs = std::filesystem;

RunningCopy::RunningCopy(const fs::path& executable, OnQuit onQuit) {
    fs::create_directories(executable.parent_path());
    fs::copy_file(TARNWICK_TEST_SLEEPER_PATH, executable, fs::copy_options::overwrite_existing);
    fs::permissions(executable, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec);
    std::string program = executable.string();
    std::string option = onQuit == OnQuit::ignores ? "--ignore-quit" : "--quits";
    std::vector<char*> arguments{program.data(), option.data(), nullptr};
    int ready[2];
    if (::pipe(ready) != 0) {
        throw std::runtime_error("could not make a pipe");
    }
    posix_spawn_file_actions_t actions;
    ::posix_spawn_file_actions_init(&actions);
    ::posix_spawn_file_actions_adddup2(&actions, ready[1], STDOUT_FILENO);
    ::posix_spawn_file_actions_addclose(&actions, ready[0]);
    const int started = ::posix_spawn(&id_, program.c_str(), &actions, nullptr, arguments.data(), environ);
    ::posix_spawn_file_actions_destroy(&actions);
    ::close(ready[1]);
    // Waits until it is ready: found by its file, and deaf to SIGTERM when it is meant to be.
    char line = 0;
    const bool isReady = started == 0 && ::read(ready[0], &line, 1) == 1;
    ::close(ready[0]);
    if (!isReady) {
        if (started == 0) {
            ::kill(id_, SIGKILL);
            ::waitpid(id_, nullptr, 0);
        }
        throw std::runtime_error("could not start " + program);
    }
}

RunningCopy::~RunningCopy() {
    if (!reaped_) {
        ::kill(id_, SIGKILL);
        ::waitpid(id_, nullptr, 0);
    }
}

bool RunningCopy::hasEnded(std::chrono::milliseconds patience) {
    const auto deadline = std::chrono::steady_clock::now() + patience;
    while (!reaped_) {
        if (::waitpid(id_, nullptr, WNOHANG) == id_) {
            reaped_ = true;
        } else if (std::chrono::steady_clock::now() >= deadline) {
            break;
        } else {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }
    return reaped_;
}

} // namespace tarnwick::testing
