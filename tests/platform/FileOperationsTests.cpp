#include "platform/FileOperations.h"
#include "platform/PlatformError.h"
#include "support/TemporaryFolder.h"

#include <cerrno>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

namespace tarnwick::testing {
namespace {

namespace fs = std::filesystem;

std::string contentsOf(const fs::path& file) {
    std::ifstream stream(file, std::ios::binary);
    std::ostringstream text;
    text << stream.rdbuf();
    return text.str();
}

TEST(FileOperationsTest, AFileIsReadWholeWhateverItsSizeAndNoMoreThanAllowed) {
    TemporaryFolder folder;
    std::string large(200'000, 'x');
    for (std::size_t index = 0; index < large.size(); index += 997) {
        large[index] = static_cast<char>('a' + index % 26);
    }
    for (const std::string& contents : {std::string(), std::string("1"), std::string(65'536, 'y'), large}) {
        const fs::path file = folder.write("file", contents);
        EXPECT_EQ(FileOperations::readFile(file), contents) << contents.size();
        EXPECT_EQ(FileOperations::readFile(file, contents.size()), contents) << contents.size();
        if (!contents.empty()) {
            EXPECT_THROW(FileOperations::readFile(file, contents.size() - 1), PlatformError)
                << contents.size();
        }
    }
}

TEST(FileOperationsTest, AMoveNeverReplacesWhatIsAtItsDestination) {
    TemporaryFolder folder;
    const fs::path source = folder.write("source/file", "moving");
    const fs::path takenFile = folder.write("taken/file", "kept");
    const fs::path takenFolder = folder / "taken/empty folder";
    fs::create_directories(takenFolder);

    for (const fs::path& destination : {takenFile, takenFolder}) {
        try {
            FileOperations::moveWithoutReplacing(source, destination);
            FAIL() << "moved over " << destination;
        } catch (const PlatformError& error) {
            EXPECT_TRUE(error.hasCode(PlatformError::posixDomain, EEXIST));
        }
    }
    EXPECT_THROW(FileOperations::moveWithoutReplacing(source.parent_path(), folder / "taken"), PlatformError);
    EXPECT_EQ(contentsOf(source), "moving");
    EXPECT_EQ(contentsOf(takenFile), "kept");

    FileOperations::moveWithoutReplacing(source.parent_path(), folder / "moved");
    EXPECT_EQ(contentsOf(folder / "moved/file"), "moving");
}

TEST(FileOperationsTest, ExistenceCountsLinksThatLeadNowhere) {
    TemporaryFolder folder;
    fs::create_symlink(folder / "nowhere", folder / "dangling");
    EXPECT_TRUE(FileOperations::exists(folder / "dangling"));
    EXPECT_FALSE(FileOperations::exists(folder / "nowhere"));
}

TEST(FileOperationsTest, AReplacedFileHasTheNewContentAndNothingIsLeftBeside) {
    TemporaryFolder folder;
    const fs::path file = folder.write("history.json", "old");
    FileOperations::replaceAtomically(file, "new");
    EXPECT_EQ(FileOperations::readFile(file), "new");
    EXPECT_EQ(std::distance(fs::directory_iterator(folder.path()), fs::directory_iterator()), 1);

    EXPECT_EQ(FileOperations::readFile(folder / "missing"), std::nullopt);
    EXPECT_THROW(FileOperations::replaceAtomically(folder / "no folder/history.json", "x"), PlatformError);
    EXPECT_THROW(FileOperations::readFile(folder.path()), PlatformError); // a folder is no file
}

} // namespace
} // namespace tarnwick::testing
