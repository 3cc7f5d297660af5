#include "ui/Symbols.h"

#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHash>
#include <QIconEngine>
#include <QPainter>
#include <QPalette>
#include <QPixmapCache>
#include <QStandardPaths>
#include <QString>
#include <QSvgRenderer>
#include <QTextStream>
#include <algorithm>
#include <array>
#include <map>
#include <mutex>
#include <string>
#include <vector>

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
    {"app.dashed", {"window", "application-x-executable"}},
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
    {"app", {"window", "application-x-executable"}},
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

// One installed icon theme as its index describes it: where it lies, its folders of pictures drawn for
// one nominal size (the pixel-doubled copies left out), and the themes it falls back to.
struct ThemeIndex {
    QString root;
    std::vector<std::pair<int, QString>> folders; // by size, smallest first
    QStringList inherits;
};

std::optional<ThemeIndex> readThemeIndex(const QString& theme) {
    for (const QString& path : QIcon::themeSearchPaths()) {
        QFile file(path + QLatin1Char('/') + theme + QStringLiteral("/index.theme"));
        if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
            continue;
        }
        ThemeIndex index{file.fileName().section(QLatin1Char('/'), 0, -2), {}, {}};
        QStringList listed;
        std::map<QString, int> sizes;
        QString section;
        QTextStream lines(&file);
        while (!lines.atEnd()) {
            const QString line = lines.readLine().trimmed();
            if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
                section = line.mid(1, line.size() - 2);
            } else if (const qsizetype equals = line.indexOf(QLatin1Char('=')); equals > 0) {
                const QString key = line.left(equals).trimmed();
                const QString value = line.mid(equals + 1).trimmed();
                if (section == QLatin1String("Icon Theme") && key == QLatin1String("Directories")) {
                    listed = value.split(QLatin1Char(','), Qt::SkipEmptyParts);
                } else if (section == QLatin1String("Icon Theme") && key == QLatin1String("Inherits")) {
                    index.inherits = value.split(QLatin1Char(','), Qt::SkipEmptyParts);
                } else if (key == QLatin1String("Size")) {
                    sizes[section] = value.toInt();
                }
            }
        }
        for (const QString& folder : listed) {
            if (!folder.contains(QLatin1Char('@')) && sizes.contains(folder)) {
                index.folders.emplace_back(sizes[folder], folder);
            }
        }
        std::stable_sort(index.folders.begin(), index.folders.end(),
                         [](const auto& left, const auto& right) { return left.first < right.first; });
        return index;
    }
    return std::nullopt;
}

// The scalable picture of the theme icon `name`: the one drawn for the smallest size of at least 16
// pixels, whose design is the outline a symbol is, whatever size it is then drawn at. Empty when the
// theme and those it falls back to have no such picture.
QString scalableSource(const QString& name) {
    static std::mutex mutex;
    static QHash<QString, QString> found;
    const std::lock_guard lock(mutex);
    if (const auto known = found.constFind(name); known != found.constEnd()) {
        return *known;
    }
    QStringList themes{QIcon::themeName(), QStringLiteral("breeze")};
    QString source;
    for (qsizetype next = 0; next < themes.size() && source.isEmpty(); ++next) {
        const std::optional<ThemeIndex> index = readThemeIndex(themes[next]);
        if (!index) {
            continue;
        }
        for (const auto& [size, folder] : index->folders) {
            const QString file =
                index->root + QLatin1Char('/') + folder + QLatin1Char('/') + name + QStringLiteral(".svg");
            if (size >= 16 && QFileInfo::exists(file)) {
                source = file;
                break;
            }
        }
        for (const QString& inherited : index->inherits) {
            if (!themes.contains(inherited)) {
                themes.append(inherited);
            }
        }
    }
    found.insert(name, source);
    return source;
}

// Draws the symbol's shape into a square of `pixels`, in whatever colours its source has.
void drawShape(std::string_view name, QPainter& painter, int pixels) {
    const QRect square(0, 0, pixels, pixels);
#if defined(__APPLE__)
    if (const QImage image = systemSymbolImage(name, pixels); !image.isNull()) {
        painter.drawImage(square, image);
        return;
    }
#endif
    const SymbolEntry* entry = entryFor(name);
    if (entry == nullptr) {
        return;
    }
    useBreezeAsFallback();
    for (const std::string_view themeName : entry->themeNames) {
        if (themeName.empty()) {
            break;
        }
        if (const QString file = scalableSource(qt(themeName)); !file.isEmpty()) {
            QSvgRenderer renderer(file);
            if (renderer.isValid()) {
                renderer.setAspectRatioMode(Qt::KeepAspectRatio);
                renderer.render(&painter, QRectF(square));
                return;
            }
        }
        // A theme of fixed-size pictures only: the nearest picture, never drawn larger than it is.
        if (const QIcon themed = QIcon::fromTheme(qt(themeName)); !themed.isNull()) {
            themed.paint(&painter, square);
            return;
        }
    }
}

// A symbol as an icon: drawn when asked, at the size and pixel ratio asked, in the palette's text colour
// (or a colour of its own), dimmed when disabled.
class SymbolEngine final : public QIconEngine {
public:
    SymbolEngine(std::string_view name, QColor color)
        : name_(name)
        , color_(std::move(color)) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State) override {
        const int side = std::min(rect.width(), rect.height());
        const QPixmap symbol =
            Symbols::pixmap(name_, side, colorFor(mode), painter->device()->devicePixelRatioF());
        painter->drawPixmap(
            QRect(rect.x() + (rect.width() - side) / 2, rect.y() + (rect.height() - side) / 2, side, side),
            symbol);
    }
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        return scaledPixmap(size, mode, state, 1.0);
    }
    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State, qreal scale) override {
#if QT_VERSION < QT_VERSION_CHECK(6, 8, 0)
        // Asked for in device pixels here, in points from Qt 6.8 on.
        const qreal points = std::min(size.width(), size.height()) / scale;
#else
        const qreal points = std::min(size.width(), size.height());
#endif
        return Symbols::pixmap(name_, qRound(points), colorFor(mode), scale);
    }
    QSize actualSize(const QSize& size, QIcon::Mode, QIcon::State) override {
        const int side = std::min(size.width(), size.height());
        return {side, side};
    }
    QIconEngine* clone() const override {
        return new SymbolEngine(name_, color_);
    }
    QString key() const override {
        return QStringLiteral("tarnwick-symbol");
    }
    QString iconName() override {
        return qt(name_);
    }
    bool isNull() override {
        return false;
    }

private:
    QColor colorFor(QIcon::Mode mode) const {
        const QPalette palette = QGuiApplication::palette();
        QColor color = color_.isValid() ? color_ : palette.color(QPalette::Active, QPalette::WindowText);
        if (mode == QIcon::Selected && !color_.isValid()) {
            color = palette.color(QPalette::Active, QPalette::HighlightedText);
        }
        if (mode == QIcon::Disabled) {
            color.setAlphaF(color.alphaF() * 0.4F);
        }
        return color;
    }

    std::string name_;
    QColor color_;
};

// Whether some installed source draws the symbol at all.
bool isDrawn(std::string_view name) {
    const QImage image = Symbols::pixmap(name, 16, Qt::black).toImage();
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (qAlpha(image.pixel(x, y)) > 0) {
                return true;
            }
        }
    }
    return false;
}

} // namespace

std::span<const std::string_view> Symbols::names() {
    return allNames;
}

bool Symbols::isKnown(std::string_view name) {
    return entryFor(name) != nullptr;
}

QIcon Symbols::icon(std::string_view name, const QColor& color) {
    if (entryFor(name) == nullptr || !isDrawn(name)) {
        return {};
    }
    return QIcon(new SymbolEngine(name, color));
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
    const int pixels = qMax(1, qRound(side * devicePixelRatio));
    QPixmap tinted(pixels, pixels);
    tinted.fill(Qt::transparent);
    {
        QPainter painter(&tinted);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        drawShape(name, painter, pixels);
        // Symbols are drawn in one colour, whatever the theme's own colouring.
        painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
        painter.fillRect(tinted.rect(), color);
    }
    tinted.setDevicePixelRatio(devicePixelRatio);
    QPixmapCache::insert(key, tinted);
    return tinted;
}

} // namespace tarnwick
