#pragma once

#include <chrono>
#include <filesystem>
#include <sys/types.h>

namespace tarnwick::testing {

// A program that runs from a file of the test's, as an application runs from its bundle: a copy of a
// program that only waits to be ended, started from `executable`. It is ended and reaped with the test.
class RunningCopy {
public:
    enum class OnQuit { quits, ignores }; // what it does with SIGTERM

    explicit RunningCopy(const std::filesystem::path& executable, OnQuit onQuit = OnQuit::quits);
    ~RunningCopy();
    RunningCopy(const RunningCopy&) = delete;
    RunningCopy& operator=(const RunningCopy&) = delete;

    pid_t id() const { return id_; }

    // Whether it has ended, waiting for it up to `patience`; an ended copy is reaped.
    bool hasEnded(std::chrono::milliseconds patience = std::chrono::milliseconds(0));

private:
    pid_t id_ = -1;
    bool reaped_ = false;
};

} // namespace tarnwick::testing
