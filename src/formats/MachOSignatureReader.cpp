#include "formats/MachOSignatureReader.h"

#include "formats/PlistValue.h"
#include "platform/ByteOrder.h"
#include "platform/FileDescriptor.h"
#include "platform/Text.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <sys/stat.h>
#include <unistd.h>

namespace tarnwick::MachOSignatureReader {
namespace {

constexpr std::uint32_t fatMagic = 0xcafebabe;
constexpr std::uint32_t fat64Magic = 0xcafebabf;
constexpr std::uint32_t thin64Magic = 0xfeedfacf;
constexpr std::uint32_t thin32Magic = 0xfeedface;
constexpr std::uint32_t arm64CpuType = 0x0100000c;
constexpr std::uint32_t x86_64CpuType = 0x01000007;
constexpr std::uint32_t codeSignatureCommand = 0x1d;

constexpr std::uint32_t superBlobMagic = 0xfade0cc0;
constexpr std::uint32_t codeDirectoryMagic = 0xfade0c02;
constexpr std::uint32_t xmlEntitlementsMagic = 0xfade7171;
constexpr std::uint32_t derEntitlementsMagic = 0xfade7172;
constexpr std::uint32_t codeDirectorySlot = 0;
constexpr std::uint32_t xmlEntitlementsSlot = 5;
constexpr std::uint32_t derEntitlementsSlot = 7;
constexpr std::uint32_t firstAlternateSlot = 0x1000;
constexpr std::uint32_t lastAlternateSlot = 0x1004;
constexpr std::array<std::uint32_t, 6> codeDirectorySlots{
    codeDirectorySlot, 0x1000, 0x1001, 0x1002, 0x1003, 0x1004};

constexpr std::uint32_t adHocFlag = 0x2;
constexpr std::uint32_t linkerSignedFlag = 0x20000;
constexpr std::uint32_t teamVersion = 0x20200;
constexpr std::uint64_t codeDirectoryMinimumSize = 44; // through spare2, the oldest layout
constexpr std::uint64_t codeDirectoryTeamSize = 52;    // through teamOffset

// Far above anything a linker or codesign produces; they bound the work and memory a lying file can ask
// for.
constexpr std::uint32_t maximumArchitectures = 64;
constexpr std::uint32_t maximumCommands = 4096;
constexpr std::uint32_t maximumCommandBytes = 1 << 20;
constexpr std::uint32_t maximumBlobs = 64;
constexpr std::uint64_t maximumEntitlementsBytes = 1 << 20;
constexpr std::uint64_t maximumTeamLength = 255;

using ByteOrder::big32;
using ByteOrder::big64;
using ByteOrder::little32;

// A range of the source. Every read is checked against it, and a range is only ever made inside its
// parent, so no offset computed from the file can reach outside what it was given.
class Window {
public:
    explicit Window(ByteSource& source)
        : source_(&source)
        , size_(source.size()) {}

    std::uint64_t size() const { return size_; }

    bool contains(std::uint64_t offset, std::uint64_t length) const {
        return offset <= size_ && length <= size_ - offset;
    }

    std::optional<Window> part(std::uint64_t offset, std::uint64_t length) const {
        if (!contains(offset, length)) {
            return std::nullopt;
        }
        return Window(*source_, base_ + offset, length);
    }

    bool read(std::uint64_t offset, char* destination, std::size_t length) const {
        return contains(offset, length) && source_->read(base_ + offset, destination, length);
    }

    // Callers bound `length` by one of the maximums above before asking.
    std::optional<std::string> bytes(std::uint64_t offset, std::uint64_t length) const {
        if (!contains(offset, length)) {
            return std::nullopt;
        }
        std::string out(static_cast<std::size_t>(length), '\0');
        if (!read(offset, out.data(), out.size())) {
            return std::nullopt;
        }
        return out;
    }

private:
    Window(ByteSource& source, std::uint64_t base, std::uint64_t size)
        : source_(&source)
        , base_(base)
        , size_(size) {}

    ByteSource* source_;
    std::uint64_t base_ = 0;
    std::uint64_t size_;
};

// Reads the source in aligned blocks and keeps the last few, so that the many small reads of headers, tables
// and blobs cost two or three reads of the file: one for its start and load commands, one for its
// signature (and one for the slice of a universal file).
class ReadAhead final : public ByteSource {
public:
    explicit ReadAhead(ByteSource& inner)
        : inner_(inner) {}

    std::uint64_t size() const override { return inner_.size(); }

    bool read(std::uint64_t offset, char* destination, std::size_t length) override {
        const std::uint64_t total = inner_.size();
        if (offset > total || length > total - offset) {
            return false;
        }
        if (length == 0) {
            return true;
        }
        if (length > directReadLength) {
            return inner_.read(offset, destination, length);
        }
        const std::uint64_t first = offset / blockSize;
        const std::uint64_t last = (offset + length - 1) / blockSize;
        if (!fetch(first, last)) {
            return false;
        }
        for (std::uint64_t block = first; block <= last; ++block) {
            const std::string& held = blocks_.at(block);
            const std::uint64_t start = std::max(offset, block * blockSize);
            const std::uint64_t end =
                std::min<std::uint64_t>(offset + length, block * blockSize + held.size());
            std::memcpy(destination + (start - offset), held.data() + (start - block * blockSize),
                        static_cast<std::size_t>(end - start));
        }
        return true;
    }

private:
    static constexpr std::uint64_t blockSize = 16 * 1024;
    static constexpr std::size_t directReadLength = 4 * blockSize;
    static constexpr std::size_t heldBlocks = 8;

    // Reads the blocks `first` to `last` that are not at hand, in one read.
    bool fetch(std::uint64_t first, std::uint64_t last) {
        if (blocks_.size() + (last - first + 1) > heldBlocks) {
            blocks_.clear();
        }
        while (first <= last && blocks_.contains(first)) {
            ++first;
        }
        while (last > first && blocks_.contains(last)) {
            --last;
        }
        if (first > last) {
            return true;
        }
        const std::uint64_t start = first * blockSize;
        const std::uint64_t end = std::min(inner_.size(), (last + 1) * blockSize);
        std::string bytes(static_cast<std::size_t>(end - start), '\0');
        if (!inner_.read(start, bytes.data(), bytes.size())) {
            return false;
        }
        for (std::uint64_t block = first; block <= last; ++block) {
            const std::uint64_t from = (block - first) * blockSize;
            blocks_[block] = bytes.substr(static_cast<std::size_t>(from),
                                          static_cast<std::size_t>(std::min(blockSize, bytes.size() - from)));
        }
        return true;
    }

    ByteSource& inner_;
    std::map<std::uint64_t, std::string> blocks_;
};

// The slice a Mac would run: arm64, else x86_64, else the first. The whole file for a thin one.
std::optional<Window> chooseSlice(const Window& file) {
    std::array<char, 8> header{};
    if (!file.read(0, header.data(), header.size())) {
        return std::nullopt;
    }
    const std::uint32_t magic = big32(header.data());
    if (magic != fatMagic && magic != fat64Magic) {
        return file;
    }
    const bool wide = magic == fat64Magic;
    const std::uint32_t count = big32(header.data() + 4);
    if (count == 0 || count > maximumArchitectures) {
        return std::nullopt;
    }
    const std::uint64_t entrySize = wide ? 32 : 20;
    const auto table = file.bytes(header.size(), count * entrySize);
    if (!table) {
        return std::nullopt;
    }
    auto cpuType = [&](std::uint32_t i) { return big32(table->data() + i * entrySize); };
    std::uint32_t chosen = 0;
    bool found = false;
    for (const std::uint32_t wanted : {arm64CpuType, x86_64CpuType}) {
        for (std::uint32_t i = 0; i < count && !found; ++i) {
            if (cpuType(i) == wanted) {
                chosen = i;
                found = true;
            }
        }
    }
    const char* entry = table->data() + chosen * entrySize;
    const std::uint64_t offset = wide ? big64(entry + 8) : big32(entry + 8);
    const std::uint64_t size = wide ? big64(entry + 16) : big32(entry + 12);
    return file.part(offset, size);
}

// Load commands are read this much at a time: one read holds all of most executables', and a file whose
// code signature command comes early costs no more however many commands follow it.
constexpr std::uint64_t commandReadStep = 16 * 1024;

// The load commands of a slice, read in steps as the search moves through them: what lies past the
// command looked for, or inside a command larger than a step, is never read.
class CommandReader {
public:
    explicit CommandReader(const Window& commands)
        : commands_(commands) {}

    // The `length` bytes at `offset`, reading on from there when they are not at hand; null when they
    // lie outside the commands or cannot be read.
    const char* at(std::uint64_t offset, std::uint64_t length) {
        if (offset >= start_ && offset - start_ <= held_.size() &&
            length <= held_.size() - (offset - start_)) {
            return held_.data() + (offset - start_);
        }
        if (!commands_.contains(offset, length)) {
            return nullptr;
        }
        const std::uint64_t step = std::max(length, std::min(commandReadStep, commands_.size() - offset));
        auto bytes = commands_.bytes(offset, step);
        if (!bytes) {
            return nullptr;
        }
        held_ = std::move(*bytes);
        start_ = offset;
        return held_.data();
    }

private:
    Window commands_;
    std::string held_;
    std::uint64_t start_ = 0;
};

// The range LC_CODE_SIGNATURE names, relative to the slice.
std::optional<Window> signatureRegion(const Window& slice) {
    // One read covers the header of either width.
    std::array<char, 32> header{};
    const auto available = static_cast<std::size_t>(std::min<std::uint64_t>(slice.size(), header.size()));
    if (available < 4 || !slice.read(0, header.data(), available)) {
        return std::nullopt;
    }
    const std::uint32_t magic = little32(header.data());
    if (magic != thin64Magic && magic != thin32Magic) {
        return std::nullopt;
    }
    const std::size_t headerSize = magic == thin64Magic ? 32 : 28;
    if (available < headerSize) {
        return std::nullopt;
    }
    const std::uint32_t commandCount = little32(header.data() + 16);
    const std::uint32_t commandBytes = little32(header.data() + 20);
    if (commandCount > maximumCommands || commandBytes > maximumCommandBytes) {
        return std::nullopt;
    }
    // All the commands must lie in the slice, even those never read.
    const auto commands = slice.part(headerSize, commandBytes);
    if (!commands) {
        return std::nullopt;
    }
    CommandReader reader(*commands);
    std::uint64_t at = 0;
    for (std::uint32_t i = 0; i < commandCount; ++i) {
        const char* start = reader.at(at, 8);
        if (start == nullptr) {
            return std::nullopt;
        }
        const std::uint32_t command = little32(start);
        const std::uint32_t commandSize = little32(start + 4);
        if (commandSize < 8 || commandSize > commandBytes - at) {
            return std::nullopt;
        }
        if (command == codeSignatureCommand) {
            const char* signature = commandSize < 16 ? nullptr : reader.at(at, 16);
            if (signature == nullptr) {
                return std::nullopt;
            }
            return slice.part(little32(signature + 8), little32(signature + 12));
        }
        at += commandSize;
    }
    return std::nullopt;
}

// A signature that lies anywhere in the parts read is refused whole: it identifies nothing.
class SuperBlobReader {
public:
    explicit SuperBlobReader(const Window& region)
        : region_(region) {}

    std::optional<Signature> read() {
        if (!readIndex()) {
            return std::nullopt;
        }
        Signature signature;
        if (!readTeam(signature.teamID) || !readPayload(xmlEntitlementsSlot, signature.xmlEntitlements) ||
            !readPayload(derEntitlementsSlot, signature.derEntitlements)) {
            return std::nullopt;
        }
        return signature;
    }

private:
    static std::optional<std::uint32_t> expectedMagic(std::uint32_t slot) {
        if (slot == codeDirectorySlot || (slot >= firstAlternateSlot && slot <= lastAlternateSlot)) {
            return codeDirectoryMagic;
        }
        if (slot == xmlEntitlementsSlot) {
            return xmlEntitlementsMagic;
        }
        if (slot == derEntitlementsSlot) {
            return derEntitlementsMagic;
        }
        return std::nullopt;
    }

    // Checks the whole index, and the header of each blob that will be used.
    bool readIndex() {
        std::array<char, 12> header{};
        if (!region_.read(0, header.data(), header.size()) || big32(header.data()) != superBlobMagic) {
            return false;
        }
        const std::uint32_t length = big32(header.data() + 4);
        const std::uint32_t count = big32(header.data() + 8);
        if (count > maximumBlobs) {
            return false;
        }
        const std::uint64_t indexEnd = header.size() + std::uint64_t{count} * 8;
        const auto superBlob = region_.part(0, length);
        if (!superBlob || length < indexEnd) {
            return false;
        }
        const auto index = superBlob->bytes(header.size(), indexEnd - header.size());
        if (!index) {
            return false;
        }
        for (std::uint32_t i = 0; i < count; ++i) {
            const std::uint32_t slot = big32(index->data() + i * 8);
            const std::uint32_t offset = big32(index->data() + i * 8 + 4);
            if (offset < indexEnd || !superBlob->contains(offset, 8)) {
                return false;
            }
            const auto magic = expectedMagic(slot);
            if (!magic) {
                continue;
            }
            std::array<char, 8> blobHeader{};
            if (!superBlob->read(offset, blobHeader.data(), blobHeader.size()) ||
                big32(blobHeader.data()) != *magic) {
                return false;
            }
            const auto blob = superBlob->part(offset, big32(blobHeader.data() + 4));
            if (!blob || blob->size() < blobHeader.size() || !blobs_.emplace(slot, *blob).second) {
                return false;
            }
        }
        return true;
    }

    // The first CodeDirectory, slot 0 before the alternates, that says anything about a team decides.
    bool readTeam(std::optional<std::string>& team) const {
        for (const std::uint32_t slot : codeDirectorySlots) {
            const auto found = blobs_.find(slot);
            if (found == blobs_.end()) {
                continue;
            }
            const Window& directory = found->second;
            std::array<char, codeDirectoryTeamSize> header{};
            const auto available =
                static_cast<std::size_t>(std::min<std::uint64_t>(directory.size(), header.size()));
            if (available < codeDirectoryMinimumSize || !directory.read(0, header.data(), available)) {
                return false;
            }
            const std::uint32_t version = big32(header.data() + 8);
            const std::uint32_t flags = big32(header.data() + 12);
            if ((flags & (adHocFlag | linkerSignedFlag)) != 0) {
                return true;
            }
            if (version < teamVersion) {
                continue;
            }
            if (available < codeDirectoryTeamSize) {
                return false;
            }
            const std::uint32_t teamOffset = big32(header.data() + 48);
            if (teamOffset == 0) {
                continue;
            }
            if (teamOffset >= directory.size()) {
                return false;
            }
            const auto text = directory.bytes(
                teamOffset, std::min<std::uint64_t>(directory.size() - teamOffset, maximumTeamLength + 1));
            const std::size_t end = text ? text->find('\0') : std::string::npos;
            if (end == std::string::npos) {
                return false;
            }
            if (end > 0) {
                team = Text::validUtf8(std::string_view(*text).substr(0, end));
                return true;
            }
        }
        return true;
    }

    bool readPayload(std::uint32_t slot, std::optional<std::string>& payload) const {
        const auto found = blobs_.find(slot);
        if (found == blobs_.end()) {
            return true;
        }
        const std::uint64_t length = found->second.size() - 8;
        if (length > maximumEntitlementsBytes) {
            return false;
        }
        payload = found->second.bytes(8, length);
        return payload.has_value();
    }

    Window region_;
    std::map<std::uint32_t, Window> blobs_;
};

} // namespace

bool MemorySource::read(std::uint64_t offset, char* destination, std::size_t length) {
    if (offset > bytes_.size() || length > bytes_.size() - offset) {
        return false;
    }
    if (length > 0) {
        std::memcpy(destination, bytes_.data() + offset, length);
    }
    return true;
}

FileSource::FileSource(int descriptor)
    : descriptor_(descriptor) {
    struct stat status {};
    if (::fstat(descriptor, &status) == 0 && S_ISREG(status.st_mode) && status.st_size > 0) {
        size_ = static_cast<std::uint64_t>(status.st_size);
    }
}

bool FileSource::read(std::uint64_t offset, char* destination, std::size_t length) {
    // The size was taken when the source was made; a file that shrinks since fails its reads.
    if (offset > size_ || length > size_ - offset) {
        return false;
    }
    while (length > 0) {
        ++readCalls_;
        const ssize_t count = ::pread(descriptor_, destination, length, static_cast<off_t>(offset));
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count <= 0) {
            return false;
        }
        const auto got = static_cast<std::size_t>(count);
        bytesRead_ += got;
        destination += got;
        offset += got;
        length -= got;
    }
    return true;
}

std::optional<Signature> read(ByteSource& source) {
    ReadAhead blocks(source);
    const auto slice = chooseSlice(Window(blocks));
    if (!slice) {
        return std::nullopt;
    }
    const auto region = signatureRegion(*slice);
    if (!region) {
        return std::nullopt;
    }
    return SuperBlobReader(*region).read();
}

std::optional<Signature> read(const std::filesystem::path& file) {
    // Non-blocking, so that a named pipe put where the executable should be cannot stall the caller.
    const FileDescriptor descriptor(::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (!descriptor.isOpen()) {
        return std::nullopt;
    }
    FileSource source(descriptor.get());
    return read(source);
}

} // namespace tarnwick::MachOSignatureReader
