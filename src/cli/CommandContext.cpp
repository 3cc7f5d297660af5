#include "CommandContext.h"

#include "DemoTree.h"

#include <system_error>

namespace tarnwick {

namespace fs = std::filesystem;

CommandContext CommandContext::make(const std::string& root, bool demo, bool json, std::ostream& out,
                                    ProgressLine& progress) {
    if (demo && !root.empty()) {
        throw UsageError("--root and --demo cannot be used together: the demo is a tree of its own.");
    }
    if (demo) {
        progress.show("Preparing the demo tree\u2026", true);
        const fs::path demoRoot = DemoTree::ensure(Platform::current().cachesFolder());
        return CommandContext{Platform::rooted(demoRoot), json, out, progress};
    }
    if (!root.empty()) {
        std::error_code error;
        if (!fs::is_directory(root, error)) {
            throw UsageError("The folder \"" + root +
                             "\" does not exist. Pass the folder where a Mac disk is mounted.");
        }
        return CommandContext{Platform::rooted(root), json, out, progress};
    }
    return CommandContext{Platform::current(), json, out, progress};
}

} // namespace tarnwick
