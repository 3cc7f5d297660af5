#include "ui/WindowSettings.h"

#include "store/CleanerStore.h"
#include "ui/FindingsView.h"

#include <QGuiApplication>
#include <QScreen>
#include <QSettings>
#include <QSplitter>
#include <QWidget>

namespace tarnwick {

namespace {

const QString geometryKey = QStringLiteral("window/geometry");
const QString splitKey = QStringLiteral("window/split");
const QString closedSectionsKey = QStringLiteral("findings/closedSections");
const QString modeKey = QStringLiteral("sidebar/mode");

} // namespace

void WindowSettings::restore(QSettings& settings, QWidget& window, QSplitter& split, FindingsView& findings,
                             CleanerStore& store) {
    if (const QByteArray geometry = settings.value(geometryKey).toByteArray(); !geometry.isEmpty()) {
        window.restoreGeometry(geometry);
        keepOnScreen(window);
    }
    if (const QByteArray state = settings.value(splitKey).toByteArray(); !state.isEmpty()) {
        split.restoreState(state);
    }
    const QStringList closed = settings.value(closedSectionsKey).toStringList();
    findings.setClosedSections(QSet<QString>(closed.begin(), closed.end()));
    // Only a mode this version knows; anything else leaves the applications.
    if (const auto mode = appListFilterFrom(settings.value(modeKey).toString().toStdString())) {
        store.switchMode(*mode);
    }
}

void WindowSettings::save(QSettings& settings, const QWidget& window, const QSplitter& split,
                          const FindingsView& findings, const CleanerStore& store) {
    settings.setValue(geometryKey, window.saveGeometry());
    settings.setValue(splitKey, split.saveState());
    QStringList closed(findings.closedSections().begin(), findings.closedSections().end());
    closed.sort();
    settings.setValue(closedSectionsKey, closed);
    const std::string_view mode = rawValue(store.appList().filter());
    settings.setValue(modeKey, QString::fromUtf8(mode.data(), static_cast<qsizetype>(mode.size())));
    settings.sync();
}

void WindowSettings::keepOnScreen(QWidget& window) {
    const QRect frame = window.frameGeometry();
    // The title bar is what the user drags: a window whose top strip no screen shows cannot be moved back.
    const QRect titleBar(frame.topLeft(), QSize(frame.width(), 24));
    const QList<QScreen*> screens = QGuiApplication::screens();
    for (const QScreen* screen : screens) {
        if (screen->availableGeometry().intersected(titleBar).width() >= 48) {
            return;
        }
    }
    const QScreen* nearest = QGuiApplication::screenAt(frame.center());
    if (nearest == nullptr) {
        nearest = QGuiApplication::primaryScreen();
    }
    if (nearest == nullptr) {
        return;
    }
    const QRect available = nearest->availableGeometry();
    const QSize size = window.size().boundedTo(available.size());
    window.resize(size);
    window.move(available.center() - QPoint(size.width() / 2, size.height() / 2));
}

} // namespace tarnwick
