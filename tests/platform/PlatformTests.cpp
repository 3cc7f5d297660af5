#include "platform/Platform.h"
#include "platform/PlatformError.h"
#include "support/TemporaryFolder.h"

#include <array>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <optional>
#include <string>

namespace tarnwick {
namespace {

namespace fs = std::filesystem;

// Sets environment variables for one test and puts the old values back afterwards.
class ScopedEnvironment {
public:
    ~ScopedEnvironment() {
        for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
            if (it->second) {
                setenv(it->first.c_str(), it->second->c_str(), 1);
            } else {
                unsetenv(it->first.c_str());
            }
        }
    }
    void set(const std::string& name, const std::optional<std::string>& value) {
        const char* old = std::getenv(name.c_str());
        saved_.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
        if (value) {
            setenv(name.c_str(), value->c_str(), 1);
        } else {
            unsetenv(name.c_str());
        }
    }

private:
    std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

TEST(PlatformTest, CurrentReadsHomeAndTemporaryFolderFromTheEnvironment) {
    ScopedEnvironment environment;
    environment.set("HOME", "/Users/tester/");
    environment.set("TMPDIR", "/private/var/folders/ab/cd/T/");
    environment.set("XDG_DATA_HOME", "/data/home");
    const Platform platform = Platform::current();

    EXPECT_EQ(platform.home(), fs::path("/Users/tester"));
    EXPECT_EQ(platform.temporaryFolder(), fs::path("/private/var/folders/ab/cd/T"));
    EXPECT_EQ(platform.perUserCacheFolder(), fs::path("/private/var/folders/ab/cd/C"));
    EXPECT_TRUE(platform.systemRoot().empty());
    EXPECT_EQ(platform.system("/Library/Caches/"), fs::path("/Library/Caches"));
#ifdef __APPLE__
    EXPECT_EQ(platform.applicationSupportFolder(), fs::path("/Users/tester/Library/Application Support"));
#else
    EXPECT_EQ(platform.applicationSupportFolder(), fs::path("/data/home"));
#endif
}

TEST(PlatformTest, MissingHomeFallsBackToThePasswordDatabase) {
    ScopedEnvironment environment;
    environment.set("HOME", std::nullopt);
    environment.set("TMPDIR", std::nullopt);
    const Platform platform = Platform::current();

    EXPECT_TRUE(platform.home().is_absolute());
    EXPECT_FALSE(platform.temporaryFolder().empty());
}

TEST(PlatformTest, FreedesktopLayoutIgnoresARelativeDataHome) {
    Platform::Folders folders;
    folders.home = "/home/me";
    folders.layout = FolderLayout::freedesktop;
    folders.xdgDataHome = "relative/share";
    EXPECT_EQ(Platform(folders).applicationSupportFolder(), fs::path("/home/me/.local/share"));
    EXPECT_EQ(Platform(folders).cachesFolder(), fs::path("/home/me/.cache"));
}

TEST(PlatformTest, RootedSystemFindsTheUsersFoldersInsideTheRoot) {
    testing::TemporaryFolder root;
    fs::create_directories(root / "Users/Shared");
    fs::create_directories(root / "Users/alice");
    fs::create_directories(root / "private/var/folders/q1/zz9/T");
    const Platform platform = Platform::rooted(root.path() / "./");

    EXPECT_EQ(platform.systemRoot(), root.path());
    EXPECT_EQ(platform.home(), root / "Users/alice");
    EXPECT_EQ(platform.temporaryFolder(), root / "private/var/folders/q1/zz9/T");
    EXPECT_EQ(platform.layout(), FolderLayout::macOS);
    EXPECT_EQ(platform.applicationSupportFolder(), root / "Users/alice/Library/Application Support");
    EXPECT_EQ(platform.system("/Library/Caches"), root / "Library/Caches");
    EXPECT_EQ(platform.system("/"), root.path());
    EXPECT_EQ(platform.pathOnSystem(root / "Library/Caches/x"), fs::path("/Library/Caches/x"));
    EXPECT_EQ(platform.pathOnSystem(root.path()), fs::path("/"));
    EXPECT_EQ(platform.pathOnSystem(root.path().string() + "x/Library"),
              fs::path(root.path().string() + "x/Library"));
}

TEST(PlatformTest, RootedHomeIsTheNamedUsersElseTheLoginsAndNeverAGuess) {
    testing::TemporaryFolder root;
    fs::create_directories(root / "Users/alice");
    fs::create_directories(root / "Users/bob");
    ScopedEnvironment environment;
    for (const auto& [login, user, home] :
         std::vector<std::array<std::string, 3>>{{"bob", "", "bob"},
                                                 {"tester", "alice", "alice"},
                                                 {"tester", "", ""},
                                                 {"bob", "carol", ""},
                                                 {"tester", "../Users/alice", ""}}) {
        environment.set("USER", login);
        if (home.empty()) {
            EXPECT_THROW(Platform::rooted(root.path(), user), HomeChoiceError) << login << " " << user;
        } else {
            EXPECT_EQ(Platform::rooted(root.path(), user).home(), root / "Users" / home);
        }
    }
}

TEST(PlatformTest, LanguagesComeFromTheLocaleEnvironment) {
    ScopedEnvironment environment;
    environment.set("LC_ALL", std::nullopt);
    environment.set("LC_MESSAGES", std::nullopt);
    environment.set("LANG", "de_CH.UTF-8");
    environment.set("LANGUAGE", "fr:de_CH");
    EXPECT_EQ(Platform::languagesFromEnvironment(), (std::vector<std::string>{"fr", "de_CH"}));

    environment.set("LANG", "C");
    EXPECT_TRUE(Platform::languagesFromEnvironment().empty());
}

// LANG, which a Mac's terminal sets by itself, follows the system's list; what the user set on purpose
// comes before it.
TEST(PlatformTest, LanguagesChosenInTheEnvironmentComeBeforeTheSystemsAndLangAfter) {
    ScopedEnvironment environment;
    environment.set("LC_MESSAGES", std::nullopt);
    environment.set("LANGUAGE", std::nullopt);
    environment.set("LC_ALL", std::nullopt);
    environment.set("LANG", std::nullopt);
    const std::vector<std::string> system{"fr-FR", "de-CH"};
    EXPECT_EQ(Platform::userLanguages(system), system);
    environment.set("LANG", "de_CH.UTF-8");
    EXPECT_EQ(Platform::userLanguages(system), (std::vector<std::string>{"fr-FR", "de-CH", "de_CH"}));
    environment.set("LC_ALL", "it_IT.UTF-8");
    EXPECT_EQ(Platform::userLanguages(system), (std::vector<std::string>{"it_IT", "fr-FR", "de-CH"}));
}

TEST(PlatformErrorTest, FindsCodesThroughUnderlyingErrors) {
    const auto posix = std::make_shared<PlatformError>(PlatformError::fromErrno(13, "move", "/x"));
    const PlatformError cocoa(std::string(PlatformError::cocoaDomain), 513, "You don't have permission.",
                              posix);

    EXPECT_TRUE(cocoa.hasCode(PlatformError::cocoaDomain, 513));
    EXPECT_TRUE(cocoa.hasCode(PlatformError::posixDomain, 13));
    EXPECT_FALSE(cocoa.hasCode(PlatformError::posixDomain, 1));
    EXPECT_NE(posix->message().find("\"/x\""), std::string::npos);
}

} // namespace
} // namespace tarnwick
