#include "app/LaunchOptions.h"

#include "demo/DemoTree.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <filesystem>
#include <system_error>

namespace tarnwick {

Platform LaunchOptions::platformFor(const QStringList& arguments) {
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
        throw LaunchError(parser.errorText().toStdString());
    }
    if (parser.isSet(QStringLiteral("help"))) {
        parser.showHelp(0);
    }
    if (parser.isSet(QStringLiteral("version"))) {
        parser.showVersion();
    }
    if (!parser.positionalArguments().isEmpty()) {
        throw LaunchError("Unexpected argument \"" + parser.positionalArguments().first().toStdString() +
                          "\".");
    }

    const std::string rootFolder = parser.value(root).toStdString();
    const std::string userName = parser.value(user).toStdString();
    const bool onDemo = parser.isSet(demo);
    if (onDemo && parser.isSet(root)) {
        throw LaunchError("--root and --demo cannot be used together: the demo is a tree of its own.");
    }
    if (!userName.empty() && !onDemo && rootFolder.empty()) {
        throw LaunchError("--user picks a home on a disk: use it with --root or --demo.");
    }
    const auto rooted = [&](const std::filesystem::path& folder) {
        try {
            return Platform::rooted(folder, userName);
        } catch (const HomeChoiceError& error) {
            throw LaunchError(std::string(error.what()) + " Pick one with --user NAME.");
        }
    };
    if (onDemo) {
        return rooted(DemoTree::ensure(Platform::current().cachesFolder()));
    }
    if (parser.isSet(root)) {
        std::error_code error;
        if (rootFolder.empty() || !std::filesystem::is_directory(rootFolder, error)) {
            throw LaunchError("The folder \"" + rootFolder +
                              "\" does not exist. Pass the folder where a Mac disk is mounted.");
        }
        return rooted(rootFolder);
    }
    return Platform::current();
}

} // namespace tarnwick
