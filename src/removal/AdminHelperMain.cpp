#include "removal/AdminHelper.h"

#include <csignal>
#include <iostream>

#ifdef __linux__
#include <sys/prctl.h>
#endif

int main(int argc, char** argv) {
    using namespace tarnwick;
#ifdef __linux__
    // Dies with the process that started it: an answer nobody reads must not be acted on. Set here, since
    // the system clears it across the start of a set-user-ID program such as pkexec.
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
#endif
    return AdminHelper::main(std::vector<std::string>(argv + 1, argv + argc), AdminHelper::thisCaller(),
                             std::cout, std::cerr);
}
