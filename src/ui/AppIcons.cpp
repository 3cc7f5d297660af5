#include "ui/AppIcons.h"

#include "catalogue/Bundle.h"
#include "platform/Text.h"
#include "ui/Symbols.h"

#include <QImageReader>
#include <QMimeDatabase>
#include <QString>
#include <system_error>

namespace tarnwick {

namespace fs = std::filesystem;

namespace {

QString qtPath(const fs::path& location) {
    return QString::fromStdString(location.string());
}

QIcon iconOf(const QMimeType& type) {
    QIcon icon = Symbols::themeIcon(type.iconName());
    if (icon.isNull()) {
        icon = Symbols::themeIcon(type.genericIconName());
    }
    return icon.isNull() ? Symbols::icon("doc") : icon;
}

bool isBundleFolder(const fs::path& location) {
    std::error_code error;
    return Text::lowercased(location.extension().string()) == ".app" && fs::is_directory(location, error);
}

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

QIcon AppIcons::application(const fs::path& bundle) {
    const auto file = iconFile(bundle);
    if (!file) {
        return genericApplication();
    }
    QIcon icon;
    QImageReader reader(qtPath(*file));
    do {
        const QImage image = reader.read();
        if (!image.isNull()) {
            icon.addPixmap(QPixmap::fromImage(image));
        }
    } while (reader.jumpToNextImage());
    return icon.isNull() ? genericApplication() : icon;
}

QIcon AppIcons::genericApplication() {
    return Symbols::icon("app");
}

QIcon AppIcons::file(const fs::path& location) {
    if (isBundleFolder(location)) {
        return application(location);
    }
    static const QMimeDatabase database;
    return iconOf(database.mimeTypeForFile(qtPath(location)));
}

QIcon AppIcons::documentType(std::string_view extension) {
    static const QMimeDatabase database;
    const QString name =
        QStringLiteral("document.") + QString::fromUtf8(extension.data(), qsizetype(extension.size()));
    return iconOf(database.mimeTypeForFile(name, QMimeDatabase::MatchExtension));
}

} // namespace tarnwick
