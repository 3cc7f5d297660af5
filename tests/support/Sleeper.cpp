// A program that runs until it is ended, to stand in for an application that is running. With
// "--ignore-quit" it ignores SIGTERM, as a program busy or stuck does. It writes a line to standard output
// once it is ready, so that no signal reaches it before it has chosen what to do with it.
#include <csignal>
#include <cstring>
#include <unistd.h>

int main(int argc, char** argv) {
    if (argc > 1 && std::strcmp(argv[1], "--ignore-quit") == 0) {
        std::signal(SIGTERM, SIG_IGN);
    }
    (void)::write(STDOUT_FILENO, "\n", 1);
    ::close(STDOUT_FILENO);
    for (;;) {
        ::pause();
    }
}
