#include "platform/Platform.h"
#include "platform/PlatformError.h"
#include "support/TemporaryFolder.h"

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

TEST(PlatformTest, RootedHomeIsTheNamedUsersOrTheLoginsOrTheOnlyOne) {
    ScopedEnvironment environment;
    environment.set("USER", "tester");
    const struct {
        std::vector<std::string> folders;
        std::string user;
        std::optional<std::string> home; // nothing: no home can be told
    } cases[] = {
        {{"alice"}, "", "alice"},
        {{"alice", "bob", "tester"}, "", "tester"},
        {{"alice", "bob"}, "", std::nullopt},
        {{}, "", "tester"}, // nothing to choose from: the login's, as a Mac would make it
        {{"alice", "bob"}, "bob", "bob"},
        {{"alice", "bob"}, "carol", std::nullopt},
        {{"alice"}, "Shared", std::nullopt},
        {{"alice"}, "../Users/alice", std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.folders) + " " + c.user);
        testing::TemporaryFolder root;
        fs::create_directories(root / "Users/Shared");
        for (const auto& name : c.folders) {
            fs::create_directories(root / "Users" / name);
        }
        if (c.home) {
            EXPECT_EQ(Platform::rooted(root.path(), c.user).home(), root / "Users" / *c.home);
            continue;
        }
        try {
            Platform::rooted(root.path(), c.user);
            ADD_FAILURE() << "a home was chosen";
        } catch (const HomeChoiceError& error) {
            EXPECT_NE(std::string(error.what()).find("alice"), std::string::npos) << error.what();
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
    const std::vector<std::string> system{"fr-FR", "de-CH"};
    const struct {
        std::optional<std::string> lang, all, language;
        std::vector<std::string> expected;
    } cases[] = {
        {std::nullopt, std::nullopt, std::nullopt, {"fr-FR", "de-CH"}},
        {"de_CH.UTF-8", std::nullopt, std::nullopt, {"fr-FR", "de-CH", "de_CH"}},
        {"de_CH.UTF-8", "it_IT.UTF-8", std::nullopt, {"it_IT", "fr-FR", "de-CH"}},
        {"en_US.UTF-8", std::nullopt, "es:fr-FR", {"es", "fr-FR", "en_US", "de-CH"}},
    };
    for (const auto& c : cases) {
        ScopedEnvironment environment;
        environment.set("LANG", c.lang);
        environment.set("LC_ALL", c.all);
        environment.set("LC_MESSAGES", std::nullopt);
        environment.set("LANGUAGE", c.language);
        EXPECT_EQ(Platform::userLanguages(system), c.expected) << c.lang.value_or("-");
        EXPECT_EQ(Platform::userLanguages({}), Platform::languagesFromEnvironment());
    }
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
