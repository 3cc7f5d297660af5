#include "app/LaunchOptions.h"
#include "support/TemporaryFolder.h"

#include <gtest/gtest.h>

namespace tarnwick::testing {
namespace {

QStringList line(std::initializer_list<QString> arguments) {
    QStringList all{QStringLiteral("tarnwick")};
    all.append(QStringList(arguments));
    return all;
}

TEST(LaunchOptions, RefusesLinesItCannotUseWithAHint) {
    const auto message = [](const QStringList& arguments) {
        try {
            LaunchOptions::platformFor(arguments);
        } catch (const LaunchError& error) {
            return std::string(error.what());
        }
        return std::string("accepted");
    };
    TemporaryFolder folder;
    const QString root = QString::fromStdString(folder.path().string());
    EXPECT_NE(message(line({"--root", root, "--demo"})).find("cannot be used together"), std::string::npos);
    EXPECT_NE(message(line({"--user", "alice"})).find("use it with --root or --demo"), std::string::npos);
    EXPECT_NE(message(line({"--root", root + "/missing"})).find("does not exist"), std::string::npos);
    EXPECT_NE(message(line({"--root", root, "Skylume"})).find("Unexpected argument"), std::string::npos);
    EXPECT_NE(message(line({"--frobnicate"})).find("frobnicate"), std::string::npos);
}

TEST(LaunchOptions, RootMovesTheSystemIntoTheFolder) {
    TemporaryFolder folder;
    folder.write("Users/alice/.keep", "");
    const Platform platform = LaunchOptions::platformFor(
        line({"--root", QString::fromStdString(folder.path().string()), "--user", "alice"}));
    EXPECT_EQ(platform.system("/Applications"), folder / "Applications");
    EXPECT_EQ(platform.home(), folder / "Users/alice");
}

} // namespace
} // namespace tarnwick::testing
