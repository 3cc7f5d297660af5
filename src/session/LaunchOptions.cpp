#include "session/LaunchOptions.h"

#include "demo/DemoTree.h"
#include "platform/Location.h"
#include "platform/Text.h"

#include <system_error>

namespace tarnwick {

namespace fs = std::filesystem;

LaunchOptions::System LaunchOptions::resolve(const Request& request,
                                             const std::function<void()>& preparingDemo) {
    if (request.demo && request.root) {
        throw Error("--root and --demo cannot be used together: the demo is a tree of its own.");
    }
    if (!request.user.empty() && !request.demo && !request.root) {
        throw Error("--user picks a home on a disk: use it with --root or --demo.");
    }
    std::vector<std::string> arguments;
    if (!request.user.empty()) {
        arguments = {"--user", request.user};
    }
    const auto rooted = [&](const fs::path& folder) {
        try {
            return Platform::rooted(folder, request.user);
        } catch (const HomeChoiceError& error) {
            throw Error(Text::printable(error.what()) + " Pick one with --user NAME.");
        }
    };
    if (request.demo) {
        if (preparingDemo) {
            preparingDemo();
        }
        const fs::path demoRoot = DemoTree::ensure(Platform::current().cachesFolder());
        arguments.insert(arguments.begin(), "--demo");
        return {rooted(demoRoot), arguments};
    }
    if (request.root) {
        const std::string& root = *request.root;
        std::error_code error;
        if (root.empty() || !fs::is_directory(root, error)) {
            throw Error("The folder \"" + Text::printable(root) +
                        "\" does not exist. Pass the folder where a Mac disk is mounted.");
        }
        const fs::path absolute = fs::absolute(root, error);
        const std::string shown = error ? root : Location::standardized(absolute).string();
        arguments.insert(arguments.begin(), {"--root", shown});
        return {rooted(root), arguments};
    }
    return {Platform::current(), {}};
}

} // namespace tarnwick
