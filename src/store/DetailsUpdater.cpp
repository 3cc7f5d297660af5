#include "store/DetailsUpdater.h"

#include "store/Background.h"

#include <sys/stat.h>

namespace tarnwick {

namespace fs = std::filesystem;

namespace {

DetailsUpdater::ItemFacts readFacts(const fs::path& location) {
    DetailsUpdater::ItemFacts facts;
    struct stat status {};
    if (::lstat(location.c_str(), &status) == 0) {
        facts.isDirectory = S_ISDIR(status.st_mode);
#if defined(__APPLE__)
        const auto& changed = status.st_mtimespec;
#else
        const auto& changed = status.st_mtim;
#endif
        facts.modified = QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(changed.tv_sec) * 1000 +
                                                        changed.tv_nsec / 1000000);
    }
    if (facts.isDirectory) {
        facts.listing = FolderContentItem::load(location);
    }
    return facts;
}

} // namespace

DetailsUpdater::DetailsUpdater(Background& background, QObject* parent)
    : QObject(parent)
    , background_(background) {}

const ApplicationMetadata* DetailsUpdater::metadata(const std::string& appID) const {
    const auto found = metadata_.find(appID);
    return found == metadata_.end() ? nullptr : &found->second;
}

const DetailsUpdater::ItemFacts* DetailsUpdater::facts(const fs::path& item) const {
    const auto found = facts_.find(item.native());
    return found == facts_.end() ? nullptr : &found->second;
}

void DetailsUpdater::requestMetadata(const InstalledApp& app) {
    if (!metadataAsked_.insert(app.id()).second) {
        return;
    }
    background_.run(TaskRunner::Priority::interactive, this, [this, app] {
        ApplicationMetadata read = ApplicationMetadata::read(app);
        return [this, id = app.id(), read = std::move(read)]() mutable {
            metadata_[id] = std::move(read);
            emit metadataArrived(QString::fromStdString(id));
        };
    });
}

void DetailsUpdater::requestFacts(const fs::path& item) {
    if (!factsAsked_.insert(item.string()).second) {
        return;
    }
    background_.run(TaskRunner::Priority::interactive, this, [this, item, generation = generation_] {
        ItemFacts read = readFacts(item);
        return [this, item, generation, read = std::move(read)]() mutable {
            if (generation != generation_) {
                return;
            }
            facts_[item.string()] = std::move(read);
            emit factsArrived(QString::fromStdString(item.string()));
        };
    });
}

void DetailsUpdater::forgetFacts() {
    ++generation_;
    facts_.clear();
    factsAsked_.clear();
}

} // namespace tarnwick
