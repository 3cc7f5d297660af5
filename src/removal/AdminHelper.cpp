#include "removal/AdminHelper.h"

#include "catalogue/InstalledApp.h"
#include "catalogue/RemovalPolicy.h"
#include "formats/PropertyList.h"
#include "platform/FileDescriptor.h"
#include "platform/Location.h"
#include "platform/OpenFolder.h"
#include "platform/PlatformError.h"
#include "removal/AdminLedger.h"
#include "removal/AdminProtocol.h"
#include "removal/Launchctl.h"
#include "removal/TrashLocation.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#ifdef __APPLE__
#include <sys/sysctl.h>
#endif

namespace tarnwick::AdminHelper {

namespace fs = std::filesystem;

namespace {

using Result = AdminItemOutcome::Result;

// Refuses the whole request.
struct Refusal {
    std::string message;
};

AdminItemOutcome failed(std::string message) {
    return {Result::failed, std::move(message)};
}

std::string inQuotes(const fs::path& path) {
    return "\"" + path.string() + "\"";
}

// Runs `work` with the effective user and group of `user`, so that what it opens and creates is done
// with that user's rights and is theirs from the start: a folder chowned afterwards could have been
// swapped for another by then. Without superuser rights it just runs `work`.
template <typename Work> auto actingAs(uid_t user, Work&& work) {
    if (::geteuid() != 0 || user == 0) {
        return work();
    }
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

// Where the requester's files are, as far as the helper may know.
struct Setting {
    Platform platform;
    fs::path homeTrash;
    fs::path ledger;
};

Setting settingFor(const AdminRequest& request, const Authority& authority) {
    const AdminRequest::Places& places = request.places;
    if (authority.believesPlaces) {
        Platform::Folders folders;
        folders.home = places.home;
        folders.temporary = places.temporary;
        folders.systemRoot = places.systemRoot;
        folders.layout = places.layout;
        return {Platform(std::move(folders)), places.homeTrash, places.ledger};
    }
    if (!places.systemRoot.empty()) {
        throw Refusal{"The administrator step works only on the disk this system runs from."};
    }
    const passwd* account = ::getpwuid(authority.requester);
    if (account == nullptr || account->pw_dir == nullptr || account->pw_dir[0] != '/') {
        throw Refusal{"User " + std::to_string(authority.requester) + " has no home folder on this system."};
    }
    Platform::Folders folders;
    folders.home = Location::standardized(account->pw_dir);
#ifdef __APPLE__
    folders.layout = FolderLayout::macOS;
#else
    folders.layout = FolderLayout::freedesktop;
#endif
    Platform platform(std::move(folders));
    fs::path homeTrash = TrashLocation::home(platform);
    return {std::move(platform), std::move(homeTrash), fs::path(AdminProtocol::systemLedgerFolder)};
}

// The Trash the rules give the requester for an item in `folder` on `mount`.
fs::path trashFor(const Setting& setting, const fs::path& folder, const MountIdentity& mount,
                  uid_t requester) {
    return TrashLocation::forItem(setting.homeTrash, setting.platform.layout(), folder, mount, requester);
}

// Why `path` is no place to take an item from or put one back to, for this user; nothing when it is.
std::optional<std::string> refusalOf(const fs::path& path, const RemovalPolicy& policy, uid_t requester) {
    if (!path.is_absolute() || Location::standardized(path).native() != path.native()) {
        return inQuotes(path) + " is not a plain absolute path.";
    }
    if (!policy.allows(path)) {
        return inQuotes(path) + " is not in a place where applications keep their files for user " +
               std::to_string(requester) + ".";
    }
    return std::nullopt;
}

// Locks the file the removal made for the helper, opened with the requester's rights only, so that
// whoever opens the history meanwhile sees that this step may still move items.
FileDescriptor takeLock(const fs::path& lockFile, uid_t requester) {
    FileDescriptor lock = actingAs(requester, [&] {
        return FileDescriptor(::open(lockFile.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    });
    struct stat status {};
    if (!lockFile.is_absolute() || !lock.isOpen() || ::fstat(lock.get(), &status) != 0 ||
        !S_ISREG(status.st_mode) || status.st_uid != requester) {
        throw Refusal{"The lock file " + inQuotes(lockFile) + " is missing or not the asker's."};
    }
    int result = 0;
    while ((result = ::flock(lock.get(), LOCK_EX | LOCK_NB)) != 0 && errno == EINTR) {
    }
    if (result != 0) {
        throw Refusal{"Another administrator step for the same removal is running."};
    }
    return lock;
}

OpenFolder createBatchFolder(const OpenFolder& trash, const std::string& name, uid_t owner) {
    return actingAs(owner, [&] {
        // Exactly 0700, whatever mask the helper was started with.
        const mode_t mask = ::umask(077);
        try {
            OpenFolder folder = trash.createChild(name, 0700);
            ::umask(mask);
            return folder;
        } catch (...) {
            ::umask(mask);
            throw;
        }
    });
}

// The Trash folder the request names, reached without a link, the requester's, and the one the rules
// give them for that disk.
OpenFolder openTrash(const AdminRequest& request, const Setting& setting, uid_t requester) {
    OpenFolder trash = OpenFolder::withoutLinks(request.trashFolder);
    if (trash.owner() != requester) {
        throw Refusal{"The Trash folder " + inQuotes(request.trashFolder) + " does not belong to user " +
                      std::to_string(requester) + "."};
    }
    if (trashFor(setting, request.trashFolder, trash.mount(), requester) != request.trashFolder) {
        throw Refusal{inQuotes(request.trashFolder) + " is not the Trash of user " +
                      std::to_string(requester) + " on its disk."};
    }
    const std::string& name = request.batchFolderName;
    if (!Location::isSingleComponent(name) || !name.starts_with(AdminProtocol::batchFolderPrefix)) {
        throw Refusal{"\"" + name + "\" is not the name of a batch folder."};
    }
    return trash;
}

// The batch folder, made by the helper or found: either way a folder of the requester's, reached without
// a link.
OpenFolder batchFolder(const OpenFolder& trash, const AdminRequest& request, bool create) {
    std::optional<OpenFolder> batch;
    if (create) {
        try {
            batch = createBatchFolder(trash, request.batchFolderName, request.owner);
        } catch (const PlatformError& error) {
            if (!error.hasCode(PlatformError::posixDomain, EEXIST)) {
                throw;
            }
        }
    }
    if (!batch) {
        batch = trash.child(request.batchFolderName);
    }
    if (batch->owner() != request.owner) {
        throw Refusal{"The batch folder " + inQuotes(batch->path()) + " does not belong to user " +
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

// When a daemon that could not be stopped stops, or one that could not be started starts, by itself.
constexpr std::string_view daemonsStopAt = "the Mac restarts";
constexpr std::string_view daemonsStartAt = "the Mac next starts up";

// A daemon stopped before its list moves: the list it was read from, and its label.
struct StoppedJob {
    ItemIdentity list;
    std::string label;
};

// The label of the daemon whose list `name` is in `folder`, read by the helper itself from the file it
// opened there, a link not followed, and only in the system's folder of daemons; `read` is set to that
// file. Nothing for any other item, and for a list that names no label.
std::optional<std::string> daemonLabel(const Setting& setting, const OpenFolder& folder, const fs::path& list,
                                       ItemIdentity& read) {
    const fs::path daemons = Location::standardized(setting.platform.system("/Library/LaunchDaemons"));
    if (list.extension() != ".plist" || list.parent_path() != daemons) {
        return std::nullopt;
    }
    try {
        const auto bytes = folder.readFile(list.filename().native(), PropertyList::largestFile, &read);
        const auto plist = bytes ? PropertyList::parse(*bytes) : std::nullopt;
        return plist ? Launchctl::labelIn(*plist) : std::nullopt;
    } catch (const PlatformError&) {
        return std::nullopt; // a link, or no plain file: no job is stopped for it
    }
}

// Stops the daemon whose list is the source of `move`, when launchd runs it from that very list; never a
// label or a command the request names. Adds a line to `notes` for one that could not be stopped.
std::optional<StoppedJob> stopDaemon(const AdminRequest::Move& move, const Setting& setting,
                                     CommandRunner& launchctl, std::vector<std::string>& notes) {
    std::optional<OpenFolder> folder;
    try {
        folder = OpenFolder::withoutLinks(move.path.parent_path());
    } catch (const PlatformError&) {
        return std::nullopt; // its move fails and says why
    }
    ItemIdentity list;
    const auto label = daemonLabel(setting, *folder, move.path, list);
    if (!label || !Launchctl::runsFrom(launchctl, "system/" + *label, move.path.string())) {
        return std::nullopt;
    }
    const Launchctl::Answer answer =
        Launchctl::run(launchctl, {"bootout", "system/" + *label}, Launchctl::notLoaded);
    if (answer.failure) {
        notes.push_back(Launchctl::couldNotStop(move.path.string(), *label, *answer.failure, daemonsStopAt));
        return std::nullopt;
    }
    if (answer.wasNotLoaded) {
        return std::nullopt;
    }
    return StoppedJob{list, *label};
}

// Starts the daemon whose list is at `list` in `folder`, as the list read there names it: once it is
// back, or when a list whose daemon was stopped did not move after all. Says whether it did, with a line
// in `notes` when it could not.
bool startDaemon(const Setting& setting, const OpenFolder& folder, const fs::path& list,
                 const ItemIdentity& expected, const std::string& expectedLabel, CommandRunner& launchctl,
                 std::vector<std::string>& notes) {
    ItemIdentity read;
    const auto label = daemonLabel(setting, folder, list, read);
    std::optional<std::string> failure;
    if (!label || *label != expectedLabel || !read.isSameObject(expected)) {
        failure = "the list is not the one it was stopped from";
    } else {
        failure = Launchctl::run(launchctl, {"bootstrap", "system", list.string()}).failure;
    }
    if (failure) {
        notes.push_back(Launchctl::couldNotStart(list.string(), expectedLabel, *failure, daemonsStartAt));
        return false;
    }
    return true;
}

AdminItemOutcome moveToBatch(const AdminRequest::Move& move, const OpenFolder& batch, AdminLedger& ledger,
                             const Setting& setting, const AdminRequest& request,
                             const std::optional<StoppedJob>& stopped) {
    const std::string name = move.path.filename().string();
    std::optional<OpenFolder> folder;
    std::optional<ItemIdentity> identity;
    try {
        folder = OpenFolder::withoutLinks(move.path.parent_path());
        identity = folder->itemIdentity(name);
        if (!identity) {
            return {Result::missing, {}};
        }
        // Checked again on the folder that is open: what is judged is what moves.
        const MountIdentity folderMount = folder->mount();
        if (const auto itemMount = folder->itemMount(name);
            itemMount && !itemMount->isSameMount(folderMount)) {
            return failed(inQuotes(move.path) + " is where another disk is mounted.");
        }
        if (trashFor(setting, move.path.parent_path(), folderMount, request.owner) != request.trashFolder) {
            return failed(inQuotes(move.path) + " does not belong in the Trash " +
                          inQuotes(request.trashFolder) + ".");
        }
        if (batch.itemIdentity(move.batchName)) {
            return failed("Could not move " + inQuotes(move.path) + ": an item named \"" + move.batchName +
                          "\" is already in the batch folder.");
        }
        // Written before the move: a list in the Trash always has its stopped daemon in the ledger.
        const bool stoppedThis = stopped && stopped->list.isSameObject(*identity);
        ledger.record({move.batchName, move.path.string(), *identity, stoppedThis ? stopped->label : ""});
    } catch (const PlatformError& error) {
        if (error.hasCode(PlatformError::posixDomain, ENOENT)) {
            return {Result::missing, {}};
        }
        return failed(error.message());
    }
    try {
        folder->moveWithoutReplacing(name, batch, move.batchName);
    } catch (const PlatformError& error) {
        if (error.hasCode(PlatformError::posixDomain, EEXIST)) {
            return failed("Could not move " + inQuotes(move.path) + ": an item named \"" + move.batchName +
                          "\" is already in the batch folder.");
        }
        // ENOENT also comes from a batch folder removed meanwhile: only an empty source is missing.
        if (error.hasCode(PlatformError::posixDomain, ENOENT) && nothingAt(*folder, name)) {
            return {Result::missing, {}};
        }
        return failed(error.message());
    }
    // Swapped between the look and the move: the record names what did move.
    try {
        if (const auto moved = batch.itemIdentity(move.batchName); moved && !moved->isSameObject(*identity)) {
            ledger.record({move.batchName, move.path.string(), *moved});
        }
    } catch (const PlatformError&) {
        // The item stays in the Trash; only the way back through this helper is lost for it.
    }
    return {Result::moved, {}};
}

AdminItemOutcome putBackFromBatch(const AdminRequest::Move& move, const OpenFolder& batch,
                                  AdminLedger& ledger, const RemovalPolicy& policy, uid_t requester,
                                  const Setting& setting, CommandRunner& launchctl) {
    AdminItemOutcome outcome{Result::moved, {}};
    const AdminLedger::Entry* entry = ledger.find(move.batchName);
    if (entry == nullptr) {
        return failed(inQuotes(move.path) + ": the administrator step did not move \"" + move.batchName +
                      "\" into the Trash.");
    }
    if (entry->originalPath != move.path.string()) {
        return failed(inQuotes(move.path) + ": the administrator step took that item from " +
                      inQuotes(entry->originalPath) + ".");
    }
    try {
        const auto present = batch.itemIdentity(move.batchName);
        if (!present) {
            return {Result::missing, {}};
        }
        if (!present->isSameObject(entry->item)) {
            return failed(inQuotes(move.path) +
                          ": the item in the Trash is not the one the administrator step "
                          "moved there.");
        }
        // Folders of the system are not made again with administrator rights: a missing one fails.
        const OpenFolder folder = OpenFolder::throughSystemLinks(move.path.parent_path());
        if (auto refusal = refusalOf(move.path, policy, requester)) {
            return failed(std::move(*refusal));
        }
        const std::string name = move.path.filename().string();
        if (folder.itemIdentity(name)) {
            return failed("Already exists: " + move.path.string());
        }
        batch.moveWithoutReplacing(move.batchName, folder, name);
        // The daemon this helper stopped, as its own ledger says, from the list now back in its place.
        if (!entry->job.empty() &&
            startDaemon(setting, folder, move.path, entry->item, entry->job, launchctl, outcome.notes)) {
            outcome.job = entry->job;
        }
    } catch (const PlatformError& error) {
        if (error.hasCode(PlatformError::posixDomain, EEXIST)) {
            return failed("Already exists: " + move.path.string());
        }
        return failed(inQuotes(move.path) + ": " + error.message());
    }
    try {
        ledger.forget(move.batchName);
    } catch (const PlatformError&) {
        // The item is back; an entry left over matches nothing in the Trash.
    }
    return outcome;
}

// Starts again the daemon of a list that did not move after all, in its place.
void restartUnmoved(const AdminRequest::Move& move, const StoppedJob& stopped, const Setting& setting,
                    CommandRunner& launchctl, std::vector<std::string>& notes) {
    try {
        const OpenFolder folder = OpenFolder::withoutLinks(move.path.parent_path());
        startDaemon(setting, folder, move.path, stopped.list, stopped.label, launchctl, notes);
    } catch (const PlatformError& error) {
        notes.push_back(
            Launchctl::couldNotStart(move.path.string(), stopped.label, error.message(), daemonsStartAt));
    }
}

std::optional<std::string> carryOut(const AdminRequest& request, const Authority& authority,
                                    std::ostream& output, CommandRunner& launchctl) {
    const uid_t requester = authority.requester;
    const Setting setting = settingFor(request, authority);
    const RemovalPolicy policy(setting.platform, InstalledApp{},
                               {setting.homeTrash, request.trashFolder, setting.ledger});
    const bool movingToTrash = request.action == AdminRequest::Action::moveToTrash;
    for (const AdminRequest::Move& move : request.moves) {
        if (!Location::isSingleComponent(move.batchName)) {
            return "\"" + move.batchName + "\" is not a name in a batch folder.";
        }
        if (!movingToTrash) {
            continue; // each way back is judged by what the ledger holds
        }
        // Every source is judged before anything moves.
        if (auto refusal = refusalOf(move.path, policy, requester)) {
            return refusal;
        }
        if (Location::resolvedButLast(move.path) != move.path) {
            return inQuotes(move.path) + " leads through a link.";
        }
        if (const auto mount = MountIdentity::at(move.path.parent_path())) {
            const fs::path trash = trashFor(setting, move.path.parent_path(), *mount, requester);
            if (trash != request.trashFolder) {
                return inQuotes(move.path) + " belongs in the Trash " + inQuotes(trash) + ", not in " +
                       inQuotes(request.trashFolder) + ".";
            }
        }
    }
    if (request.moves.empty()) {
        return std::nullopt;
    }
    const OpenFolder trash = openTrash(request, setting, requester);
    const OpenFolder batch = batchFolder(trash, request, movingToTrash);
    const OpenFolder ledgerFolder = AdminLedger::openFolder(setting.ledger, requester);
    AdminLedger ledger(ledgerFolder, request.batchFolderName);
    // Every daemon of the batch is stopped before anything moves, so that none runs on from the Trash,
    // not even from a helper tool of its own that moves first.
    std::vector<std::optional<StoppedJob>> stopped(request.moves.size());
    std::vector<std::vector<std::string>> notes(request.moves.size());
    for (std::size_t index = 0; movingToTrash && index < request.moves.size(); ++index) {
        if (!authority.askerIsWaiting()) {
            break; // nothing moves below either
        }
        stopped[index] = stopDaemon(request.moves[index], setting, launchctl, notes[index]);
    }
    for (std::size_t index = 0; index < request.moves.size(); ++index) {
        const AdminRequest::Move& move = request.moves[index];
        if (!authority.askerIsWaiting()) {
            // What stays where it was runs again from there.
            for (; index < request.moves.size(); ++index) {
                if (stopped[index]) {
                    std::vector<std::string> ignored;
                    restartUnmoved(request.moves[index], *stopped[index], setting, launchctl, ignored);
                }
            }
            return std::string("The program that asked is gone; nothing more was moved.");
        }
        AdminItemOutcome outcome =
            movingToTrash ? moveToBatch(move, batch, ledger, setting, request, stopped[index])
                          : putBackFromBatch(move, batch, ledger, policy, requester, setting, launchctl);
        if (stopped[index]) {
            // Said stopped only as the ledger has it, which a restore goes by: not for another object
            // that took the list's name meanwhile.
            const AdminLedger::Entry* entry = ledger.find(move.batchName);
            if (outcome.result != Result::moved) {
                restartUnmoved(move, *stopped[index], setting, launchctl, notes[index]);
            } else if (entry != nullptr && entry->job == stopped[index]->label) {
                outcome.job = entry->job;
            }
        }
        outcome.notes.insert(outcome.notes.begin(), notes[index].begin(), notes[index].end());
        // Move by move, so that what was done is known even when the helper is stopped halfway.
        output << AdminProtocol::lines(outcome) << std::flush;
    }
    return std::nullopt;
}

#ifdef __APPLE__
struct ProcessFacts {
    pid_t parent = 0;
    uid_t realUser = 0;
};

std::optional<ProcessFacts> factsOf(pid_t process) {
    int name[] = {CTL_KERN, KERN_PROC, KERN_PROC_PID, process};
    struct kinfo_proc info {};
    size_t size = sizeof info;
    if (::sysctl(name, 4, &info, &size, nullptr, 0) != 0 || size == 0) {
        return std::nullopt;
    }
    return ProcessFacts{info.kp_eproc.e_ppid, info.kp_eproc.e_pcred.p_ruid};
}

// The script runner's administrator prompt starts the helper through processes of root's own: the
// first ancestor that is not root's is the one that asked.
std::optional<uid_t> firstUserAncestor() {
    pid_t process = ::getppid();
    for (int step = 0; step < 32 && process > 1; ++step) {
        const auto facts = factsOf(process);
        if (!facts) {
            return std::nullopt;
        }
        if (facts->realUser != 0) {
            return facts->realUser;
        }
        process = facts->parent;
    }
    return std::nullopt;
}
#endif

} // namespace

Caller thisCaller() {
    Caller caller{::getuid(), ::geteuid(), {}};
#ifdef __APPLE__
    if (const auto user = firstUserAncestor()) {
        caller.authorisedUser = std::to_string(*user);
    }
#else
    if (const char* value = std::getenv("PKEXEC_UID")) {
        caller.authorisedUser = value;
    }
#endif
    return caller;
}

std::optional<uid_t> requester(const Caller& caller) {
    if (caller.effectiveUser != 0 || caller.realUser != 0) {
        return caller.realUser;
    }
    if (caller.authorisedUser) {
        return AdminProtocol::userNumber(*caller.authorisedUser);
    }
    // Started by root itself, with no authorisation step between: root asks for root.
    return uid_t{0};
}

bool isWaiting(pid_t parent) {
#ifdef __APPLE__
    pid_t process = ::getppid();
    for (int step = 0; step < 32 && process > 1; ++step) {
        if (process == parent) {
            return true;
        }
        const auto facts = factsOf(process);
        if (!facts) {
            return false;
        }
        process = facts->parent;
    }
    return false;
#else
    return parent > 1 && ::getppid() == parent;
#endif
}

std::optional<std::string> run(const AdminRequest& request, const Authority& authority, std::ostream& output,
                               CommandRunner& launchctl) {
    if (authority.requester != request.owner) {
        return "The request is for user " + std::to_string(request.owner) + " but came from user " +
               std::to_string(authority.requester) + ".";
    }
    try {
        // Locked first and the asker checked after: whoever finds the lock free finds the asker gone.
        const FileDescriptor lock = takeLock(request.lockFile, authority.requester);
        if (!authority.askerIsWaiting()) {
            return std::string("The program that asked is gone; nothing was moved.");
        }
        return carryOut(request, authority, output, launchctl);
    } catch (const PlatformError& error) {
        return error.message();
    } catch (const Refusal& refusal) {
        return refusal.message;
    }
}

int main(const std::vector<std::string>& arguments, const Caller& caller, std::ostream& output,
         std::ostream& errors) {
    const std::optional<AdminRequest> request = AdminProtocol::request(arguments);
    if (!request) {
        errors
            << "usage: " << AdminProtocol::helperName
            << " move-to-trash|put-back <process> <lock file> <owner user number> <home> <temporary folder>"
               " <system root> macOS|freedesktop <home Trash> <ledger folder> <Trash folder>"
               " <batch folder name> [<path> <name in batch>]...\n";
        return 2;
    }
    const std::optional<uid_t> asker = requester(caller);
    if (!asker) {
        errors << "The request was refused: the system did not say which user made it.\n";
        return 1;
    }
    const Authority authority{*asker, caller.effectiveUser == *asker,
                              [parent = request->parent] { return isWaiting(parent); }};
    const std::unique_ptr<CommandRunner> launchctl = Launchctl::runnerForThisSystem();
    if (const std::optional<std::string> refusal = run(*request, authority, output, *launchctl)) {
        errors << "The request was refused: " << AdminProtocol::printable(*refusal) << '\n';
        return 1;
    }
    return 0;
}

} // namespace tarnwick::AdminHelper
