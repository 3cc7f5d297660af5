#include "app/CommandLine.h"

#include "session/LaunchOptions.h"

#include <QCommandLineParser>
#include <optional>

namespace tarnwick {

Platform CommandLine::platformFor(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Clean uninstall for macOS."));
    const QCommandLineOption root(QStringLiteral("root"),
                                  QStringLiteral("Run on the Mac disk mounted at <folder>."),
                                  QStringLiteral("folder"));
    const QCommandLineOption user(QStringLiteral("user"),
                                  QStringLiteral("Use the home of <name> on that disk."),
                                  QStringLiteral("name"));
    const QCommandLineOption demo(QStringLiteral("demo"), QStringLiteral("Run on the built-in demo tree."));
    parser.addOptions({root, user, demo});
    parser.addHelpOption();
    parser.addVersionOption();
    if (!parser.parse(arguments)) {
        throw LaunchOptions::Error(parser.errorText().toStdString());
    }
    if (parser.isSet(QStringLiteral("help"))) {
        parser.showHelp(0);
    }
    if (parser.isSet(QStringLiteral("version"))) {
        parser.showVersion();
    }
    if (!parser.positionalArguments().isEmpty()) {
        throw LaunchOptions::Error("Unexpected argument \"" +
                                   parser.positionalArguments().first().toStdString() + "\".");
    }
    return LaunchOptions::resolve(
               {.root = parser.isSet(root) ? std::optional(parser.value(root).toStdString()) : std::nullopt,
                .user = parser.value(user).toStdString(),
                .demo = parser.isSet(demo)})
        .platform;
}

} // namespace tarnwick
