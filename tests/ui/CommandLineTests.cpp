#include "app/CommandLine.h"
#include "session/LaunchOptions.h"
#include "support/TemporaryFolder.h"

#include <gtest/gtest.h>

namespace tarnwick::testing {
namespace {

TEST(CommandLine, NamesTheSystemAndRefusesWhatItCannotRead) {
    TemporaryFolder folder;
    folder.write("Users/alice/.keep", "");
    const QString root = QString::fromStdString(folder.path().string());
    EXPECT_EQ(CommandLine::platformFor({"tarnwick", "--root", root}).home(), folder / "Users/alice");
    for (const QStringList& line :
         {QStringList{"tarnwick", "--root", root, "Skylume"}, QStringList{"tarnwick", "--frobnicate"},
          QStringList{"tarnwick", "--demo", "--root", root}}) {
        EXPECT_THROW(CommandLine::platformFor(line), LaunchOptions::Error) << line.join(' ').toStdString();
    }
}

} // namespace
} // namespace tarnwick::testing
