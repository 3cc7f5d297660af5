#include "removal/RemovalFixture.h"

namespace tarnwick::testing {
namespace {

namespace fs = std::filesystem;

TEST(MacTrashTest, TheTrashIsPrivateALinkMovesAsItselfAndFailuresSayWhatHappened) {
    TemporaryFolder folder;
    MacTrash trash(folder / ".Trash");
    const fs::path target = folder.write("Documents/Letter.txt", "letter");
    fs::create_symlink(target, folder / "link");
    const fs::path moved = trash.moveToTrash(folder / "link");
    EXPECT_TRUE(fs::is_symlink(moved));
    EXPECT_EQ(contentsOf(target), "letter");
    EXPECT_EQ(fs::status(trash.folder()).permissions() & fs::perms::all, fs::perms::owner_all);

    try {
        trash.moveToTrash(folder / "missing");
        FAIL() << "a missing item moved";
    } catch (const PlatformError& error) {
        EXPECT_EQ(error.domain(), PlatformError::cocoaDomain);
        EXPECT_TRUE(error.hasCode(PlatformError::posixDomain, ENOENT));
        EXPECT_NE(error.message().find("\u201Cmissing\u201D"), std::string::npos) << error.message();
    }
}

} // namespace
} // namespace tarnwick::testing
