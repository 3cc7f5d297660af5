#include "ui/Symbols.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPixmapCache>
#include <QStandardPaths>
#include <QString>
#include <algorithm>
#include <array>
#include <mutex>

namespace tarnwick {

#if defined(__APPLE__)
// The system symbol `name` rendered as a template image of `pixelSide` pixels; null when the system has
// none by that name. Lives in SystemSymbolMac.mm.
QImage systemSymbolImage(std::string_view name, int pixelSide);
#endif

namespace {

struct SymbolEntry {
    std::string_view name;
    // Freedesktop icon names, first found wins. Symbols are drawn in one colour, so outline icons come
    // before full-colour ones, whose silhouette is often just a square.
    std::array<std::string_view, 3> themeNames;
};

constexpr std::array<SymbolEntry, 47> table{{
    // Toolbar, sidebar and footer
    {"clock.arrow.circlepath", {"document-open-recent", "view-history"}},
    {"arrow.clockwise", {"view-refresh"}},
    {"xmark", {"window-close"}},
    {"waveform.path.ecg.rectangle", {"office-chart-line", "utilities-system-monitor"}},
    {"magnifyingglass", {"edit-find", "search"}},
    {"xmark.circle.fill", {"edit-clear"}},
    {"square.grid.2x2", {"view-grid", "view-list-icons"}},
    {"sparkles", {"tools-wizard", "games-config-theme"}},
    {"trash.slash.fill", {"user-trash", "trash-empty"}},
    {"lock.fill", {"object-locked", "lock"}},
    {"app.badge.checkmark", {"approved", "dialog-ok-apply"}},
    {"doc.on.doc", {"edit-copy"}},
    {"doc.on.doc.fill", {"edit-copy"}},
    {"arrow.down.app.fill", {"document-import", "download"}},
    // Detail pane and residual list
    {"app.dashed", {"application-x-executable"}},
    {"checkmark.shield", {"security-high"}},
    {"checkmark.shield.fill", {"security-high"}},
    {"shield.checkered", {"security-medium"}},
    {"checkmark.square.fill", {"checkbox", "checkmark"}},
    {"minus.square.fill", {"list-remove"}},
    {"square", {"draw-rectangle"}},
    {"chevron.down", {"go-down", "arrow-down"}},
    {"chevron.right", {"go-next", "arrow-right"}},
    {"checkmark.circle.fill", {"emblem-ok-symbolic", "dialog-ok"}},
    {"circle", {"draw-circle"}},
    {"exclamationmark.triangle.fill", {"dialog-warning"}},
    {"exclamationmark.triangle", {"dialog-warning"}},
    {"trash", {"edit-delete", "user-trash"}},
    {"info.circle.fill", {"help-about", "dialog-information"}},
    {"dock.rectangle", {"format-border-set-bottom", "preferences-desktop"}},
    // Residual categories
    {"person.crop.circle", {"user-identity", "im-user"}},
    {"folder", {"folder"}},
    {"books.vertical", {"folder-documents", "bookmarks"}},
    {"scroll", {"text-x-script", "application-x-shellscript"}},
    {"bolt.horizontal.circle", {"speedometer"}},
    {"slider.horizontal.3", {"configure", "settings-configure"}},
    {"shippingbox", {"package-x-generic", "package"}},
    {"network", {"network-wired", "network-workgroup"}},
    {"gearshape.2", {"system-run", "preferences-system"}},
    {"doc.text.magnifyingglass", {"document-preview", "text-x-log"}},
    {"doc", {"text-x-generic"}},
    // History and alerts
    {"clock", {"clock", "chronometer"}},
    {"trash.slash", {"user-trash", "edit-delete"}},
    // Pro previews
    {"sparkles.rectangle.stack", {"edit-clear-all", "tools-wizard"}},
    {"sparkles.rectangle.stack.fill", {"edit-clear-all", "tools-wizard"}},
    {"arrow.down.circle.fill", {"download", "document-import"}},
    // The generic application, for a bundle without an icon of its own
    {"app", {"application-x-executable"}},
}};

constexpr std::array<std::string_view, table.size()> allNames = [] {
    std::array<std::string_view, table.size()> names{};
    for (std::size_t index = 0; index < table.size(); ++index) {
        names[index] = table[index].name;
    }
    return names;
}();

const SymbolEntry* entryFor(std::string_view name) {
    const auto found = std::find_if(table.begin(), table.end(),
                                    [&](const SymbolEntry& entry) { return entry.name == name; });
    return found == table.end() ? nullptr : &*found;
}

QString qt(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// A desktop picks its own theme; one without any (a server, the offscreen platform) still gets Breeze.
void useBreezeAsFallback() {
    static std::once_flag once;
    std::call_once(once, [] {
        // Platforms without a desktop theme (offscreen, minimal) search only the program's resources: add
        // the system's icon folders so that the themes installed there are found.
        QStringList paths = QIcon::themeSearchPaths();
        for (const QString& folder :
             QStandardPaths::locateAll(QStandardPaths::GenericDataLocation, QStringLiteral("icons"),
                                       QStandardPaths::LocateDirectory)) {
            if (!paths.contains(folder)) {
                paths.append(folder);
            }
        }
        QIcon::setThemeSearchPaths(paths);
        if (QIcon::fallbackThemeName().isEmpty() || QIcon::fallbackThemeName() == QLatin1String("hicolor")) {
            QIcon::setFallbackThemeName(QStringLiteral("breeze"));
        }
        if (QIcon::themeName().isEmpty() || QIcon::themeName() == QLatin1String("hicolor")) {
            QIcon::setThemeName(QStringLiteral("breeze"));
        }
    });
}

} // namespace

std::span<const std::string_view> Symbols::names() {
    return allNames;
}

bool Symbols::isKnown(std::string_view name) {
    return entryFor(name) != nullptr;
}

QIcon Symbols::icon(std::string_view name) {
    const SymbolEntry* entry = entryFor(name);
    if (entry == nullptr) {
        return {};
    }
#if defined(__APPLE__)
    QIcon system;
    for (const int side : {16, 32, 64, 128}) {
        const QImage image = systemSymbolImage(name, side);
        if (!image.isNull()) {
            system.addPixmap(QPixmap::fromImage(image));
        }
    }
    if (!system.isNull()) {
        system.setIsMask(true);
        return system;
    }
#endif
    for (const std::string_view themeName : entry->themeNames) {
        if (themeName.empty()) {
            break;
        }
        QIcon themed = themeIcon(qt(themeName));
        if (!themed.isNull()) {
            return themed;
        }
    }
    return {};
}

QIcon Symbols::themeIcon(const QString& themeName) {
    useBreezeAsFallback();
    return QIcon::fromTheme(themeName);
}

QPixmap Symbols::pixmap(std::string_view name, int side, const QColor& color, qreal devicePixelRatio) {
    const QString key = QStringLiteral("tarnwick-symbol:%1:%2:%3:%4")
                            .arg(qt(name))
                            .arg(side)
                            .arg(color.rgba(), 0, 16)
                            .arg(devicePixelRatio);
    QPixmap cached;
    if (QPixmapCache::find(key, &cached)) {
        return cached;
    }
    const QIcon source = icon(name);
    const int pixels = qMax(1, qRound(side * devicePixelRatio));
    QPixmap tinted(pixels, pixels);
    tinted.fill(Qt::transparent);
    if (!source.isNull()) {
        QPainter painter(&tinted);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        source.paint(&painter, QRect(0, 0, pixels, pixels));
        // Symbols are drawn in one colour, whatever the theme's own colouring.
        painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
        painter.fillRect(tinted.rect(), color);
    }
    tinted.setDevicePixelRatio(devicePixelRatio);
    QPixmapCache::insert(key, tinted);
    return tinted;
}

} // namespace tarnwick
