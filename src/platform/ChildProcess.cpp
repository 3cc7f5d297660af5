#include "platform/ChildProcess.h"

#include "platform/FileDescriptor.h"
#include "platform/PlatformError.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#ifdef __APPLE__
#include <mach-o/dyld.h>
#endif

extern char** environ;

namespace tarnwick::ChildProcess {

namespace {

std::vector<char*> pointers(std::vector<std::string>& texts) {
    std::vector<char*> result;
    for (auto& text : texts) {
        result.push_back(text.data());
    }
    result.push_back(nullptr);
    return result;
}

// The two ends of a pipe, neither inherited by another program started meanwhile.
struct Pipe {
    FileDescriptor reading;
    FileDescriptor writing;
};

std::optional<Pipe> openPipe() {
    int ends[2];
#ifdef __APPLE__
    if (::pipe(ends) != 0) {
        return std::nullopt;
    }
    ::fcntl(ends[0], F_SETFD, FD_CLOEXEC);
    ::fcntl(ends[1], F_SETFD, FD_CLOEXEC);
#else
    if (::pipe2(ends, O_CLOEXEC) != 0) {
        return std::nullopt;
    }
#endif
    return Pipe{FileDescriptor(ends[0]), FileDescriptor(ends[1])};
}

// This process's environment with `added` in it, an added entry taking the place of one of the same name.
std::vector<std::string> mergedEnvironment(const std::vector<std::string>& added) {
    const auto name = [](const std::string& entry) { return entry.substr(0, entry.find('=')); };
    std::vector<std::string> result;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string text = *entry;
        if (std::none_of(added.begin(), added.end(),
                         [&](const std::string& other) { return name(other) == name(text); })) {
            result.push_back(text);
        }
    }
    result.insert(result.end(), added.begin(), added.end());
    return result;
}

// Reads both pipes until the program closes them, so that neither can fill up and stall it.
void collect(FileDescriptor out, FileDescriptor err, Result& result) {
    FileDescriptor* owners[2] = {&out, &err};
    pollfd streams[2] = {{out.get(), POLLIN, 0}, {err.get(), POLLIN, 0}};
    std::string* targets[2] = {&result.out, &result.err};
    int open = 2;
    while (open > 0) {
        if (::poll(streams, 2, -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            break;
        }
        for (int index = 0; index < 2; ++index) {
            if (streams[index].fd < 0 || streams[index].revents == 0) {
                continue;
            }
            char buffer[8192];
            const ssize_t count = ::read(streams[index].fd, buffer, sizeof buffer);
            if (count > 0) {
                targets[index]->append(buffer, static_cast<std::size_t>(count));
            } else if (count == 0 || errno != EINTR) {
                owners[index]->reset();
                streams[index].fd = -1;
                --open;
            }
        }
    }
}

} // namespace

Result run(const std::string& program, const std::vector<std::string>& arguments,
           const std::vector<std::string>& environment) {
    std::optional<Pipe> outPipe = openPipe();
    std::optional<Pipe> errPipe = outPipe ? openPipe() : std::nullopt;
    if (!outPipe || !errPipe) {
        throw PlatformError::fromErrno(errno, "start", program);
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, outPipe->writing.get(), STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, errPipe->writing.get(), STDERR_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);

    std::vector<std::string> argumentTexts{program};
    argumentTexts.insert(argumentTexts.end(), arguments.begin(), arguments.end());
    std::vector<std::string> environmentTexts = mergedEnvironment(environment);
    std::vector<char*> argv = pointers(argumentTexts);
    std::vector<char*> envp = pointers(environmentTexts);

    pid_t child = 0;
    const int spawned = ::posix_spawn(&child, program.c_str(), &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    // Only the child writes: the pipes end when it does.
    outPipe->writing.reset();
    errPipe->writing.reset();
    if (spawned != 0) {
        throw PlatformError::fromErrno(spawned, "start", program);
    }

    Result result;
    collect(std::move(outPipe->reading), std::move(errPipe->reading), result);
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

std::filesystem::path thisProgram() {
#ifdef __APPLE__
    std::string path(PATH_MAX, '\0');
    auto size = static_cast<std::uint32_t>(path.size());
    if (::_NSGetExecutablePath(path.data(), &size) != 0) {
        path.assign(size, '\0'); // the loader said how much it needs
        if (::_NSGetExecutablePath(path.data(), &size) != 0) {
            throw PlatformError::fromErrno(ENAMETOOLONG, "find", "this program");
        }
    }
    path.resize(std::strlen(path.c_str()));
    // The loader's path may hold links and relative parts; the folder around the program must be real.
    char resolved[PATH_MAX];
    if (::realpath(path.c_str(), resolved) == nullptr) {
        throw PlatformError::fromErrno(errno, "find", path);
    }
    return resolved;
#else
    std::error_code error;
    std::filesystem::path path = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error) {
        throw PlatformError::fromErrno(error.value(), "find", "/proc/self/exe");
    }
    return path;
#endif
}

} // namespace tarnwick::ChildProcess
