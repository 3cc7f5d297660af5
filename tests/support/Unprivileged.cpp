#include "support/Unprivileged.h"

#include "platform/FileDescriptor.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

#ifdef __linux__
#include <sched.h>
#include <sys/mount.h>
#endif

namespace tarnwick::testing {

namespace {

constexpr uid_t nobody = 65534;

// What `work` returns in a child process; nothing when the child did not end normally.
std::optional<std::string> inChild(const std::function<std::string()>& work) {
    int ends[2];
    if (pipe(ends) != 0) {
        return std::nullopt;
    }
    FileDescriptor reading(ends[0]);
    FileDescriptor writing(ends[1]);
    const pid_t child = fork();
    if (child < 0) {
        return std::nullopt;
    }
    if (child == 0) {
        reading.reset();
        const std::string result = work();
        const bool written =
            write(writing.get(), result.data(), result.size()) == static_cast<ssize_t>(result.size());
        _exit(written ? 0 : 4);
    }
    writing.reset();
    std::string output;
    char buffer[4096];
    for (ssize_t count; (count = read(reading.get(), buffer, sizeof buffer)) > 0;) {
        output.append(buffer, static_cast<std::size_t>(count));
    }
    int status = 0;
    waitpid(child, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        return std::nullopt;
    }
    return output;
}

} // namespace

std::optional<std::string> runUnprivileged(const std::function<std::string()>& work) {
    if (geteuid() != 0) {
        return work();
    }
    return inChild([&] {
        if (setgroups(0, nullptr) != 0 || setgid(nobody) != 0 || setuid(nobody) != 0) {
            _exit(3);
        }
        return work();
    });
}

std::optional<std::string> withPrivateMounts(const std::function<std::string()>& work, std::string& why) {
    auto output = inChild([&] {
#ifdef __linux__
        if (unshare(CLONE_NEWNS) != 0 || mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) {
            return std::string("skip:") + std::strerror(errno);
        }
        return work();
#else
        return std::string("skip:mounts of one's own are a Linux feature");
#endif
    });
    if (!output || output->starts_with("skip:")) {
        why = output ? output->substr(5) : "the child process failed";
        return std::nullopt;
    }
    return output;
}

} // namespace tarnwick::testing
