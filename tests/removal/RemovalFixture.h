#pragma once

#include "catalogue/InstalledApp.h"
#include "platform/Location.h"
#include "platform/Platform.h"
#include "platform/PlatformError.h"
#include "removal/AdminLaunch.h"
#include "removal/AdminRunner.h"
#include "removal/MacTrash.h"
#include "removal/TrashError.h"
#include "removal/TrashManager.h"
#include "residuals/ResidualItem.h"
#include "support/TemporaryFolder.h"
#include "support/TestPlatform.h"

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <unistd.h>
#include <vector>

namespace tarnwick {
// Readable pairs in test failures.
inline void PrintTo(const TrashPair& pair, std::ostream* out) {
    *out << pair.originalPath << " -> " << pair.trashPath;
}
} // namespace tarnwick

namespace tarnwick::testing {

// Stands in for the administrator prompt: starts the real helper as the current user, or refuses as a
// cancelled prompt would.
class HelperAdminRunner : public AdminRunner {
public:
    struct Log {
        int runs = 0;
        AdminRequest lastRequest;
        std::function<void()> whileAsking; // runs while the prompt would be open
    };

    explicit HelperAdminRunner(std::shared_ptr<Log> log, std::optional<std::string> refusal = std::nullopt)
        : log_(std::move(log))
        , refusal_(std::move(refusal)) {}

    AdminOutcome run(const AdminRequest& request) override {
        ++log_->runs;
        log_->lastRequest = request;
        if (log_->whileAsking) {
            log_->whileAsking();
        }
        if (refusal_) {
            return {false, *refusal_, {}};
        }
        return AdminLaunch::direct(TARNWICK_ADMIN_HELPER_PATH, request);
    }

private:
    std::shared_ptr<Log> log_;
    std::optional<std::string> refusal_;
};

// A chosen finding at `location`.
inline ResidualItem item(const std::filesystem::path& location, std::int64_t size = 0) {
    return ResidualItem{location, size, ResidualCategory::other, MatchConfidence::exact, "", true};
}

// A request to the administrator helper as the removal makes it, from this process, for a Mac whose disk is
// `root`, with the user's home at `home` and the helper's ledger at `ledger`.
inline AdminRequest adminRequest(const std::filesystem::path& root, const std::filesystem::path& home,
                                 const std::filesystem::path& lock, const std::filesystem::path& ledger,
                                 std::vector<AdminRequest::Move> moves,
                                 AdminRequest::Action action = AdminRequest::Action::moveToTrash) {
    return {action,
            ::getpid(),
            lock,
            ::getuid(),
            {home, {}, root, FolderLayout::macOS, home / ".Trash", ledger},
            home / ".Trash",
            "Tarnwick-App-1",
            std::move(moves)};
}

// How the Finder refuses an item the user may not move: a Cocoa error over a POSIX one.
inline PlatformError permissionDenied() {
    return PlatformError(std::string(PlatformError::cocoaDomain), 513, "You don't have permission.",
                         std::make_shared<const PlatformError>(std::string(PlatformError::posixDomain),
                                                               EACCES, "Permission denied"));
}

// The Trash of macOS, which calls `beforeMove` as each item is about to move, so that a test can look
// around or interfere at that moment.
class WatchedTrash : public MacTrash {
public:
    WatchedTrash(std::filesystem::path folder, std::function<void()> beforeMove)
        : MacTrash(std::move(folder))
        , beforeMove_(std::move(beforeMove)) {}

    void moveTo(const OpenFolder& from, std::string_view name, const std::filesystem::path& item,
                const std::filesystem::path& place) override {
        beforeMove_();
        MacTrash::moveTo(from, name, item, place);
    }

private:
    std::function<void()> beforeMove_;
};

// The Trash of macOS, except that the chosen items fail with the given errors, on the way out and on the
// way back.
class FailingTrash : public MacTrash {
public:
    FailingTrash(std::filesystem::path folder, std::map<std::filesystem::path, PlatformError> failures)
        : MacTrash(std::move(folder))
        , failures_(std::move(failures)) {}

    void moveTo(const OpenFolder& from, std::string_view name, const std::filesystem::path& item,
                const std::filesystem::path& place) override {
        if (const auto failure = failures_.find(item); failure != failures_.end()) {
            throw failure->second;
        }
        MacTrash::moveTo(from, name, item, place);
    }

    void moveBack(const OpenFolder& from, std::string_view name, const OpenFolder& to,
                  std::string_view toName) override {
        if (const auto failure = failures_.find(to.path() / toName); failure != failures_.end()) {
            throw failure->second;
        }
        MacTrash::moveBack(from, name, to, toName);
    }

private:
    std::map<std::filesystem::path, PlatformError> failures_;
};

// A Mac in a temporary folder, with a Trash, one application and a manager whose administrator
// prompt runs its command unprivileged.
class RemovalFixture : public ::testing::Test {
protected:
    TemporaryFolder folder;
    Platform platform = makeTestPlatform(folder);
    std::filesystem::path home = platform.home();
    std::filesystem::path trashFolder = home / ".Trash";
    std::shared_ptr<HelperAdminRunner::Log> adminLog = std::make_shared<HelperAdminRunner::Log>();
    InstalledApp app{
        platform.system("/Applications/Notes.app"), "Notes", "com.example.notes", "1.0", 0, false};

    void SetUp() override { std::filesystem::create_directories(trashFolder); }

    TrashManager manager(std::map<std::filesystem::path, PlatformError> failures = {},
                         std::optional<std::string> adminRefusal = std::nullopt) const {
        return TrashManager(platform, std::make_unique<FailingTrash>(trashFolder, std::move(failures)),
                            std::make_unique<HelperAdminRunner>(adminLog, std::move(adminRefusal)));
    }

    // Writes a file at a path given as the Mac names it ("~/..." below the home, "/..." below the root).
    std::filesystem::path file(const std::string& macPath, const std::string& contents = "data") const {
        const std::filesystem::path location = at(macPath);
        std::filesystem::create_directories(location.parent_path());
        std::ofstream(location, std::ios::binary) << contents;
        return location;
    }

    std::filesystem::path at(const std::string& macPath) const {
        return macPath.starts_with("~/") ? home / macPath.substr(2) : platform.system(macPath);
    }
};

} // namespace tarnwick::testing
