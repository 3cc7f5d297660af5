#include "platform/CommandRunner.h"

namespace tarnwick {

namespace {

class SystemCommandRunner : public CommandRunner {
public:
    ChildProcess::Result run(const std::string& program, const std::vector<std::string>& arguments) override {
        return ChildProcess::run(program, arguments);
    }
};

} // namespace

std::unique_ptr<CommandRunner> CommandRunner::system() {
    return std::make_unique<SystemCommandRunner>();
}

} // namespace tarnwick
