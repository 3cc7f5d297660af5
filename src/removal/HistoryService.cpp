#include "removal/HistoryService.h"

#include "platform/OpenFolder.h"
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
    : file_(std::move(location))
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

bool HistoryService::completeInterrupted(std::vector<RemovalRecord>& records) {
    using Kind = RemovalLock::Kind;
    bool changed = false;
    for (RemovalRecord& record : records) {
        const auto isHeld = [&](Kind kind) { return RemovalLock::isHeld(folder(), record.id, kind); };
        if (record.state == RemovalRecord::State::inProgress && !isHeld(Kind::removal) &&
            !isHeld(Kind::helper)) {
            complete(record);
            changed = true;
        } else if (record.state == RemovalRecord::State::restoring && !isHeld(Kind::restore) &&
                   !isHeld(Kind::helper)) {
            settle(record);
            changed = true;
        }
    }
    std::erase_if(records, isEmptyFinished);
    return changed;
}

HistoryFile::Outcome HistoryService::update(const HistoryFile::Change& change) {
    const HistoryFile::Outcome outcome = file_.update([&](std::vector<RemovalRecord>& records) {
        const bool completed = completeInterrupted(records);
        return change(records) || completed;
    });
    RemovalLock::removeAbandoned(folder());
    return outcome;
}

HistoryService::Listing HistoryService::open() {
    Listing listing;
    listing.upkeep = update([&listing](std::vector<RemovalRecord>& records) {
        listing.records = records;
        return false;
    });
    listing.keptAside = file_.keptAsideFiles();
    return listing;
}

void HistoryService::forget(const Uuid& id) {
    update([&id](std::vector<RemovalRecord>& records) {
        std::erase_if(records, [&id](const RemovalRecord& record) { return record.id == id; });
        return true;
    });
}

HistoryFile::Outcome HistoryService::clear() {
    return file_.remove();
}

void HistoryService::clearUnavailable() {
    update([this](std::vector<RemovalRecord>& records) {
        std::erase_if(records, [this](const RemovalRecord& record) {
            return record.state != RemovalRecord::State::inProgress &&
                   record.state != RemovalRecord::State::restoring && !isRestorable(record);
        });
        return true;
    });
}

HistoryFile::Outcome HistoryService::add(const RemovalRecord& record) {
    return update([&record](std::vector<RemovalRecord>& records) {
        records.insert(records.begin(), record);
        if (records.size() > limit) {
            records.resize(limit);
        }
        return true;
    });
}

HistoryFile::Outcome HistoryService::replace(const RemovalRecord& record) {
    return update([&record](std::vector<RemovalRecord>& records) {
        const auto stored =
            std::find_if(records.begin(), records.end(),
                         [&record](const RemovalRecord& other) { return other.id == record.id; });
        if (stored != records.end()) {
            *stored = record;
        } else {
            records.insert(records.begin(), record);
        }
        std::erase_if(records, isEmptyFinished);
        return true;
    });
}

void HistoryService::markRestoring(const Uuid& id) {
    update([&id](std::vector<RemovalRecord>& records) {
        bool marked = false;
        for (RemovalRecord& record : records) {
            if (record.id == id && record.state == RemovalRecord::State::finished) {
                record.state = RemovalRecord::State::restoring;
                marked = true;
            }
        }
        return marked;
    });
}

void HistoryService::settleRestore(const Uuid& id) {
    update([&id](std::vector<RemovalRecord>& records) {
        bool settled = false;
        for (RemovalRecord& record : records) {
            if (record.id == id && record.state != RemovalRecord::State::inProgress) {
                settle(record);
                settled = true;
            }
        }
        return settled;
    });
}

} // namespace tarnwick
