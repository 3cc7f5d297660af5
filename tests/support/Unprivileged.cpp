#include "support/Unprivileged.h"

#include "platform/FileDescriptor.h"

#include <cstdlib>
#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

namespace tarnwick::testing {

namespace {

constexpr uid_t nobody = 65534;

} // namespace

std::optional<std::string> runUnprivileged(const std::function<std::string()>& work) {
    if (geteuid() != 0) {
        return work();
    }
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
        if (setgroups(0, nullptr) != 0 || setgid(nobody) != 0 || setuid(nobody) != 0) {
            _exit(3);
        }
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

} // namespace tarnwick::testing
