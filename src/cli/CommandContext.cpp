#include "cli/CommandContext.h"

#include "platform/ScanControl.h"
#include "platform/Text.h"
#include "removal/TrashError.h"
#include "session/AppCatalogue.h"
#include "session/AppLookupError.h"
#include "session/LaunchOptions.h"

#include <algorithm>
#include <optional>

namespace tarnwick {

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
    if (Text::printable(argument) != argument) {
        // The escapes Text::printable writes are those of the $'...' quotes of bash and zsh.
        std::string escaped;
        for (const char character : argument) {
            escaped += character == '\\' || character == '\'' ? std::string{'\\', character}
                                                              : std::string(1, character);
        }
        return "$'" + Text::printable(escaped) + "'";
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
        lines += "\n  " + Text::printable(app.name) + "  (" + Text::printable(app.url.native()) + ")";
    }
    return lines;
}

} // namespace

CommandContext CommandContext::make(const std::string& root, bool demo, const std::string& user, bool json,
                                    std::ostream& out, ProgressLine& progress) {
    try {
        // An empty --root names no disk: the command looks at this system.
        LaunchOptions::System system = LaunchOptions::resolve(
            {.root = root.empty() ? std::nullopt : std::optional(root), .user = user, .demo = demo},
            [&progress] { progress.show("Preparing the demo tree\u2026", true); });
        return CommandContext{std::move(system.platform), json, out, progress, std::move(system.arguments)};
    } catch (const LaunchOptions::Error& error) {
        throw UsageError(error.what());
    }
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
            throw UsageError("Several applications fit \"" + Text::printable(query) +
                             "\"; pass the path of the one you mean:" + candidateLines(error.candidates()));
        case AppLookupError::Kind::none:
            throw UsageError(Text::printable(error.what()) +
                             (error.candidates().empty()
                                  ? std::string(" Run 'tarnwick-cli apps' to see them, or pass "
                                                "the path of an .app bundle.")
                                  : " Did you mean:" + candidateLines(error.candidates())));
        case AppLookupError::Kind::noBundle:
        case AppLookupError::Kind::notAnApp:
            break;
        }
        throw UsageError(Text::printable(error.what()));
    }
}

std::string printableMessage(const std::exception& error) {
    if (dynamic_cast<const UsageError*>(&error) != nullptr) {
        return error.what();
    }
    const auto* trash = dynamic_cast<const TrashError*>(&error);
    if (trash == nullptr || trash->lines().empty()) {
        return Text::printable(error.what());
    }
    // A heading of our own, then the failures, one per line, each quoting what failed.
    const std::vector<std::string>& failures = trash->lines();
    std::size_t quoted = failures.empty() ? 0 : failures.size() - 1; // the line breaks between them
    for (const std::string& line : failures) {
        quoted += line.size();
    }
    const std::string_view message = error.what();
    std::string result(message.substr(0, message.size() - std::min(quoted, message.size())));
    for (std::size_t index = 0; index < failures.size(); ++index) {
        result += (index == 0 ? "" : "\n") + Text::printable(failures[index]);
    }
    return result;
}

} // namespace tarnwick
