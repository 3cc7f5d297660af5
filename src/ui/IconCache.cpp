#include "ui/IconCache.h"

#include "catalogue/AppRecord.h"
#include "platform/Location.h"
#include "store/Background.h"
#include "ui/AppIcons.h"

#include <QGuiApplication>
#include <QPixmap>
#include <cmath>
#include <utility>

namespace tarnwick {

namespace fs = std::filesystem;

namespace {

QString qtPath(const fs::path& location) {
    return QString::fromStdString(location.string());
}

int pixels(int side) {
    return static_cast<int>(std::ceil(side * qGuiApp->devicePixelRatio()));
}

} // namespace

IconCache::IconCache(Background& background, QObject* parent)
    : QObject(parent)
    , background_(background)
    , genericApplication_(AppIcons::genericApplication())
    , genericDocument_(AppIcons::themed({})) {}

QString IconCache::applicationKey(const fs::path& bundle, int side) const {
    return qtPath(bundle) + QLatin1Char('@') + QString::number(pixels(side));
}

QIcon IconCache::application(const fs::path& bundle, int side) const {
    return applications_.value(applicationKey(bundle, side), genericApplication_);
}

void IconCache::requestApplication(const fs::path& bundle, int side) {
    const QString key = applicationKey(bundle, side);
    if (applicationsAsked_.contains(key)) {
        return;
    }
    applicationsAsked_.insert(key);
    background_.run(TaskRunner::Priority::interactive, this, [this, bundle, key, size = pixels(side)] {
        QImage image = AppIcons::applicationImage(bundle, size);
        return [this, bundle, key, image = std::move(image)] {
            if (image.isNull()) {
                return; // the generic icon stays
            }
            QPixmap pixmap = QPixmap::fromImage(image);
            pixmap.setDevicePixelRatio(qGuiApp->devicePixelRatio());
            applications_.insert(key, QIcon(pixmap));
            emit applicationArrived(qtPath(bundle));
        };
    });
}

QIcon IconCache::file(const fs::path& location, int bundleSide) const {
    const auto found = files_.find(location.native());
    if (found != files_.end()) {
        return found->second;
    }
    const bool namedAsBundle = AppRecord::isApplicationName(Location::lastComponent(location));
    return applications_.value(applicationKey(location, bundleSide),
                               namedAsBundle ? genericApplication_ : genericDocument_);
}

void IconCache::requestFiles(std::vector<std::string> paths, int bundleSide) {
    std::vector<std::string> asked;
    for (std::string& path : paths) {
        if (!filesAsked_.contains(path)) {
            filesAsked_.insert(path);
            asked.push_back(std::move(path));
        }
    }
    if (asked.empty()) {
        return;
    }
    background_.run(TaskRunner::Priority::interactive, this, [this, asked = std::move(asked), bundleSide] {
        struct Kind {
            std::string path;
            QString key;
            QStringList names;
        };
        std::vector<Kind> kinds;
        std::vector<fs::path> bundles;
        for (const std::string& path : asked) {
            const fs::path location(path);
            if (AppIcons::isBundle(location)) {
                bundles.push_back(location);
            } else {
                QStringList names = AppIcons::fileIconNames(location);
                QString key = names.join(QLatin1Char('|'));
                kinds.push_back({path, std::move(key), std::move(names)});
            }
        }
        return [this, kinds = std::move(kinds), bundles = std::move(bundles), bundleSide] {
            for (const Kind& kind : kinds) {
                files_.insert_or_assign(kind.path, themed(kind.key, kind.names));
            }
            for (const fs::path& bundle : bundles) {
                requestApplication(bundle, bundleSide);
            }
            emit filesArrived();
        };
    });
}

QIcon IconCache::documentType(const std::string& extension) const {
    return documentTypes_.value(QString::fromStdString(extension), genericDocument_);
}

void IconCache::requestDocumentTypes(const std::vector<std::string>& extensions) {
    std::vector<std::string> asked;
    for (const std::string& extension : extensions) {
        const QString key = QString::fromStdString(extension);
        if (!documentTypesAsked_.contains(key)) {
            documentTypesAsked_.insert(key);
            asked.push_back(extension);
        }
    }
    if (asked.empty()) {
        return;
    }
    background_.run(TaskRunner::Priority::interactive, this, [this, asked = std::move(asked)] {
        std::vector<std::pair<std::string, QStringList>> kinds;
        for (const std::string& extension : asked) {
            kinds.emplace_back(extension, AppIcons::documentTypeIconNames(extension));
        }
        return [this, kinds = std::move(kinds)] {
            for (const auto& [extension, names] : kinds) {
                documentTypes_.insert(QString::fromStdString(extension), themed(names));
            }
            emit documentTypesArrived();
        };
    });
}

QIcon IconCache::themed(const QStringList& names) {
    return themed(names.join(QLatin1Char('|')), names);
}

QIcon IconCache::themed(const QString& key, const QStringList& names) {
    auto found = themedByName_.find(key);
    if (found == themedByName_.end()) {
        found = themedByName_.insert(key, AppIcons::themed(names));
    }
    return *found;
}

} // namespace tarnwick
