#include "demo/TreeBuilder.h"

#include "formats/PropertyList.h"
#include "platform/ByteOrder.h"
#include "platform/FileOperations.h"
#include "platform/PlatformError.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <stdexcept>
#include <system_error>

namespace tarnwick {

namespace fs = std::filesystem;

namespace {

constexpr std::uint64_t sparseThreshold = 1 << 20;

[[noreturn]] void fail(std::string_view what, const fs::path& path, const std::error_code& error = {}) {
    std::string message = std::string(what) + " " + path.string();
    if (error) {
        message += ": " + error.message();
    }
    throw std::runtime_error(message);
}

void createFolders(const fs::path& folder) {
    std::error_code error;
    fs::create_directories(folder, error);
    if (error || !fs::is_directory(folder, error)) {
        fail("Cannot create the folder", folder, error);
    }
}

void writeBytes(const fs::path& file, std::string_view bytes) {
    if (file.has_parent_path()) {
        createFolders(file.parent_path());
    }
    try {
        FileOperations::writeFile(file, bytes);
    } catch (const PlatformError& error) {
        throw std::runtime_error(error.message());
    }
}

// ---- PNG and .icns ----

void appendBig32(std::string& out, std::uint32_t value) {
    ByteOrder::appendBig(out, value, 4);
}

std::uint32_t crc32(std::string_view bytes) {
    static const auto table = [] {
        std::array<std::uint32_t, 256> entries{};
        for (std::uint32_t n = 0; n < 256; ++n) {
            std::uint32_t c = n;
            for (int k = 0; k < 8; ++k) {
                c = (c & 1) != 0 ? 0xedb88320u ^ (c >> 1) : c >> 1;
            }
            entries[n] = c;
        }
        return entries;
    }();
    std::uint32_t crc = 0xffffffffu;
    for (const char byte : bytes) {
        crc = table[(crc ^ static_cast<std::uint8_t>(byte)) & 0xff] ^ (crc >> 8);
    }
    return crc ^ 0xffffffffu;
}

std::uint32_t adler32(std::string_view bytes) {
    std::uint32_t a = 1;
    std::uint32_t b = 0;
    for (const char byte : bytes) {
        a = (a + static_cast<std::uint8_t>(byte)) % 65521;
        b = (b + a) % 65521;
    }
    return (b << 16) | a;
}

// A zlib stream of stored (uncompressed) deflate blocks: valid for every reader, and needs no library.
std::string zlibStored(std::string_view data) {
    std::string out("\x78\x01", 2);
    std::size_t offset = 0;
    do {
        const std::size_t length = std::min<std::size_t>(data.size() - offset, 0xffff);
        const bool last = offset + length == data.size();
        out.push_back(last ? '\x01' : '\x00');
        out.push_back(static_cast<char>(length & 0xff));
        out.push_back(static_cast<char>(length >> 8));
        out.push_back(static_cast<char>(~length & 0xff));
        out.push_back(static_cast<char>((~length >> 8) & 0xff));
        out.append(data.substr(offset, length));
        offset += length;
    } while (offset < data.size());
    appendBig32(out, adler32(data));
    return out;
}

void appendChunk(std::string& png, std::string_view type, std::string_view data) {
    appendBig32(png, static_cast<std::uint32_t>(data.size()));
    std::string body(type);
    body.append(data);
    png.append(body);
    appendBig32(png, crc32(body));
}

struct Colour {
    double red, green, blue;
};

Colour fromHue(double hue) {
    // Saturated but not garish: HSV with S = 0.55, V = 0.85.
    const double s = 0.55;
    const double v = 0.85;
    const double h = std::fmod(hue, 1.0) * 6.0;
    const double f = h - std::floor(h);
    const double p = v * (1 - s);
    const double q = v * (1 - s * f);
    const double t = v * (1 - s * (1 - f));
    switch (static_cast<int>(h) % 6) {
    case 0:
        return {v, t, p};
    case 1:
        return {q, v, p};
    case 2:
        return {p, v, t};
    case 3:
        return {p, q, v};
    case 4:
        return {t, p, v};
    default:
        return {v, p, q};
    }
}

// A rounded square with a vertical shade and a light ring: enough to tell the demo apps apart.
std::string iconPng(std::string_view seed) {
    constexpr int side = 128;
    std::uint32_t hash = 2166136261u;
    for (const char byte : seed) {
        hash = (hash ^ static_cast<std::uint8_t>(byte)) * 16777619u;
    }
    const Colour base = fromHue((hash % 360) / 360.0);

    std::string raw;
    raw.reserve(static_cast<std::size_t>(side) * (1 + side * 4));
    for (int y = 0; y < side; ++y) {
        raw.push_back('\0'); // filter: none
        for (int x = 0; x < side; ++x) {
            const double px = x + 0.5 - side / 2.0;
            const double py = y + 0.5 - side / 2.0;
            // Signed distance to a square of half-side 56 with corners of radius 24.
            const double qx = std::abs(px) - 32;
            const double qy = std::abs(py) - 32;
            const double outside = std::hypot(std::max(qx, 0.0), std::max(qy, 0.0));
            const double distance = outside + std::min(std::max(qx, qy), 0.0) - 24;
            const double coverage = std::clamp(0.5 - distance, 0.0, 1.0);
            const double shade = 1.15 - 0.35 * (y / static_cast<double>(side));
            const double ring = std::clamp(0.5 - (std::abs(std::hypot(px, py) - 28) - 6), 0.0, 1.0) * 0.85;
            auto channel = [&](double value) {
                const double shaded = std::min(value * shade, 1.0);
                return static_cast<char>(std::lround(255 * (shaded * (1 - ring) + ring)));
            };
            raw.push_back(channel(base.red));
            raw.push_back(channel(base.green));
            raw.push_back(channel(base.blue));
            raw.push_back(static_cast<char>(std::lround(255 * coverage)));
        }
    }

    std::string png("\x89PNG\r\n\x1a\n", 8);
    std::string header;
    appendBig32(header, side);
    appendBig32(header, side);
    header.append("\x08\x06\x00\x00\x00", 5); // 8 bits per channel, RGBA, deflate, no filter, no interlace
    appendChunk(png, "IHDR", header);
    appendChunk(png, "IDAT", zlibStored(raw));
    appendChunk(png, "IEND", {});
    return png;
}

// ---- Info.plist and InfoPlist.strings ----

std::string escapedStringsText(std::string_view text) {
    std::string out;
    for (const char c : text) {
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        default:
            out.push_back(c);
        }
    }
    return out;
}

void appendUtf16Unit(std::string& out, std::uint32_t unit) {
    out.push_back(static_cast<char>(unit & 0xff));
    out.push_back(static_cast<char>(unit >> 8));
}

// UTF-8 to UTF-16 little-endian; malformed sequences become U+FFFD.
std::string utf16LittleEndian(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<std::uint8_t>(text[i]);
        const int length = lead < 0x80           ? 1
                           : (lead >> 5) == 0x6  ? 2
                           : (lead >> 4) == 0xe  ? 3
                           : (lead >> 3) == 0x1e ? 4
                                                 : 0;
        std::uint32_t scalar = 0xfffd;
        if (length > 0 && i + length <= text.size()) {
            scalar = length == 1 ? lead : lead & (0xff >> (length + 1));
            for (int k = 1; k < length; ++k) {
                const auto next = static_cast<std::uint8_t>(text[i + k]);
                if ((next & 0xc0) != 0x80) {
                    scalar = 0xfffd;
                    break;
                }
                scalar = (scalar << 6) | (next & 0x3f);
            }
            i += length;
        } else {
            ++i;
        }
        if (scalar >= 0x10000) {
            scalar -= 0x10000;
            appendUtf16Unit(out, 0xd800 | (scalar >> 10));
            appendUtf16Unit(out, 0xdc00 | (scalar & 0x3ff));
        } else {
            appendUtf16Unit(out, scalar);
        }
    }
    return out;
}

std::string stringsFile(const std::map<std::string, std::string>& table) {
    std::string text = "/* Localized versions of Info.plist keys */\n\n";
    for (const auto& [key, value] : table) {
        text += "\"" + escapedStringsText(key) + "\" = \"" + escapedStringsText(value) + "\";\n";
    }
    return std::string("\xff\xfe", 2) + utf16LittleEndian(text);
}

PlistValue::Dictionary infoDictionary(const AppSpec& appSpec, const std::string& executable) {
    PlistValue::Dictionary info{
        {"CFBundleDevelopmentRegion", "en"},
        {"CFBundleInfoDictionaryVersion", "6.0"},
        {"CFBundlePackageType", "APPL"},
        {"LSMinimumSystemVersion", "13.0"},
    };
    if (!appSpec.bundleID.empty()) {
        info["CFBundleIdentifier"] = appSpec.bundleID;
    }
    const std::pair<const char*, const std::optional<std::string>*> optionalKeys[] = {
        {"CFBundleDisplayName", &appSpec.displayName},
        {"CFBundleName", &appSpec.bundleName},
        {"CFBundleShortVersionString", &appSpec.shortVersion},
        {"CFBundleVersion", &appSpec.version},
    };
    for (const auto& [key, value] : optionalKeys) {
        if (value->has_value()) {
            info[key] = **value;
        }
    }
    if (!executable.empty()) {
        info["CFBundleExecutable"] = executable;
    }
    if (appSpec.icon) {
        info["CFBundleIconFile"] = "AppIcon";
    }
    for (const auto& [key, value] : appSpec.extraInfo) {
        info[key] = value;
    }
    return info;
}

} // namespace

TreeBuilder::TreeBuilder(const Platform& platform)
    : platform_(platform) {}

fs::path TreeBuilder::addApp(const fs::path& folder, const AppSpec& appSpec) const {
    const fs::path name(appSpec.fileName);
    if (appSpec.fileName.empty() || name != name.filename() || appSpec.fileName == "." ||
        appSpec.fileName == "..") {
        throw std::invalid_argument("An application needs a plain file name, not '" + appSpec.fileName + "'");
    }
    const fs::path bundle = folder / name;
    createFolders(bundle);
    if (!appSpec.writesInfoPlist) {
        return bundle;
    }

    const fs::path contents = bundle / "Contents";
    const std::string executable = appSpec.executable.value_or(name.stem().string());
    const PlistValue info(infoDictionary(appSpec, executable));
    writeBytes(contents / "Info.plist", appSpec.infoFormat == AppSpec::PlistFormat::binary
                                            ? PropertyList::toBinary(info)
                                            : PropertyList::toXml(info));
    writeBytes(contents / "PkgInfo", "APPL????");

    if (!executable.empty()) {
        const MachOImage image = appSpec.executableImage.value_or(MachOImage{.slices = {MachOSlice{}}});
        MachOWriter::write(image, contents / "MacOS" / executable);
    }
    createFolders(contents / "Resources");
    if (appSpec.icon) {
        writeBytes(contents / "Resources/AppIcon.icns", iconData(appSpec.bundleID + appSpec.fileName));
    }
    for (const auto& [language, table] : appSpec.localizedInfo) {
        writeBytes(contents / "Resources" / (language + ".lproj") / "InfoPlist.strings", stringsFile(table));
    }
    for (const AppSpec& helper : appSpec.helpers) {
        addApp(contents / "Helpers", helper);
    }
    for (const AppSpec& item : appSpec.loginItems) {
        addApp(contents / "Library/LoginItems", item);
    }
    for (const auto& [relative, item] : appSpec.nested) {
        addApp(contents / relative, item);
    }
    for (const std::string& identifier : appSpec.privilegedHelpers) {
        if (fs::path(identifier) != fs::path(identifier).filename() || identifier.empty()) {
            throw std::invalid_argument("A helper tool needs a plain identifier, not '" + identifier + "'");
        }
        MachOWriter::write(MachOImage{.slices = {MachOSlice{}}},
                           contents / "Library/LaunchServices" / identifier);
    }
    return bundle;
}

fs::path TreeBuilder::addFile(const fs::path& file, std::string_view contents) const {
    writeBytes(file, contents);
    return file;
}

fs::path TreeBuilder::addFile(const fs::path& file, std::uint64_t size) const {
    static constexpr std::string_view line = "Tarnwick demo data, nothing of value.\n";
    const std::uint64_t written = size > sparseThreshold ? 64 * 1024 : size;
    std::string filler;
    filler.reserve(written);
    while (filler.size() < written) {
        filler.append(line.substr(0, std::min<std::size_t>(line.size(), written - filler.size())));
    }
    writeBytes(file, filler);
    if (size > written) {
        std::error_code error;
        fs::resize_file(file, size, error);
        if (error) {
            fail("Cannot extend the file", file, error);
        }
    }
    return file;
}

fs::path TreeBuilder::addFolder(const fs::path& folder) const {
    createFolders(folder);
    return folder;
}

fs::path TreeBuilder::addLink(const fs::path& link, const fs::path& target) const {
    if (link.has_parent_path()) {
        createFolders(link.parent_path());
    }
    std::error_code error;
    const fs::file_status existing = fs::symlink_status(link, error);
    if (fs::exists(existing) && !fs::is_directory(existing)) {
        fs::remove(link, error);
    }
    fs::create_symlink(target, link, error);
    if (error) {
        fail("Cannot create the link", link, error);
    }
    return link;
}

fs::path TreeBuilder::userLibrary(std::string_view relative) const {
    const fs::path library = platform_.home() / "Library";
    return relative.empty() ? library : library / relative;
}

fs::path TreeBuilder::systemLibrary(std::string_view relative) const {
    const fs::path library = platform_.system("/Library");
    return relative.empty() ? library : library / relative;
}

std::string TreeBuilder::iconData(std::string_view seed) {
    const std::string png = iconPng(seed);
    std::string icns("icns", 4);
    appendBig32(icns, static_cast<std::uint32_t>(8 + 8 + png.size()));
    icns.append("ic07", 4);
    appendBig32(icns, static_cast<std::uint32_t>(8 + png.size()));
    icns.append(png);
    return icns;
}

} // namespace tarnwick
