#include "removal/HistoryService.h"

#include "platform/OpenFolder.h"
#include "platform/PlatformError.h"
#include "removal/AdministratorBatch.h"
#include "removal/RemovalLock.h"

#include <algorithm>

namespace tarnwick {

namespace fs = std::filesystem;

namespace {

bool isEmptyFinished(const RemovalRecord& record) {
    return record.state == RemovalRecord::State::finished && record.items.empty();
}

} // namespace

HistoryService::HistoryService(fs::path location, Trashes& trashes)
    : HistoryService(std::move(location), trashes, HistoryFile::Limits{}) {}

HistoryService::HistoryService(fs::path location, Trashes& trashes, HistoryFile::Limits limits)
    : file_(std::move(location), limits)
    , trashes_(trashes) {}

bool HistoryService::isInTrash(const TrashPair& pair) {
    const auto present = ItemIdentity::at(pair.trashPath);
    return present && (!pair.trashItem || present->isSameObject(*pair.trashItem));
}

bool HistoryService::isPutBack(const TrashPair& pair) {
    const auto present = ItemIdentity::at(pair.originalPath);
    return present && (!pair.trashItem || present->isSameObject(*pair.trashItem));
}

bool HistoryService::isRestorable(const RemovalRecord& record) const {
    return record.state != RemovalRecord::State::restored &&
           std::any_of(record.items.begin(), record.items.end(), isInTrash);
}

void HistoryService::complete(RemovalRecord& record) {
    std::vector<TrashPair> moved;
    for (const TrashPair& pair : record.items) {
        if (isInTrash(pair)) {
            moved.push_back(pair);
        } else if (Trash* trash = trashes_.holding(pair.trashPath)) {
            trash->abandon(pair.trashPath);
            AdministratorBatch::removeIfEmpty(fs::path(pair.trashPath).parent_path(), *trash);
        }
    }
    record.items = std::move(moved);
    record.state = RemovalRecord::State::finished;
}

void HistoryService::settle(RemovalRecord& record) {
    const bool restored = std::none_of(record.items.begin(), record.items.end(), isInTrash) &&
                          std::any_of(record.items.begin(), record.items.end(), isPutBack);
    record.state = restored ? RemovalRecord::State::restored : RemovalRecord::State::finished;
}

bool HistoryService::completeIfInterrupted(RemovalRecord& record) {
    using Kind = RemovalLock::Kind;
    const auto isHeld = [&](Kind kind) { return RemovalLock::isHeld(folder(), record.id, kind); };
    if (record.state == RemovalRecord::State::inProgress && !isHeld(Kind::removal) && !isHeld(Kind::helper)) {
        complete(record);
        return true;
    }
    if (record.state == RemovalRecord::State::restoring && !isHeld(Kind::restore) && !isHeld(Kind::helper)) {
        settle(record);
        return true;
    }
    return false;
}

HistoryFile::Step HistoryService::stepFor(const RemovalRecord& record) {
    return isEmptyFinished(record) ? HistoryFile::Step::forget(record.id) : HistoryFile::Step::put(record);
}

HistoryFile::Fold HistoryService::upkeep(std::size_t& kept, std::vector<RemovalRecord>* listed) {
    return [this, &kept, listed](RemovalRecord& record) {
        completeIfInterrupted(record);
        const bool unsettled = record.state == RemovalRecord::State::inProgress ||
                               record.state == RemovalRecord::State::restoring;
        if (isEmptyFinished(record) || (kept >= limit && !unsettled)) {
            return false;
        }
        ++kept;
        if (listed != nullptr) {
            listed->push_back(record);
        }
        return true;
    };
}

HistoryFile::Outcome HistoryService::completeInterrupted(HistoryFile::Transaction& transaction) {
    // A file without its journal may hold unsettled records the journal does not name.
    if (transaction.needsFold()) {
        std::size_t kept = 0;
        return transaction.fold(upkeep(kept));
    }
    for (const Uuid& id : transaction.unsettled()) {
        auto record = transaction.find(id);
        if (record && completeIfInterrupted(*record)) {
            transaction.append(stepFor(*record));
        }
    }
    return {};
}

void HistoryService::completeWherePossible(HistoryFile::Transaction& transaction) {
    try {
        completeInterrupted(transaction);
    } catch (const PlatformError&) {
        // Whoever may only read the history still reads it as it stands.
    }
}

HistoryFile::Outcome
HistoryService::take(const std::function<std::optional<HistoryFile::Step>(HistoryFile::Transaction&)>& step) {
    HistoryFile::Outcome outcome;
    {
        HistoryFile::Transaction transaction = file_.begin();
        try {
            outcome = completeInterrupted(transaction);
            if (const auto taken = step(transaction)) {
                transaction.append(*taken);
                const bool settles = taken->kind == HistoryFile::Step::Kind::forget ||
                                     (taken->state != RemovalRecord::State::inProgress &&
                                      taken->state != RemovalRecord::State::restoring);
                if (settles && transaction.journalIsLong()) {
                    std::size_t kept = 0;
                    transaction.fold(upkeep(kept));
                }
            }
            outcome.written = true;
            outcome.failure.clear();
        } catch (const PlatformError& error) {
            outcome.written = false;
            outcome.failure = error.message();
        }
    }
    RemovalLock::removeAbandoned(folder());
    return outcome;
}

HistoryService::Listing HistoryService::open() {
    Listing listing;
    {
        HistoryFile::Transaction transaction = file_.begin();
        try {
            if (!transaction.needsFold()) {
                completeInterrupted(transaction);
            }
            bool unreadable = true;
            if (!transaction.needsFold() && !transaction.hasSteps()) {
                listing.records = transaction.records(&unreadable);
            }
            const bool clean = !unreadable && listing.records.size() <= limit &&
                               std::none_of(listing.records.begin(), listing.records.end(), isEmptyFinished);
            if (!clean) {
                listing.records.clear();
                std::size_t kept = 0;
                listing.upkeep = transaction.fold(upkeep(kept, &listing.records));
                // Whoever may only read the history still reads it as it stands.
                if (!listing.upkeep.written && !listing.upkeep.failure.empty()) {
                    listing.records = transaction.records();
                }
            }
        } catch (const PlatformError& error) {
            listing.upkeep.failure = error.message();
        }
    }
    RemovalLock::removeAbandoned(folder());
    listing.keptAside = file_.keptAsideFiles();
    return listing;
}

std::optional<RemovalRecord> HistoryService::find(const Uuid& id) {
    try {
        HistoryFile::Transaction transaction = file_.begin();
        completeWherePossible(transaction);
        return transaction.find(id);
    } catch (const PlatformError&) {
        return std::nullopt;
    }
}

std::vector<RemovalRecord> HistoryService::startingWith(std::string_view prefix) {
    std::string upper(prefix);
    std::transform(upper.begin(), upper.end(), upper.begin(), [](char character) {
        return character >= 'a' && character <= 'z' ? static_cast<char>(character - 'a' + 'A') : character;
    });
    try {
        HistoryFile::Transaction transaction = file_.begin();
        completeWherePossible(transaction);
        return transaction.startingWith(upper);
    } catch (const PlatformError&) {
        return {};
    }
}

std::vector<RemovalRecord> HistoryService::records() {
    try {
        HistoryFile::Transaction transaction = file_.begin();
        completeWherePossible(transaction);
        return transaction.records();
    } catch (const PlatformError&) {
        return {};
    }
}

HistoryFile::Outcome HistoryService::forget(const Uuid& id) {
    return take([&id](HistoryFile::Transaction&) { return HistoryFile::Step::forget(id); });
}

HistoryFile::Outcome HistoryService::clear() {
    HistoryFile::Transaction transaction = file_.begin();
    // A record whose work still runs stays: that work writes it again anyway.
    return transaction.clear([this](const RemovalRecord& record) {
        using Kind = RemovalLock::Kind;
        return RemovalLock::isHeld(folder(), record.id, Kind::removal) ||
               RemovalLock::isHeld(folder(), record.id, Kind::restore) ||
               RemovalLock::isHeld(folder(), record.id, Kind::helper);
    });
}

HistoryFile::Outcome HistoryService::clearUnavailable() {
    HistoryFile::Transaction transaction = file_.begin();
    std::size_t kept = 0;
    const HistoryFile::Fold keep = upkeep(kept);
    return transaction.fold(
        [&](RemovalRecord& record) {
            return keep(record) && (record.state == RemovalRecord::State::inProgress ||
                                    record.state == RemovalRecord::State::restoring || isRestorable(record));
        },
        true);
}

HistoryFile::Outcome HistoryService::add(const RemovalRecord& record) {
    return take([&record](HistoryFile::Transaction&) { return HistoryFile::Step::put(record); });
}

HistoryFile::Outcome HistoryService::replace(const RemovalRecord& record) {
    return take([&record](HistoryFile::Transaction&) { return stepFor(record); });
}

void HistoryService::markRestoring(const Uuid& id) {
    take([&id](HistoryFile::Transaction& transaction) -> std::optional<HistoryFile::Step> {
        const auto record = transaction.find(id);
        if (!record || record->state != RemovalRecord::State::finished) {
            return std::nullopt;
        }
        return HistoryFile::Step::changeState(id, RemovalRecord::State::restoring);
    });
}

void HistoryService::settleRestore(const Uuid& id) {
    take([&id](HistoryFile::Transaction& transaction) -> std::optional<HistoryFile::Step> {
        auto record = transaction.find(id);
        if (!record || record->state == RemovalRecord::State::inProgress) {
            return std::nullopt;
        }
        settle(*record);
        return HistoryFile::Step::changeState(id, record->state);
    });
}

} // namespace tarnwick
