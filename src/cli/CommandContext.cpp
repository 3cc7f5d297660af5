#include "cli/CommandContext.h"

#include "demo/DemoTree.h"
#include "platform/Location.h"
#include "platform/ScanControl.h"
#include "session/AppCatalogue.h"
#include "session/AppLookupError.h"

#include <algorithm>
#include <system_error>

namespace tarnwick {

namespace fs = std::filesystem;

namespace {

// Plain words stay as they are; anything else goes between single quotes, as the shell needs it.
std::string shellQuoted(const std::string& argument) {
    const bool plain = !argument.empty() && std::all_of(argument.begin(), argument.end(), [](char character) {
        const auto byte = static_cast<unsigned char>(character);
        return (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') || (byte >= '0' && byte <= '9') ||
               std::string_view("-_./:=@%+,").find(character) != std::string_view::npos;
    });
    if (plain) {
        return argument;
    }
    std::string quoted = "'";
    for (const char character : argument) {
        quoted += character == '\'' ? std::string("'\\''") : std::string(1, character);
    }
    return quoted + "'";
}

// One line per candidate, each after a line break: "  Name  (path)".
std::string candidateLines(const std::vector<InstalledApp>& apps) {
    std::string lines;
    for (const auto& app : apps) {
        lines += "\n  " + app.name + "  (" + app.url.string() + ")";
    }
    return lines;
}

} // namespace

CommandContext CommandContext::make(const std::string& root, bool demo, bool json, std::ostream& out,
                                    ProgressLine& progress) {
    if (demo && !root.empty()) {
        throw UsageError("--root and --demo cannot be used together: the demo is a tree of its own.");
    }
    if (demo) {
        progress.show("Preparing the demo tree\u2026", true);
        const fs::path demoRoot = DemoTree::ensure(Platform::current().cachesFolder());
        return CommandContext{Platform::rooted(demoRoot), json, out, progress, {"--demo"}};
    }
    if (!root.empty()) {
        std::error_code error;
        if (!fs::is_directory(root, error)) {
            throw UsageError("The folder \"" + root +
                             "\" does not exist. Pass the folder where a Mac disk is mounted.");
        }
        // Absolute, so that a suggested command works from any folder.
        const fs::path absolute = fs::absolute(root, error);
        const std::string shown = error ? root : Location::standardized(absolute).string();
        return CommandContext{Platform::rooted(root), json, out, progress, {"--root", shown}};
    }
    return CommandContext{Platform::current(), json, out, progress};
}

std::string CommandContext::commandLine(const std::vector<std::string>& arguments) const {
    std::string line = "tarnwick-cli";
    for (const auto* list : {&systemArguments, &arguments}) {
        for (const std::string& argument : *list) {
            line += ' ' + shellQuoted(argument);
        }
    }
    return line;
}

std::vector<InstalledApp> CommandContext::installedApps(bool withSizes) {
    const auto showFinding = [this](const ScanProgress& scan) {
        if (scan.found > 0) {
            progress.show("Finding applications\u2026 " + std::to_string(scan.found) + " found");
        }
    };
    std::vector<InstalledApp> apps = completed(AppCatalogue::scan(platform, {.progress = showFinding}));
    progress.clear();
    if (!withSizes) {
        return apps;
    }
    const auto showMeasuring = [this](const ScanProgress& scan) {
        if (scan.isMeasuring()) {
            progress.show("Measuring applications\u2026 " + std::to_string(scan.measured) + " of " +
                          std::to_string(scan.toMeasure));
        }
    };
    AppCatalogue::measureSizes(apps, {.progress = showMeasuring});
    progress.clear();
    return apps;
}

InstalledApp CommandContext::findApp(const std::vector<InstalledApp>& installed,
                                     const std::string& query) const {
    try {
        return AppCatalogue::find(installed, platform, query);
    } catch (const AppLookupError& error) {
        switch (error.kind()) {
        case AppLookupError::Kind::several:
            throw UsageError("Several applications fit \"" + query +
                             "\"; pass the path of the one you mean:" + candidateLines(error.candidates()));
        case AppLookupError::Kind::none:
            throw UsageError(error.what() +
                             (error.candidates().empty()
                                  ? std::string(" Run 'tarnwick-cli apps' to see them, or pass "
                                                "the path of an .app bundle.")
                                  : " Did you mean:" + candidateLines(error.candidates())));
        case AppLookupError::Kind::noBundle:
        case AppLookupError::Kind::notAnApp:
            break;
        }
        throw UsageError(error.what());
    }
}

} // namespace tarnwick
