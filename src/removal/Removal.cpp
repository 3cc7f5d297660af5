#include "removal/Removal.h"

#include "platform/FileOperations.h"
#include "platform/Location.h"
#include "platform/PlatformError.h"
#include "platform/Text.h"
#include "removal/AdministratorBatch.h"
#include "removal/RemovalLock.h"
#include "removal/TrashError.h"

#include <algorithm>
#include <cerrno>
#include <iterator>
#include <map>
#include <set>
#include <unistd.h>

namespace tarnwick {

namespace fs = std::filesystem;

namespace {

// The path as the user knows it: below the home as "~/Library/Caches/…", elsewhere in full. A name alone
// would not do: several findings often share one.
std::string shownPath(const fs::path& home, const fs::path& location) {
    if (!home.empty() && Location::contains(home, location) && location != home) {
        return "~/" + location.lexically_relative(home).string();
    }
    return location.string();
}

// Why an item that is locked stays: no administrator may move it either, so none is asked.
constexpr std::string_view lockedReason =
    "it is locked against changes (its immutable or append-only flag is set). Unlock it, in Finder's Get "
    "Info window on a Mac, then try again.";

bool isLockedInPlace(const fs::path& item) {
    return FileOperations::isLocked(item) || FileOperations::isLocked(item.parent_path());
}

bool isSameObject(const std::optional<ItemIdentity>& present, const ItemIdentity& planned) {
    return present && present->isSameObject(planned);
}

// What the administrator step's answer for the list of a daemon says of its job: stopped, under the
// label the helper read itself, when the list lies in the Trash; not stopped when the helper said it moved
// the list without stopping anything; still only the helper's to tell when it said nothing of it.
void settleDaemon(std::vector<LaunchJob>& jobs, const fs::path& item, const fs::path& place,
                  const ItemIdentity& identity, const AdminItemOutcome& told) {
    const std::string list = Location::standardized(item).string();
    const bool inTrash = isSameObject(ItemIdentity::at(place), identity);
    std::erase_if(jobs, [&](LaunchJob& job) {
        if (job.domain != LaunchJob::Domain::system || job.plist != list) {
            return false;
        }
        if (!told.job.empty() && inTrash) {
            job.label = told.job;
            job.pending = false;
            return false;
        }
        const bool saidNothing = told.job.empty() && told.result != AdminItemOutcome::Result::moved;
        return !(saidNothing && inTrash);
    });
}

RemovalRecord::Date now() {
    return std::chrono::time_point_cast<RemovalRecord::Date::duration>(std::chrono::system_clock::now());
}

} // namespace

Removal::Removal(const Platform& platform, Trashes& trashes, HistoryService& history, AdminRunner& admin,
                 LaunchJobs& launchJobs)
    : platform_(platform)
    , trashes_(trashes)
    , history_(history)
    , admin_(admin)
    , launchJobs_(launchJobs) {}

std::string Removal::failureLine(const fs::path& location, std::string_view description) const {
    return shownPath(platform_.home(), location) + ": " + std::string(description);
}

RemovalPolicy Removal::policy(const InstalledApp& app) const {
    std::vector<fs::path> ownFolders = trashes_.folders();
    ownFolders.push_back(history_.folder());
    return RemovalPolicy(platform_, app, ownFolders);
}

fs::path Removal::checked(const RemovalPolicy& policy, const fs::path& location) {
    RemovalPolicy::Verdict verdict = policy.judge(location);
    if (!verdict.allowed) {
        throw TrashError::unsafePath(verdict.path.string());
    }
    return std::move(verdict.path);
}

void Removal::check(const InstalledApp& app, const std::vector<ResidualItem>& items) const {
    std::set<fs::path> planned;
    plan(app, items, planned);
}

std::optional<TrashError> Removal::refusal(const InstalledApp& app,
                                           const std::vector<ResidualItem>& items) const {
    if (items.empty()) {
        return TrashError::nothingSelected();
    }
    if (app.isSystem) {
        return TrashError::systemApplication();
    }
    const fs::path systemFolder = platform_.system("/System");
    for (const ResidualItem& item : items) {
        if (Location::contains(systemFolder, item.url)) {
            return TrashError::systemApplication();
        }
    }
    return std::nullopt;
}

std::vector<Removal::Move> Removal::plan(const InstalledApp& app, const std::vector<ResidualItem>& items,
                                         std::set<fs::path>& planned) const {
    if (auto refused = refusal(app, items)) {
        throw std::move(*refused);
    }
    struct Checked {
        const ResidualItem* item;
        fs::path resolved;
        std::size_t length;
    };
    std::vector<Checked> ordered;
    const RemovalPolicy rules = policy(app);
    for (const ResidualItem& item : items) {
        ordered.push_back({&item, checked(rules, item.url), Text::characterCount(item.url.string())});
    }
    // Deeper items go first, so that a folder is still there for everything taken out of it.
    std::stable_sort(ordered.begin(), ordered.end(),
                     [](const Checked& left, const Checked& right) { return left.length > right.length; });

    std::vector<Move> moves;
    std::map<std::pair<std::uint64_t, std::uint64_t>, Trash*> trashOfMount;
    for (const Checked& checked : ordered) {
        const ResidualItem* item = checked.item;
        // An item that is gone already (listed twice, or taken by another removal) is not moved.
        const auto identity = ItemIdentity::at(item->url);
        if (!identity) {
            continue;
        }
        Move move;
        move.item = item->url;
        // The folder the check resolved, unless the item is a link, which resolved to where it leads.
        move.folder = identity->kind == ItemIdentity::Kind::link ? Location::resolved(item->url.parent_path())
                                                                 : checked.resolved.parent_path();
        move.name = Location::lastComponent(item->url);
        move.identity = *identity;
        const auto folderMount = MountIdentity::at(move.folder);
        const auto itemMount = MountIdentity::at(item->url);
        if (!folderMount || !itemMount) {
            continue;
        }
        // What another disk is mounted on cannot be moved, only that disk's own items can.
        if (!itemMount->isSameMount(*folderMount)) {
            throw TrashError::mountPoint(item->url.string());
        }
        Trash*& trash = trashOfMount[{folderMount->device, folderMount->mount}];
        if (trash == nullptr) {
            trash = &usableTrash(move.folder, *folderMount, item->url);
        }
        move.trash = trash;
        move.place = move.trash->plannedPlace(move.item, planned);
        planned.insert(move.place);
        moves.push_back(std::move(move));
    }
    return moves;
}

Trash& Removal::usableTrash(const fs::path& folder, const MountIdentity& mount, const fs::path& item) const {
    Trash& trash = trashes_.forItem(folder, mount);
    switch (trash.usability()) {
    case Trash::Usability::link:
        throw TrashError::trashIsLink(trash.folder().string());
    case Trash::Usability::unusable:
        throw TrashError::noTrash(item.string());
    case Trash::Usability::usable:
        break;
    }
    // A folder bound to a second place is another mount of the same disk: no move reaches its Trash.
    if (const auto trashMount = trash.mount(); !trashMount || !trashMount->isSameMount(mount)) {
        throw TrashError::noTrash(item.string(), TrashError::NoTrashReason::otherMount);
    }
    return trash;
}

TrashPair Removal::pairOf(const Move& move) {
    return {move.item.string(), move.place.string(), move.identity};
}

void Removal::writeAhead(RemovalRecord& record, const std::vector<Move>& moves) {
    record.items.clear();
    std::transform(moves.begin(), moves.end(), std::back_inserter(record.items), pairOf);
    record.date = now();
    if (const auto outcome = history_.replace(record); !outcome.written) {
        throw TrashError::historyUnwritable(outcome.failure);
    }
}

RemovalOutcome Removal::run(const InstalledApp& app, const std::vector<ResidualItem>& items) {
    return std::move(run({RemovalPart{app, items}}).front());
}

std::vector<RemovalOutcome> Removal::run(const std::vector<RemovalPart>& parts) {
    // Every record stays in the history until its removal is done: more than it keeps cannot be begun.
    if (parts.size() > HistoryService::limit) {
        throw TrashError::historyUnwritable("it keeps " + std::to_string(HistoryService::limit) +
                                            " removals, and " + std::to_string(parts.size()) +
                                            " applications were chosen");
    }
    std::set<fs::path> planned;
    std::vector<std::vector<Move>> moves;
    for (const RemovalPart& part : parts) {
        moves.push_back(plan(part.app, part.items, planned));
    }
    std::vector<RemovalRecord> records;
    for (std::size_t index = 0; index < parts.size(); ++index) {
        RemovalRecord record{Uuid::random(),
                             parts[index].app.name,
                             now(),
                             {},
                             totalSize(parts[index].items),
                             moves[index].empty() ? RemovalRecord::State::finished
                                                  : RemovalRecord::State::inProgress};
        std::transform(moves[index].begin(), moves[index].end(), std::back_inserter(record.items), pairOf);
        std::vector<fs::path> moving;
        for (const Move& move : moves[index]) {
            moving.push_back(move.item);
        }
        record.launchJobs = launchJobs_.among(moving);
        // Until the administrator step answers, only its helper knows whether it stopped a daemon.
        for (LaunchJob& job : record.launchJobs) {
            job.pending = job.domain == LaunchJob::Domain::system;
        }
        records.push_back(std::move(record));
    }

    // Locked first, so that nobody takes a record written ahead for that of a removal cut short.
    std::vector<RemovalLock> running;
    std::vector<Uuid> written;
    try {
        for (const RemovalRecord& record : records) {
            if (record.state == RemovalRecord::State::inProgress) {
                running.emplace_back(history_.folder(), record.id);
            }
        }
        for (const RemovalRecord& record : records) {
            if (record.state != RemovalRecord::State::inProgress) {
                continue;
            }
            if (const auto outcome = history_.add(record); !outcome.written) {
                throw TrashError::historyUnwritable(outcome.failure);
            }
            written.push_back(record.id);
        }
    } catch (const PlatformError& error) {
        for (const Uuid& id : written) {
            history_.forget(id); // nothing of it moved
        }
        throw TrashError::historyUnwritable(error.message());
    } catch (const TrashError&) {
        for (const Uuid& id : written) {
            history_.forget(id);
        }
        throw;
    }

    std::vector<RemovalOutcome> outcomes;
    for (std::size_t index = 0; index < parts.size(); ++index) {
        if (records[index].state == RemovalRecord::State::inProgress) {
            outcomes.push_back(carryOut(parts[index].app, moves[index], records[index]));
        } else {
            outcomes.push_back({std::move(records[index]), {}});
        }
    }
    return outcomes;
}

RemovalOutcome Removal::carryOut(const InstalledApp& app, std::vector<Move>& moves, RemovalRecord& record) {
    const RemovalPolicy rules = policy(app);
    FolderCache folders;
    std::vector<TrashPair> moved;
    std::vector<std::string> failures;
    // Stopped first, so that no job runs on from the Trash. The daemons are the administrator step's.
    std::vector<LaunchJob> stopped;
    launchJobs_.stop(record.launchJobs, stopped, failures);
    std::copy_if(record.launchJobs.begin(), record.launchJobs.end(), std::back_inserter(stopped),
                 [](const LaunchJob& job) { return job.domain == LaunchJob::Domain::system; });
    if (stopped != record.launchJobs) {
        // Should the removal be cut short from here, a restore starts only what was running before it.
        record.launchJobs = stopped;
        history_.replace(record);
    }
    std::vector<Move*> deferred;
    for (Move& move : moves) {
        // Only an administrator may stop a daemon: its helper does, and moves the list itself.
        if (LaunchJobs::isDaemonList(move.item, record.launchJobs)) {
            deferred.push_back(&move);
            continue;
        }
        switch (perform(move, rules, folders, record, moves, failures)) {
        case Result::moved:
            moved.push_back(pairOf(move));
            break;
        case Result::deferred:
            deferred.push_back(&move);
            break;
        case Result::vanished:
        case Result::failed:
            break;
        }
    }
    if (!deferred.empty()) {
        administrator(deferred, app.name, record, moves, moved, failures);
    }

    // A job whose list stayed where it was runs again from there: an agent started here, a daemon by the
    // helper that stopped it.
    std::vector<LaunchJob> stayed;
    std::erase_if(record.launchJobs, [&](const LaunchJob& job) {
        const bool didMove = std::any_of(moved.begin(), moved.end(), [&](const TrashPair& pair) {
            return Location::standardized(pair.originalPath).string() == job.plist;
        });
        if (!didMove) {
            stayed.push_back(job);
        }
        return !didMove;
    });
    launchJobs_.start(stayed, failures);

    record.items = std::move(moved);
    record.state = RemovalRecord::State::finished;
    record.date = now();
    // Should this write fail, the record written ahead stays, and whoever opens the history next
    // completes it from what is in the Trash.
    history_.replace(record);
    return {std::move(record), std::move(failures)};
}

Removal::Result Removal::perform(Move& move, const RemovalPolicy& rules, FolderCache& folders,
                                 RemovalRecord& record, std::vector<Move>& moves,
                                 std::vector<std::string>& failures) {
    try {
        // Moved out of the folder that was checked, held open and reached through no link: a folder on the
        // way replaced by a link since stops the move.
        const OpenFolder& from = folders.open(move.folder);
        const auto identity = from.itemIdentity(move.name);
        if (!identity) {
            return Result::vanished;
        }
        // Another object took the item's name since the check: it is checked itself before it moves.
        if (!identity->isSameObject(move.identity)) {
            checked(rules, move.folder / move.name);
            move.identity = *identity;
            writeAhead(record, moves);
        }
        std::set<fs::path> taken;
        for (;;) {
            try {
                move.trash->moveTo(from, move.name, move.item, move.place);
                return Result::moved;
            } catch (const PlatformError& error) {
                if (!error.hasCode(PlatformError::posixDomain, EEXIST)) {
                    throw;
                }
                // Someone took the place since it was planned: plan another, and write it down first.
                taken.insert(move.place);
                for (const Move& other : moves) {
                    taken.insert(other.place);
                }
                move.place = move.trash->plannedPlace(move.item, taken);
                writeAhead(record, moves);
            }
        }
    } catch (const PlatformError& error) {
        if (error.hasCode(PlatformError::posixDomain, ENOENT)) {
            return Result::vanished;
        }
        if (error.isPermissionDenied()) {
            if (isLockedInPlace(move.item)) {
                failures.push_back(failureLine(move.item, lockedReason));
                return Result::failed;
            }
            return Result::deferred;
        }
        failures.push_back(failureLine(move.item, error.message()));
    } catch (const TrashError& error) {
        failures.push_back(failureLine(move.item, error.what()));
    }
    return Result::failed;
}

void Removal::administrator(std::vector<Move*>& deferred, const std::string& appName, RemovalRecord& record,
                            std::vector<Move>& moves, std::vector<TrashPair>& moved,
                            std::vector<std::string>& failures) {
    // One batch per Trash: a move never crosses volumes.
    std::map<Trash*, std::vector<Move*>> byTrash;
    for (Move* move : deferred) {
        byTrash[move->trash].push_back(move);
    }
    for (auto& [trash, group] : byTrash) {
        // The helper makes the batch folder, inside a Trash folder that is there and the user's.
        try {
            trash->open();
        } catch (const PlatformError& error) {
            for (const Move* move : group) {
                failures.push_back(failureLine(move->item, error.message()));
            }
            continue;
        }
        std::optional<AdministratorBatch> made;
        try {
            made.emplace(AdministratorBatch::requestFor(AdminRequest::Action::moveToTrash, platform_,
                                                        trashes_.home().folder(), history_.folder(),
                                                        record.id),
                         *trash, appName);
        } catch (const PlatformError& error) {
            for (const Move* move : group) {
                failures.push_back(failureLine(move->item, error.message()));
            }
            continue;
        }
        AdministratorBatch& batch = *made;
        for (Move* move : group) {
            move->place = batch.add(move->folder, move->name);
        }
        // The places in the batch folder are in the history before anyone is asked.
        try {
            writeAhead(record, moves);
        } catch (const TrashError& error) {
            for (const Move* move : group) {
                failures.push_back(failureLine(move->item, error.what()));
            }
            continue;
        }

        const AdminOutcome outcome = admin_.run(batch.request());
        std::vector<const Move*> stayed;
        for (std::size_t index = 0; index < group.size(); ++index) {
            const Move& move = *group[index];
            const bool answered = index < outcome.items.size();
            if (answered) {
                const AdminItemOutcome& told = outcome.items[index];
                failures.insert(failures.end(), told.notes.begin(), told.notes.end());
                settleDaemon(record.launchJobs, move.item, move.place, move.identity, told);
            }
            // Short of the helper's word that it moved, what lies at its place says whether it did: a
            // helper stopped between a move and its answer line moved it all the same.
            const bool wasMoved =
                (answered && outcome.items[index].result == AdminItemOutcome::Result::moved) ||
                isSameObject(ItemIdentity::at(move.place), move.identity);
            if (wasMoved) {
                // What lies there now is what a restore may take back.
                moved.push_back({move.item.string(), move.place.string(),
                                 ItemIdentity::at(move.place).value_or(move.identity)});
            } else if (!answered) {
                stayed.push_back(&move);
            } else if (outcome.items[index].result == AdminItemOutcome::Result::failed) {
                failures.push_back(failureLine(move.item, outcome.items[index].message));
            }
        }
        // Each item that stayed is named, with why the administrator step did not move it.
        const std::string reason = outcome.reasonNotRun();
        for (const Move* move : stayed) {
            failures.push_back(failureLine(move->item, reason));
        }
        AdministratorBatch::removeIfEmpty(batch.folder(), *trash);
    }
}

} // namespace tarnwick
