#include "platform/ChildProcess.h"

#include "platform/PlatformError.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

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

// A pipe whose ends no other program started meanwhile inherits.
bool openPipe(int (&ends)[2]) {
#ifdef __APPLE__
    if (::pipe(ends) != 0) {
        return false;
    }
    ::fcntl(ends[0], F_SETFD, FD_CLOEXEC);
    ::fcntl(ends[1], F_SETFD, FD_CLOEXEC);
    return true;
#else
    return ::pipe2(ends, O_CLOEXEC) == 0;
#endif
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
void collect(int outDescriptor, int errDescriptor, Result& result) {
    pollfd streams[2] = {{outDescriptor, POLLIN, 0}, {errDescriptor, POLLIN, 0}};
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
                ::close(streams[index].fd);
                streams[index].fd = -1;
                --open;
            }
        }
    }
    for (const pollfd& stream : streams) {
        if (stream.fd >= 0) {
            ::close(stream.fd);
        }
    }
}

} // namespace

Result run(const std::string& program, const std::vector<std::string>& arguments,
           const std::vector<std::string>& environment) {
    int outPipe[2];
    int errPipe[2];
    if (!openPipe(outPipe)) {
        throw PlatformError::fromErrno(errno, "start", program);
    }
    if (!openPipe(errPipe)) {
        const int error = errno;
        ::close(outPipe[0]);
        ::close(outPipe[1]);
        throw PlatformError::fromErrno(error, "start", program);
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, outPipe[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, errPipe[1], STDERR_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);

    std::vector<std::string> argumentTexts{program};
    argumentTexts.insert(argumentTexts.end(), arguments.begin(), arguments.end());
    std::vector<std::string> environmentTexts = mergedEnvironment(environment);
    std::vector<char*> argv = pointers(argumentTexts);
    std::vector<char*> envp = pointers(environmentTexts);

    pid_t child = 0;
    const int spawned = ::posix_spawn(&child, program.c_str(), &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    ::close(outPipe[1]);
    ::close(errPipe[1]);
    if (spawned != 0) {
        ::close(outPipe[0]);
        ::close(errPipe[0]);
        throw PlatformError::fromErrno(spawned, "start", program);
    }

    Result result;
    collect(outPipe[0], errPipe[0], result);
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

} // namespace tarnwick::ChildProcess
