// tarnwick-peak-of FILE COMMAND [ARGUMENT...]: runs the command in a child of its own, waits for it, and
// writes the child's peak resident set in bytes to FILE; exits with the command's status.
//
// A process started by a large one starts out with that one's peak on Linux, which a posix_spawn'ed child
// keeps through exec: a benchmark that holds a large tree in memory would count it in the command's peak.
// Started from this small program instead, the command's peak is its own.
#include <cerrno>
#include <cstdio>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: tarnwick-peak-of FILE COMMAND [ARGUMENT...]\n");
        return 2;
    }
    const pid_t child = fork();
    if (child < 0) {
        std::perror("tarnwick-peak-of: fork");
        return 2;
    }
    if (child == 0) {
        execvp(argv[2], argv + 2);
        std::perror("tarnwick-peak-of: exec");
        _exit(127);
    }
    int status = 0;
    struct rusage usage {};
    while (wait4(child, &status, 0, &usage) < 0 && errno == EINTR) {
    }
    std::FILE* out = std::fopen(argv[1], "w");
    if (out == nullptr) {
        std::perror("tarnwick-peak-of: output");
        return 2;
    }
    // Linux counts ru_maxrss in kilobytes.
    std::fprintf(out, "%lld\n", static_cast<long long>(usage.ru_maxrss) * 1024);
    std::fclose(out);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 2;
}
