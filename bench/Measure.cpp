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

std::vector<double> alternatingMedians(int runs, const std::vector<std::function<void()>>& variants) {
    std::vector<double> medians;
    for (const Spread& spread : alternatingSpreads(runs, variants)) {
        medians.push_back(spread.median);
    }
    return medians;
}

std::vector<std::vector<double>> alternatingTimes(int runs,
                                                  const std::vector<std::function<void()>>& variants) {
    std::vector<std::vector<double>> times(variants.size());
    for (int run = 0; run < runs; ++run) {
        for (std::size_t step = 0; step < variants.size(); ++step) {
            const std::size_t index = run % 2 == 0 ? step : variants.size() - 1 - step;
            const auto start = std::chrono::steady_clock::now();
            variants[index]();
            times[index].push_back(
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        }
    }
    for (auto& variantTimes : times) {
        std::sort(variantTimes.begin(), variantTimes.end());
    }
    return times;
}

std::vector<Spread> alternatingSpreads(int runs, const std::vector<std::function<void()>>& variants) {
    std::vector<Spread> spreads;
    for (const std::vector<double>& sorted : alternatingTimes(runs, variants)) {
        spreads.push_back(sorted.empty() ? Spread{}
                                         : Spread{sorted.front(), sorted[sorted.size() / 2], sorted.back()});
    }
    return spreads;
}

Medians alternatingMedians(int runs, const std::function<void()>& reference,
                           const std::function<void()>& ours) {
    const auto medians = alternatingMedians(runs, std::vector<std::function<void()>>{reference, ours});
    return {medians[0], medians[1]};
}

namespace {

// The exit status, or -1 when the command did not exit normally.
int runAndWait(const std::vector<std::string>& arguments, int outputDescriptor) {
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

void runIntoString(const std::vector<std::string>& arguments, std::string& text) {
    std::string pattern = (fs::temp_directory_path() / "tarnwick-output-XXXXXX").string();
    const FileDescriptor output(mkstemp(pattern.data()));
    if (output.get() < 0) {
        throw std::runtime_error("cannot create a temporary file");
    }
    unlink(pattern.c_str());
    if (runAndWait(arguments, output.get()) != 0) {
        throw std::runtime_error("failed: " + commandText(arguments));
    }
    lseek(output.get(), 0, SEEK_SET);
    char buffer[1 << 16];
    for (ssize_t size = 0; (size = read(output.get(), buffer, sizeof buffer)) > 0;) {
        text.append(buffer, static_cast<std::size_t>(size));
    }
}

} // namespace

int runCommand(const std::vector<std::string>& arguments, int outputDescriptor) {
    return runAndWait(arguments, outputDescriptor);
}

void runQuietly(const std::vector<std::string>& arguments) {
    const FileDescriptor sink(open("/dev/null", O_WRONLY | O_CLOEXEC));
    if (runCommand(arguments, sink.get()) != 0) {
        throw std::runtime_error("failed: " + commandText(arguments));
    }
}

std::string commandOutput(const std::vector<std::string>& arguments) {
    std::string text;
    runIntoString(arguments, text);
    return text;
}

CommandOutput commandOutputAndPeak(const std::vector<std::string>& arguments) {
    // Spawned from this process, the command would start with this process's peak as its own.
    std::string pattern = (fs::temp_directory_path() / "tarnwick-peak-XXXXXX").string();
    const FileDescriptor peakFile(mkstemp(pattern.data()));
    if (peakFile.get() < 0) {
        throw std::runtime_error("cannot create a temporary file");
    }
    std::vector<std::string> measured = {TARNWICK_PEAK_OF_PATH, pattern};
    measured.insert(measured.end(), arguments.begin(), arguments.end());
    CommandOutput output;
    runIntoString(measured, output.text);
    std::string peak(64, '\0');
    const ssize_t size = pread(peakFile.get(), peak.data(), peak.size(), 0);
    unlink(pattern.c_str());
    output.peakBytes = size > 0 ? std::stoll(peak.substr(0, static_cast<std::size_t>(size))) : 0;
    return output;
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

void printTableRow(const std::string& measure, const Spread& ours, const Spread& reference,
                   const std::string& referenceName) {
    std::ostringstream row;
    row << std::fixed << std::setprecision(0) << "table: " << measure << '|' << ours.median * 1000.0
        << " ms (" << ours.fastest * 1000.0 << "\u2013" << ours.slowest * 1000.0 << ")|" << referenceName
        << ' ' << reference.median * 1000.0 << " ms (" << reference.fastest * 1000.0 << "\u2013"
        << reference.slowest * 1000.0 << ")|" << std::setprecision(2) << ours.median / reference.median
        << "\u00d7\n";
    std::cout << row.str();
}

void printRow(const std::string& name, double seconds, double ratio, const std::string& note) {
    std::cout << "  " << std::left << std::setw(52) << name << std::right << std::fixed
              << std::setprecision(1) << std::setw(10) << seconds * 1000.0 << " ms" << std::setprecision(2)
              << std::setw(8) << ratio << (note.empty() ? "" : "  ") << note << '\n';
}

void printRow(const std::string& name, const Spread& spread, double ratio, const std::string& note) {
    std::ostringstream range;
    range << std::fixed << std::setprecision(1) << "(" << spread.fastest * 1000.0 << "\u2013"
          << spread.slowest * 1000.0 << ")";
    printRow(name, spread.median, ratio, range.str() + (note.empty() ? "" : "  " + note));
}

} // namespace tarnwick::bench::Measure
