#pragma once

#include <QIcon>
#include <filesystem>
#include <optional>
#include <string_view>

namespace tarnwick {

// Icons of applications, files and document types as the file browser would show them. Icons hold
// pixmaps: call these on the main thread.
class AppIcons {
public:
    // The icon the bundle declares (`CFBundleIconFile` in Contents/Resources, ".icns" added when the name
    // has no extension); the generic application icon when it declares none or the file cannot be read.
    static QIcon application(const std::filesystem::path& bundle);
    static QIcon genericApplication();

    // The file `CFBundleIconFile` names, when the bundle names one inside its Resources folder and it is a
    // regular file. A name leading out of the folder is ignored.
    static std::optional<std::filesystem::path> iconFile(const std::filesystem::path& bundle);

    // A file's or folder's icon from its MIME type; an application bundle gets its own icon.
    static QIcon file(const std::filesystem::path& location);
    // The icon of documents with the file extension `extension` (without the dot).
    static QIcon documentType(std::string_view extension);
};

} // namespace tarnwick
