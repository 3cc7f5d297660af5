#include "ui/SystemWorkspace.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QProcess>
#include <QStringList>

#if !defined(__APPLE__)
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#endif

#include <set>

namespace tarnwick {

namespace {

QString qtPath(const std::filesystem::path& location) {
    return QString::fromStdString(location.string());
}

#if !defined(__APPLE__)
// Opens each distinct enclosing folder: the best a desktop without a file manager interface can do.
void openParents(const std::vector<std::filesystem::path>& locations) {
    std::set<std::filesystem::path> parents;
    for (const auto& location : locations) {
        parents.insert(location.parent_path());
    }
    for (const auto& parent : parents) {
        QDesktopServices::openUrl(QUrl::fromLocalFile(qtPath(parent)));
    }
}
#endif

} // namespace

void SystemWorkspace::reveal(const std::vector<std::filesystem::path>& locations) {
    if (locations.empty()) {
        return;
    }
#if defined(__APPLE__)
    QStringList arguments{QStringLiteral("-R")};
    for (const auto& location : locations) {
        arguments << qtPath(location);
    }
    QProcess::startDetached(QStringLiteral("/usr/bin/open"), arguments);
#else
    QStringList uris;
    for (const auto& location : locations) {
        uris << QUrl::fromLocalFile(qtPath(location)).toString(QUrl::FullyEncoded);
    }
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("/org/freedesktop/FileManager1"),
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
    call << uris << QString();
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        openParents(locations);
        return;
    }
    // Asynchronous: a file manager being started on demand must not freeze the window.
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call), QCoreApplication::instance());
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher,
                     [watcher, locations](QDBusPendingCallWatcher*) {
                         if (watcher->isError()) {
                             openParents(locations);
                         }
                         watcher->deleteLater();
                     });
#endif
}

bool SystemWorkspace::openWebAddress(const QUrl& address) {
    if (!isWebAddress(address)) {
        return false;
    }
    return QDesktopServices::openUrl(address);
}

void SystemWorkspace::quit() {
    QCoreApplication::quit();
}

} // namespace tarnwick
