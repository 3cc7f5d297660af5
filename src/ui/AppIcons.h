#pragma once

#include <QIcon>
#include <QImage>
#include <QStringList>
#include <filesystem>
#include <optional>
#include <string_view>

namespace tarnwick {

// Icons of applications, files and document types as the file browser would show them. What reads the disk
// returns images and names, safe on any thread; only `themed` and `genericApplication` make icons, on the
// main thread.
class AppIcons {
public:
    // The image the bundle declares (`CFBundleIconFile` in Contents/Resources, ".icns" added when the name
    // has no extension), decoded from its smallest picture at least `side` pixels wide and scaled to `side`;
    // a null image when it declares none or the file cannot be read.
    static QImage applicationImage(const std::filesystem::path& bundle, int side);
    static QIcon genericApplication();

    // The file `CFBundleIconFile` names, when the bundle names one inside its Resources folder and it is a
    // regular file. A name leading out of the folder is ignored.
    static std::optional<std::filesystem::path> iconFile(const std::filesystem::path& bundle);

    // Whether `location` is an application bundle, whose own icon stands for it.
    static bool isBundle(const std::filesystem::path& location);
    // The theme names of a file's or folder's icon, from its type, the more specific first.
    static QStringList fileIconNames(const std::filesystem::path& location);
    // The theme names of the icon of documents with the file extension `extension` (without the dot).
    static QStringList documentTypeIconNames(std::string_view extension);
    // The first of `names` the icon theme has; a plain document's icon when it has none.
    static QIcon themed(const QStringList& names);
};

} // namespace tarnwick
