#include "removal/AdminHelper.h"

#include "platform/OpenFolder.h"
#include "platform/PlatformError.h"
#include "removal/AdminProtocol.h"

#include <cerrno>
#include <cstdlib>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tarnwick::AdminHelper {

namespace fs = std::filesystem;

namespace {

using Result = AdminItemOutcome::Result;

// Refuses the whole request.
struct Refusal {
    std::string message;
};

std::string quotedPath(const fs::path& path) {
    return "\"" + path.string() + "\"";
}

// Runs `work` with the effective user and group of `user`, so that what it creates is theirs from the
// start: a folder chowned afterwards could have been swapped for another by then.
template <typename Work> auto actingAs(uid_t user, Work&& work) {
    const passwd* account = ::getpwuid(user);
    if (account == nullptr) {
        throw Refusal{"User " + std::to_string(user) + " has no account on this system."};
    }
    const uid_t ownUser = ::geteuid();
    const gid_t ownGroup = ::getegid();
    if (::setegid(account->pw_gid) != 0 || ::seteuid(user) != 0) {
        const int error = errno;
        [[maybe_unused]] const int restored = ::setegid(ownGroup);
        throw PlatformError::fromErrno(error, "act as user", std::to_string(user));
    }
    const auto restore = [&] {
        if (::seteuid(ownUser) != 0 || ::setegid(ownGroup) != 0) {
            throw Refusal{"The helper could not take its own identity back."};
        }
    };
    try {
        auto result = work();
        restore();
        return result;
    } catch (...) {
        restore();
        throw;
    }
}

OpenFolder createFolder(const OpenFolder& parent, const std::string& name, uid_t owner) {
    const auto create = [&] {
        // Exactly 0700, whatever mask the helper was started with.
        const mode_t mask = ::umask(077);
        try {
            OpenFolder folder = parent.createChild(name, 0700);
            ::umask(mask);
            return folder;
        } catch (...) {
            ::umask(mask);
            throw;
        }
    };
    if (::geteuid() == 0 && owner != 0) {
        return actingAs(owner, create);
    }
    return create();
}

// The batch folder, made by the helper or found: either way a folder of the owner's, reached without a
// link.
OpenFolder batchFolder(const OpenFolder& trash, const AdminRequest& request) {
    std::optional<OpenFolder> batch;
    try {
        batch = createFolder(trash, request.batchFolderName, request.owner);
    } catch (const PlatformError& error) {
        if (!error.hasCode(PlatformError::posixDomain, EEXIST)) {
            throw;
        }
    }
    if (!batch) {
        batch = trash.child(request.batchFolderName);
    }
    if (batch->owner() != request.owner) {
        throw Refusal{"The batch folder " + quotedPath(batch->path()) + " does not belong to user " +
                      std::to_string(request.owner) + "."};
    }
    return std::move(*batch);
}

bool nothingAt(const OpenFolder& folder, const std::string& name) {
    try {
        return !folder.itemIdentity(name);
    } catch (const PlatformError&) {
        return false;
    }
}

AdminItemOutcome move(const AdminRequest::Move& move, const OpenFolder& batch) {
    if (!move.source.is_absolute()) {
        return {Result::failed, quotedPath(move.source) + " is not an absolute path."};
    }
    const std::string name = move.source.filename().string();
    std::optional<OpenFolder> folder;
    try {
        folder = OpenFolder::withoutLinks(move.source.parent_path());
    } catch (const PlatformError& error) {
        if (error.hasCode(PlatformError::posixDomain, ENOENT)) {
            return {Result::missing, {}};
        }
        return {Result::failed, error.message()};
    }
    try {
        folder->moveWithoutReplacing(name, batch, move.batchName);
        return {Result::moved, {}};
    } catch (const PlatformError& error) {
        if (error.hasCode(PlatformError::posixDomain, EEXIST)) {
            return {Result::failed, "Could not move " + quotedPath(move.source) + ": an item named \"" +
                                        move.batchName + "\" is already in the batch folder."};
        }
        // ENOENT also comes from a batch folder removed meanwhile: only an empty source is missing.
        if (error.hasCode(PlatformError::posixDomain, ENOENT) && nothingAt(*folder, name)) {
            return {Result::missing, {}};
        }
        return {Result::failed, error.message()};
    }
}

} // namespace

Caller thisCaller() {
    Caller caller{::getuid(), ::geteuid(), {}, {}};
    if (const char* value = std::getenv("PKEXEC_UID")) {
        caller.pkexecUser = value;
    }
#ifdef __APPLE__
    if (const char* value = std::getenv(std::string(AdminProtocol::requesterVariable).c_str())) {
        caller.namedUser = value;
    }
#endif
    return caller;
}

std::optional<uid_t> requester(const Caller& caller) {
    if (caller.effectiveUser != 0) {
        return caller.realUser;
    }
    if (caller.pkexecUser) {
        return AdminProtocol::userNumber(*caller.pkexecUser);
    }
    if (caller.namedUser) {
        return AdminProtocol::userNumber(*caller.namedUser);
    }
    // Started by root itself, with no authorisation step between: root asks for root.
    if (caller.realUser == 0) {
        return uid_t{0};
    }
    return std::nullopt;
}

std::optional<std::string> run(const AdminRequest& request, uid_t requester, std::ostream& output) {
    if (requester != request.owner) {
        return "The request is for user " + std::to_string(request.owner) + " but came from user " +
               std::to_string(requester) + ".";
    }
    std::optional<OpenFolder> batch;
    try {
        const OpenFolder trash = OpenFolder::withoutLinks(request.trashFolder);
        if (trash.owner() != request.owner) {
            return "The Trash folder " + quotedPath(request.trashFolder) + " does not belong to user " +
                   std::to_string(request.owner) + ".";
        }
        batch = batchFolder(trash, request);
    } catch (const PlatformError& error) {
        return error.message();
    } catch (const Refusal& refusal) {
        return refusal.message;
    }
    for (const AdminRequest::Move& each : request.moves) {
        // Line by line, so that what was done is known even when the helper is stopped halfway.
        output << AdminProtocol::line(move(each, *batch)) << '\n' << std::flush;
    }
    return std::nullopt;
}

int main(const std::vector<std::string>& arguments, const Caller& caller, std::ostream& output,
         std::ostream& errors) {
    const std::optional<AdminRequest> request = AdminProtocol::request(arguments);
    if (!request) {
        errors << "usage: " << AdminProtocol::helperName
               << " <owner user number> <Trash folder> <batch folder name> [<source> <name in batch>]...\n";
        return 2;
    }
    const std::optional<uid_t> asker = requester(caller);
    if (!asker) {
        errors << "The request was refused: the system did not say which user made it.\n";
        return 1;
    }
    if (const std::optional<std::string> refusal = run(*request, *asker, output)) {
        errors << "The request was refused: " << AdminProtocol::printable(*refusal) << '\n';
        return 1;
    }
    return 0;
}

} // namespace tarnwick::AdminHelper
