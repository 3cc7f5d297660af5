#pragma once

#include <QHash>
#include <QIcon>
#include <QObject>
#include <QSet>
#include <filesystem>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace tarnwick {

class Background;

// The icons the window draws, learnt off the main thread and kept: an application's own icon decoded at the
// size it is drawn, and a file's icon from its type. Until an icon is known a generic one stands in; asking
// for it only starts the reading, and a signal says when it has arrived. Looking up an icon never reads the
// disk, so models may do it in `data()`.
class IconCache : public QObject {
    Q_OBJECT

public:
    explicit IconCache(Background& background, QObject* parent = nullptr);

    // The icon of the application bundle at `side` points.
    QIcon application(const std::filesystem::path& bundle, int side) const;
    void requestApplication(const std::filesystem::path& bundle, int side);

    // The icon of a file or folder; an application bundle's own at `bundleSide` points.
    QIcon file(const std::filesystem::path& location, int bundleSide) const;
    // Asks for the icons of the files at `paths`, as the system spells them: a list of findings asks for
    // thousands at once, which the main thread only records.
    void requestFiles(std::vector<std::string> paths, int bundleSide);

    // The icon of documents with the file extension `extension`.
    QIcon documentType(const std::string& extension) const;
    void requestDocumentTypes(const std::vector<std::string>& extensions);

signals:
    void applicationArrived(const QString& bundle);
    void filesArrived();
    void documentTypesArrived();

private:
    QString applicationKey(const std::filesystem::path& bundle, int side) const;
    QIcon themed(const QStringList& names);
    QIcon themed(const QString& key, const QStringList& names);

    Background& background_;
    // Made before any model asks, since finding them in the icon theme reads the disk.
    const QIcon genericApplication_;
    const QIcon genericDocument_;
    QHash<QString, QIcon> applications_;
    QSet<QString> applicationsAsked_;
    // By path as the system spells it; a bundle's is absent, its application icon stands for it.
    std::unordered_map<std::string, QIcon> files_;
    std::unordered_set<std::string> filesAsked_;
    QHash<QString, QIcon> documentTypes_;
    QSet<QString> documentTypesAsked_;
    QHash<QString, QIcon> themedByName_;
};

} // namespace tarnwick
