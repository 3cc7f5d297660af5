#pragma once

#include "catalogue/ApplicationMetadata.h"
#include "catalogue/FolderContentItem.h"
#include "catalogue/InstalledApp.h"

#include <QDateTime>
#include <QObject>
#include <filesystem>
#include <optional>
#include <set>
#include <string>
#include <unordered_map>

namespace tarnwick {

class Background;

// Facts the window shows that take the disk to learn: what an application's bundle declares, and what a
// finding is (a folder with its first children, a file, when it last changed). They are read off the main
// thread, once each, kept, and announced when they arrive; asking for them only starts the reading.
class DetailsUpdater : public QObject {
    Q_OBJECT

public:
    // What the details of a finding show.
    struct ItemFacts {
        bool isDirectory = false; // a link is never a folder here
        std::optional<QDateTime> modified;
        FolderListing listing; // a folder's
    };

    explicit DetailsUpdater(Background& background, QObject* parent = nullptr);

    // What is known; nothing before it arrives.
    const ApplicationMetadata* metadata(const std::string& appID) const;
    const ItemFacts* facts(const std::filesystem::path& item) const;

    // Starts reading what is not known and not on its way yet.
    void requestMetadata(const InstalledApp& app);
    void requestFacts(const std::filesystem::path& item);
    // Facts of findings are read again when asked after a new scan.
    void forgetFacts();

signals:
    void metadataArrived(const QString& appID);
    void factsArrived(const QString& item);

private:
    Background& background_;
    std::unordered_map<std::string, ApplicationMetadata> metadata_;
    std::set<std::string> metadataAsked_;
    std::unordered_map<std::string, ItemFacts> facts_;
    std::set<std::string> factsAsked_;
    // Facts asked before a new scan are not kept when they arrive.
    unsigned generation_ = 0;
};

} // namespace tarnwick
