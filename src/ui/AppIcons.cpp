#include "ui/AppIcons.h"

#include "catalogue/Bundle.h"
#include "platform/Text.h"
#include "ui/Symbols.h"

#include <QIconEngine>
#include <QImageReader>
#include <QLinearGradient>
#include <QMimeDatabase>
#include <QPainter>
#include <QString>
#include <system_error>

namespace tarnwick {

namespace fs = std::filesystem;

namespace {

QString qtPath(const fs::path& location) {
    return QString::fromStdString(location.string());
}

QStringList namesOf(const QMimeType& type) {
    return {type.iconName(), type.genericIconName()};
}

// An application without an icon of its own: a plain grey tile with the application symbol, neutral in a
// list of real icons (a theme's "executable" icon reads as a warning there), drawn at any size.
class GenericApplicationEngine final : public QIconEngine {
public:
    void paint(QPainter* painter, const QRect& rect, QIcon::Mode, QIcon::State) override {
        const qreal side = std::min(rect.width(), rect.height());
        const QRectF tile(rect.x() + (rect.width() - side) / 2 + side * 0.08,
                          rect.y() + (rect.height() - side) / 2 + side * 0.08, side * 0.84, side * 0.84);
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        QLinearGradient shade(tile.topLeft(), tile.bottomLeft());
        shade.setColorAt(0, QColor(236, 236, 240));
        shade.setColorAt(1, QColor(196, 196, 204));
        painter->setPen(QPen(QColor(0, 0, 0, 40), std::max(1.0, side / 64)));
        painter->setBrush(shade);
        painter->drawRoundedRect(tile, tile.width() * 0.22, tile.height() * 0.22);
        const int glyph = qRound(tile.width() * 0.5);
        painter->drawPixmap(
            QRectF(tile.center().x() - glyph / 2.0, tile.center().y() - glyph / 2.0, glyph, glyph),
            Symbols::pixmap("app", glyph, QColor(110, 110, 120), painter->device()->devicePixelRatioF()),
            QRectF());
        painter->restore();
    }
    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state, qreal scale) override {
        QPixmap pixmap(size * scale);
        pixmap.fill(Qt::transparent);
        pixmap.setDevicePixelRatio(scale);
        QPainter painter(&pixmap);
        paint(&painter, QRect(QPoint(0, 0), size), mode, state);
        return pixmap;
    }
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        return scaledPixmap(size, mode, state, 1.0);
    }
    QSize actualSize(const QSize& size, QIcon::Mode, QIcon::State) override { return size; }
    QIconEngine* clone() const override { return new GenericApplicationEngine; }
    bool isNull() override { return false; }
};

} // namespace

std::optional<fs::path> AppIcons::iconFile(const fs::path& bundle) {
    const auto opened = Bundle::openInformation(bundle);
    if (!opened || !opened->infoDictionary()) {
        return std::nullopt;
    }
    const auto& info = *opened->infoDictionary();
    const auto entry = info.find("CFBundleIconFile");
    if (entry == info.end() || entry->second.asString() == nullptr) {
        return std::nullopt;
    }
    fs::path name(*entry->second.asString());
    // Only a plain file name: the key comes from an untrusted bundle.
    if (name.empty() || name != name.filename() || name == "." || name == "..") {
        return std::nullopt;
    }
    if (!name.has_extension()) {
        name += ".icns";
    }
    const fs::path file = bundle / "Contents/Resources" / name;
    std::error_code error;
    if (!fs::is_regular_file(fs::symlink_status(file, error))) {
        return std::nullopt;
    }
    return file;
}

QImage AppIcons::applicationImage(const fs::path& bundle, int side) {
    const auto file = iconFile(bundle);
    if (!file) {
        return {};
    }
    // An icon file holds one picture per size: only the one drawn is decoded.
    QImageReader reader(qtPath(*file));
    const auto better = [side](int width, int than) {
        return than < side ? width > than : width >= side && width < than;
    };
    int best = 0;
    int bestWidth = reader.size().width();
    for (int index = 1; index < reader.imageCount() && reader.jumpToImage(index); ++index) {
        if (better(reader.size().width(), bestWidth)) {
            best = index;
            bestWidth = reader.size().width();
        }
    }
    if (reader.currentImageNumber() > 0 && !reader.jumpToImage(best)) {
        return {};
    }
    const QImage image = reader.read();
    if (image.isNull() || image.width() == side) {
        return image;
    }
    return image.scaled(side, side, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}

QIcon AppIcons::genericApplication() {
    return QIcon(new GenericApplicationEngine);
}

bool AppIcons::isBundle(const fs::path& location) {
    std::error_code error;
    return Text::lowercased(location.extension().string()) == ".app" && fs::is_directory(location, error);
}

QStringList AppIcons::fileIconNames(const fs::path& location) {
    static const QMimeDatabase database;
    return namesOf(database.mimeTypeForFile(qtPath(location)));
}

QStringList AppIcons::documentTypeIconNames(std::string_view extension) {
    static const QMimeDatabase database;
    const QString name =
        QStringLiteral("document.") + QString::fromUtf8(extension.data(), qsizetype(extension.size()));
    return namesOf(database.mimeTypeForFile(name, QMimeDatabase::MatchExtension));
}

QIcon AppIcons::themed(const QStringList& names) {
    for (const QString& name : names) {
        if (QIcon icon = Symbols::themeIcon(name); !icon.isNull()) {
            return icon;
        }
    }
    return Symbols::icon("doc");
}

} // namespace tarnwick
