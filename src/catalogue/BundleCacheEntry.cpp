#include "catalogue/BundleCacheEntry.h"

#include "platform/Location.h"
#include "platform/Text.h"

#include <charconv>
#include <limits>

namespace tarnwick {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view header = "tarnwick-bundle-cache 1\n";
constexpr std::string_view entriesHeader = "tarnwick-bundle-cache-entries 1\n";

// Far above anything a bundle holds; bounds what a lying entry can make the reader allocate.
constexpr std::uint64_t maximumCount = 4096;

class Writer {
public:
    explicit Writer(std::string_view heading)
        : out_(heading) {}

    void text(std::string_view value) {
        out_ += std::to_string(value.size());
        out_ += ':';
        out_ += value;
    }
    void number(std::uint64_t value) { text(std::to_string(value)); }
    void signedNumber(std::int64_t value) { text(std::to_string(value)); }
    void flag(bool value) { text(value ? "1" : "0"); }

    std::string take() { return std::move(out_); }

private:
    std::string out_;
};

class Reader {
public:
    explicit Reader(std::string_view bytes)
        : rest_(bytes) {}

    bool atEnd() const { return rest_.empty(); }

    std::optional<std::string_view> field() {
        const std::size_t colon = rest_.find(':');
        std::uint64_t length = 0;
        if (colon == std::string_view::npos || !parse(rest_.substr(0, colon), length) ||
            length > rest_.size() - colon - 1) {
            return std::nullopt;
        }
        const std::string_view value = rest_.substr(colon + 1, static_cast<std::size_t>(length));
        rest_.remove_prefix(colon + 1 + value.size());
        return value;
    }

    // Text as a bundle's own files could give it: valid UTF-8.
    std::optional<std::string> text() {
        const auto value = field();
        if (!value || Text::validUtf8(*value) != *value) {
            return std::nullopt;
        }
        return std::string(*value);
    }

    // Bytes as paths may hold them.
    std::optional<std::string> bytes() {
        const auto value = field();
        return value ? std::optional<std::string>(*value) : std::nullopt;
    }

    std::optional<std::uint64_t> number() {
        const auto value = field();
        std::uint64_t parsed = 0;
        return value && parse(*value, parsed) ? std::optional(parsed) : std::nullopt;
    }

    std::optional<std::int64_t> signedNumber() {
        const auto value = field();
        std::int64_t parsed = 0;
        if (!value || value->empty() || (*value)[0] == '+') {
            return std::nullopt;
        }
        const auto [end, error] = std::from_chars(value->data(), value->data() + value->size(), parsed);
        return error == std::errc() && end == value->data() + value->size() ? std::optional(parsed)
                                                                            : std::nullopt;
    }

    std::optional<bool> flag() {
        const auto value = field();
        if (!value || (*value != "0" && *value != "1")) {
            return std::nullopt;
        }
        return *value == "1";
    }

    std::optional<std::uint64_t> count() {
        const auto value = number();
        return value && *value <= maximumCount ? value : std::nullopt;
    }

private:
    // Digits only: no sign, no space, no leading zero but for zero itself.
    static bool parse(std::string_view digits, std::uint64_t& value) {
        if (digits.empty() || (digits.size() > 1 && digits[0] == '0') || digits[0] < '0' || digits[0] > '9') {
            return false;
        }
        const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
        return error == std::errc() && end == digits.data() + digits.size();
    }

    std::string_view rest_;
};

// Reads a count and that many items with `readOne`, handing each to `add`; false when anything is
// malformed.
template <typename ReadOne, typename Add> bool readList(Reader& in, ReadOne readOne, Add add) {
    const auto count = in.count();
    if (!count) {
        return false;
    }
    for (std::uint64_t i = 0; i < *count; ++i) {
        auto item = readOne();
        if (!item) {
            return false;
        }
        add(std::move(*item));
    }
    return true;
}

// A nested program's place, kept relative so that it can only ever name something inside the bundle.
std::optional<fs::path> nestedLocation(const fs::path& bundle, std::string_view relative) {
    if (relative.empty() || relative.front() == '/') {
        return std::nullopt;
    }
    const fs::path location = bundle / relative;
    if (Location::standardized(location).native() != location.native() ||
        !Location::contains(bundle, location)) {
        return std::nullopt;
    }
    return location;
}

std::optional<FileStamp> readStamp(Reader& in) {
    FileStamp stamp;
    auto relative = in.bytes();
    auto exists = in.flag();
    auto device = in.number();
    auto inode = in.number();
    auto size = in.number();
    auto seconds = in.signedNumber();
    auto nanoseconds = in.signedNumber();
    if (!relative || !exists || !device || !inode || !size || !seconds || !nanoseconds) {
        return std::nullopt;
    }
    return FileStamp{std::move(*relative), *exists, *device, *inode, *size, *seconds, *nanoseconds};
}

std::optional<NestedBundle> readNested(Reader& in, const fs::path& bundle) {
    const auto kind = in.number();
    const auto relative = in.bytes();
    auto identifier = in.text();
    if (!kind || *kind > static_cast<std::uint64_t>(NestedBundle::Kind::privilegedHelper) || !relative ||
        !identifier || !NestedBundle::isUsableIdentifier(*identifier)) {
        return std::nullopt;
    }
    auto location = nestedLocation(bundle, *relative);
    if (!location) {
        return std::nullopt;
    }
    return NestedBundle{static_cast<NestedBundle::Kind>(*kind), std::move(*location), std::move(*identifier)};
}

std::optional<BundleReading> readReading(Reader& in, const fs::path& bundle) {
    BundleReading reading;
    auto name = in.text();
    auto bundleID = in.text();
    const auto hasVersion = in.flag();
    auto version = in.text();
    auto executableName = in.text();
    const auto hasTeam = in.flag();
    auto team = in.text();
    if (!name || !bundleID || !hasVersion || !version || !executableName || !hasTeam || !team ||
        (!executableName->empty() && !Location::isSingleComponent(*executableName))) {
        return std::nullopt;
    }
    reading.name = std::move(*name);
    reading.bundleID = std::move(*bundleID);
    if (*hasVersion) {
        reading.version = std::move(*version);
    }
    reading.executableName = std::move(*executableName);
    if (*hasTeam) {
        reading.identity.teamID = std::move(*team);
    }
    const bool complete = readList(
                              in, [&] { return in.text(); },
                              [&](std::string identifier) {
                                  reading.identity.entitlementIdentifiers.insert(std::move(identifier));
                              }) &&
                          readList(
                              in, [&] { return readNested(in, bundle); },
                              [&](NestedBundle program) { reading.nested.push_back(std::move(program)); });
    return complete ? std::optional(std::move(reading)) : std::nullopt;
}

} // namespace

std::optional<std::string> pathInBundle(const fs::path& bundle, const fs::path& location) {
    if (location.native() == bundle.native()) {
        return std::string();
    }
    if (!Location::contains(bundle, location)) {
        return std::nullopt;
    }
    return location.native().substr(bundle.native().size() + 1);
}

std::string BundleCacheEntry::encode() const {
    Writer out(header);
    out.text(bundle);
    out.number(languages.size());
    for (const auto& language : languages) {
        out.text(language);
    }
    out.number(stamps.size());
    for (const FileStamp& stamp : stamps) {
        out.text(stamp.relative);
        out.flag(stamp.exists);
        out.number(stamp.device);
        out.number(stamp.inode);
        out.number(stamp.size);
        out.signedNumber(stamp.changeSeconds);
        out.signedNumber(stamp.changeNanoseconds);
    }
    out.text(reading.name);
    out.text(reading.bundleID);
    out.flag(reading.version.has_value());
    out.text(reading.version.value_or(""));
    out.text(reading.executableName);
    out.flag(reading.identity.teamID.has_value());
    out.text(reading.identity.teamID.value_or(""));
    out.number(reading.identity.entitlementIdentifiers.size());
    for (const auto& identifier : reading.identity.entitlementIdentifiers) {
        out.text(identifier);
    }
    out.number(reading.nested.size());
    for (const NestedBundle& program : reading.nested) {
        out.number(static_cast<std::uint64_t>(program.kind));
        // A place outside the bundle is written whole, which reading the entry refuses.
        out.text(pathInBundle(bundle, program.location).value_or(program.location.native()));
        out.text(program.identifier);
    }
    return out.take();
}

std::optional<BundleCacheEntry> BundleCacheEntry::decode(std::string_view bytes) {
    if (!bytes.starts_with(header)) {
        return std::nullopt;
    }
    Reader in(bytes.substr(header.size()));
    BundleCacheEntry entry;
    auto bundle = in.bytes();
    if (!bundle || bundle->empty() || bundle->front() != '/') {
        return std::nullopt;
    }
    entry.bundle = std::move(*bundle);
    const bool listsRead =
        readList(
            in, [&] { return in.text(); },
            [&](std::string language) { entry.languages.push_back(std::move(language)); }) &&
        readList(
            in, [&] { return readStamp(in); },
            [&](FileStamp stamp) { entry.stamps.push_back(std::move(stamp)); });
    if (!listsRead) {
        return std::nullopt;
    }
    auto reading = readReading(in, entry.bundle);
    if (!reading || !in.atEnd()) {
        return std::nullopt;
    }
    entry.reading = std::move(*reading);
    return entry;
}

std::optional<std::string_view> BundleCacheEntry::bundleOf(std::string_view bytes) {
    if (!bytes.starts_with(header)) {
        return std::nullopt;
    }
    Reader in(bytes.substr(header.size()));
    return in.field();
}

namespace BundleCacheEntries {

std::string encode(const std::vector<std::string_view>& entries) {
    Writer out(entriesHeader);
    for (const std::string_view entry : entries) {
        out.text(entry);
    }
    return out.take();
}

std::unordered_map<std::string_view, std::string_view> index(std::string_view bytes) {
    std::unordered_map<std::string_view, std::string_view> entries;
    if (!bytes.starts_with(entriesHeader)) {
        return entries;
    }
    Reader in(bytes.substr(entriesHeader.size()));
    while (!in.atEnd()) {
        const auto entry = in.field();
        if (!entry) {
            break;
        }
        if (const auto bundle = BundleCacheEntry::bundleOf(*entry)) {
            entries.try_emplace(*bundle, *entry);
        }
    }
    return entries;
}

} // namespace BundleCacheEntries

} // namespace tarnwick
