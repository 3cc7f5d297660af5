#include "Measure.h"

#include "platform/FileDescriptor.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <iomanip>
#include <iostream>
#include <spawn.h>
#include <sstream>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace tarnwick::bench::Measure {

namespace fs = std::filesystem;

namespace {

std::string commandText(const std::vector<std::string>& arguments) {
    std::string text;
    for (const auto& argument : arguments) {
        text += (text.empty() ? "" : " ") + argument;
    }
    return text;
}

} // namespace

double medianSeconds(int runs, const std::function<void()>& variant) {
    std::vector<double> times;
    for (int run = 0; run < runs; ++run) {
        const auto start = std::chrono::steady_clock::now();
        variant();
        times.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(times.begin(), times.end());
    return times.empty() ? 0.0 : times[times.size() / 2];
}

Medians alternatingMedians(int runs, const std::function<void()>& reference,
                           const std::function<void()>& ours) {
    std::vector<double> referenceTimes;
    std::vector<double> ourTimes;
    const auto time = [](const std::function<void()>& variant) {
        const auto start = std::chrono::steady_clock::now();
        variant();
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    };
    for (int run = 0; run < runs; ++run) {
        referenceTimes.push_back(time(reference));
        ourTimes.push_back(time(ours));
    }
    const auto median = [](std::vector<double>& times) {
        std::sort(times.begin(), times.end());
        return times.empty() ? 0.0 : times[times.size() / 2];
    };
    return {median(referenceTimes), median(ourTimes)};
}

int runCommand(const std::vector<std::string>& arguments, int outputDescriptor) {
    std::vector<char*> argv;
    for (const auto& argument : arguments) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, outputDescriptor, STDOUT_FILENO);
    pid_t child = 0;
    const int error = posix_spawnp(&child, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0) {
        throw std::runtime_error("cannot run " + arguments[0]);
    }
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void runQuietly(const std::vector<std::string>& arguments) {
    const FileDescriptor sink(open("/dev/null", O_WRONLY | O_CLOEXEC));
    if (runCommand(arguments, sink.get()) != 0) {
        throw std::runtime_error("failed: " + commandText(arguments));
    }
}

std::string commandOutput(const std::vector<std::string>& arguments) {
    std::string pattern = (fs::temp_directory_path() / "tarnwick-output-XXXXXX").string();
    const FileDescriptor output(mkstemp(pattern.data()));
    if (output.get() < 0) {
        throw std::runtime_error("cannot create a temporary file");
    }
    unlink(pattern.c_str());
    if (runCommand(arguments, output.get()) != 0) {
        throw std::runtime_error("failed: " + commandText(arguments));
    }
    lseek(output.get(), 0, SEEK_SET);
    std::string text;
    char buffer[1 << 16];
    for (ssize_t size = 0; (size = read(output.get(), buffer, sizeof buffer)) > 0;) {
        text.append(buffer, static_cast<std::size_t>(size));
    }
    return text;
}

FindListing findListing(const fs::path& tree) {
    std::istringstream lines(commandOutput({"find", tree.string(), "-mindepth", "1", "-printf", "%y %s\\n"}));
    FindListing listing;
    char type = 0;
    std::int64_t size = 0;
    while (lines >> type >> size) {
        ++listing.entries;
        if (type == 'f') {
            ++listing.files;
            listing.fileBytes += size;
        } else if (type == 'd') {
            listing.folderBytes += size;
        } else {
            listing.otherBytes += size;
        }
    }
    return listing;
}

void printRow(const std::string& name, double seconds, double ratio, const std::string& note) {
    std::cout << "  " << std::left << std::setw(52) << name << std::right << std::fixed
              << std::setprecision(1) << std::setw(10) << seconds * 1000.0 << " ms" << std::setprecision(2)
              << std::setw(8) << ratio << (note.empty() ? "" : "  ") << note << '\n';
}

} // namespace tarnwick::bench::Measure
