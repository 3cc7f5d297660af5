#include "demo/MachOWriter.h"

#include "formats/PropertyList.h"
#include "platform/ByteOrder.h"
#include "platform/FileDescriptor.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <stdexcept>
#include <string_view>
#include <sys/stat.h>
#include <type_traits>
#include <unistd.h>
#include <utility>

namespace tarnwick {
namespace {

using ByteOrder::appendBig;
using ByteOrder::appendLittle;

void le32(std::string& out, std::uint64_t value) {
    appendLittle(out, value, 4);
}
void le64(std::string& out, std::uint64_t value) {
    appendLittle(out, value, 8);
}
void be32(std::string& out, std::uint64_t value) {
    appendBig(out, value, 4);
}
void be64(std::string& out, std::uint64_t value) {
    appendBig(out, value, 8);
}

std::uint64_t roundUp(std::uint64_t value, std::uint64_t multiple) {
    return (value + multiple - 1) / multiple * multiple;
}

// A file as the pieces that hold anything, at their offsets; the rest, up to its size, is zeros.
struct Pieces {
    std::vector<std::pair<std::uint64_t, std::string>> pieces{};
    std::uint64_t size = 0;

    void place(std::uint64_t offset, std::string bytes) {
        size = std::max(size, offset + bytes.size());
        pieces.emplace_back(offset, std::move(bytes));
    }

    void place(std::uint64_t offset, const Pieces& part) {
        for (const auto& [at, bytes] : part.pieces) {
            place(offset + at, bytes);
        }
        size = std::max(size, offset + part.size);
    }

    std::string joined() const {
        std::string out(size, '\0');
        for (const auto& [offset, bytes] : pieces) {
            out.replace(offset, bytes.size(), bytes);
        }
        return out;
    }
};

// ---- DER ----

constexpr std::uint8_t derBoolean = 0x01;
constexpr std::uint8_t derInteger = 0x02;
constexpr std::uint8_t derUtf8String = 0x0c;
constexpr std::uint8_t derSequence = 0x30;
constexpr std::uint8_t derApplication16 = 0x70;
constexpr std::uint8_t derContext16 = 0xb0;

std::string derElement(std::uint8_t tag, std::string_view contents) {
    std::string out(1, static_cast<char>(tag));
    const std::uint64_t length = contents.size();
    if (length < 0x80) {
        out.push_back(static_cast<char>(length));
    } else {
        int width = 1;
        while (width < 8 && (length >> (8 * width)) != 0) {
            ++width;
        }
        out.push_back(static_cast<char>(0x80 | width));
        appendBig(out, length, width);
    }
    out.append(contents);
    return out;
}

std::string derIntegerContents(std::int64_t value) {
    std::string bytes;
    appendBig(bytes, static_cast<std::uint64_t>(value), 8);
    // Shortest two's complement: drop a leading byte that only repeats the sign of the next one.
    std::size_t start = 0;
    while (start + 1 < bytes.size()) {
        const auto first = static_cast<std::uint8_t>(bytes[start]);
        const bool nextNegative = (static_cast<std::uint8_t>(bytes[start + 1]) & 0x80) != 0;
        if ((first == 0x00 && !nextNegative) || (first == 0xff && nextNegative)) {
            ++start;
        } else {
            break;
        }
    }
    return bytes.substr(start);
}

std::string derDictionary(const PlistValue::Dictionary& dictionary);

std::string derValue(const PlistValue& value) {
    return std::visit(
        [](const auto& v) -> std::string {
            using T = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<T, bool>) {
                return derElement(derBoolean, v ? "\xff" : std::string_view("\0", 1));
            } else if constexpr (std::is_same_v<T, std::int64_t>) {
                return derElement(derInteger, derIntegerContents(v));
            } else if constexpr (std::is_same_v<T, std::string>) {
                return derElement(derUtf8String, v);
            } else if constexpr (std::is_same_v<T, PlistValue::Array>) {
                std::string contents;
                for (const PlistValue& element : v) {
                    contents += derValue(element);
                }
                return derElement(derSequence, contents);
            } else if constexpr (std::is_same_v<T, PlistValue::Dictionary>) {
                return derDictionary(v);
            } else {
                throw std::invalid_argument("Entitlements with a real, date or data value have no DER form.");
            }
        },
        value.storage());
}

std::string derDictionary(const PlistValue::Dictionary& dictionary) {
    std::string contents;
    for (const auto& [key, value] : dictionary) { // std::map: keys already in byte order
        contents += derElement(derSequence, derElement(derUtf8String, key) + derValue(value));
    }
    return derElement(derContext16, contents);
}

// ---- Code signature ----

constexpr std::uint32_t superBlobMagic = 0xfade0cc0;
constexpr std::uint32_t codeDirectoryMagic = 0xfade0c02;
constexpr std::uint32_t requirementsMagic = 0xfade0c01;
constexpr std::uint32_t xmlEntitlementsMagic = 0xfade7171;
constexpr std::uint32_t derEntitlementsMagic = 0xfade7172;
constexpr std::uint32_t cmsWrapperMagic = 0xfade0b01;

constexpr std::uint32_t codeDirectorySlot = 0;
constexpr std::uint32_t requirementsSlot = 2;
constexpr std::uint32_t xmlEntitlementsSlot = 5;
constexpr std::uint32_t derEntitlementsSlot = 7;
constexpr std::uint32_t cmsSlot = 0x10000;

constexpr std::uint32_t adHocFlag = 0x2;
constexpr std::uint32_t runtimeFlag = 0x10000;
constexpr std::uint32_t linkerSignedFlag = 0x20000;

constexpr std::uint8_t sha256HashType = 2;
constexpr std::uint8_t sha256HashSize = 32;
constexpr std::uint32_t codePageShift = 12;
constexpr std::uint64_t mainBinaryExecSegFlag = 1;
constexpr std::uint32_t runtimeVersion = 0x000e0000; // SDK the hardened runtime was linked against

std::string blob(std::uint32_t magic, std::string_view payload) {
    std::string out;
    be32(out, magic);
    be32(out, 8 + payload.size());
    out.append(payload);
    return out;
}

std::string codeDirectory(const MachOSignature& signature, std::uint32_t nSpecialSlots,
                          std::uint64_t codeLimit) {
    const bool linker = signature.kind == MachOSignature::Kind::linker;
    const std::uint32_t version = linker ? 0x20400 : 0x20500;
    const std::uint32_t headerSize = linker ? 88 : 96;
    std::uint32_t flags = runtimeFlag;
    if (signature.kind == MachOSignature::Kind::adHoc) {
        flags = adHocFlag;
    } else if (linker) {
        flags = adHocFlag | linkerSignedFlag;
    }
    const bool hasTeam = signature.kind == MachOSignature::Kind::developerID && signature.teamID.has_value();

    const std::uint32_t identOffset = headerSize;
    const std::uint32_t teamOffset = hasTeam ? identOffset + signature.identifier.size() + 1 : 0;
    const std::uint32_t stringsEnd =
        hasTeam ? teamOffset + signature.teamID->size() + 1 : identOffset + signature.identifier.size() + 1;
    const std::uint32_t hashOffset = stringsEnd + nSpecialSlots * sha256HashSize;
    const std::uint64_t nCodeSlots = roundUp(codeLimit, 1u << codePageShift) >> codePageShift;
    const std::uint64_t length = hashOffset + nCodeSlots * sha256HashSize;

    std::string out;
    be32(out, codeDirectoryMagic);
    be32(out, length);
    be32(out, version);
    be32(out, flags);
    be32(out, hashOffset);
    be32(out, identOffset);
    be32(out, nSpecialSlots);
    be32(out, nCodeSlots);
    be32(out, codeLimit);
    out.push_back(static_cast<char>(sha256HashSize));
    out.push_back(static_cast<char>(sha256HashType));
    out.push_back(0); // platform
    out.push_back(static_cast<char>(codePageShift));
    be32(out, 0); // spare2
    be32(out, 0); // scatterOffset
    be32(out, teamOffset);
    be32(out, 0); // spare3
    be64(out, 0); // codeLimit64: codeLimit fits in 32 bits
    be64(out, 0); // execSegBase: __TEXT starts the slice
    be64(out, codeLimit);
    be64(out, mainBinaryExecSegFlag);
    if (!linker) {
        be32(out, signature.kind == MachOSignature::Kind::developerID ? runtimeVersion : 0);
        be32(out, 0); // preEncryptOffset
    }
    out.append(signature.identifier).push_back('\0');
    if (hasTeam) {
        out.append(*signature.teamID).push_back('\0');
    }
    out.append(length - out.size(), '\0'); // special and code slot hashes, never verified
    return out;
}

std::string superBlob(const MachOSignature& signature, std::uint64_t codeLimit) {
    std::vector<std::pair<std::uint32_t, std::string>> blobs;
    if (signature.kind != MachOSignature::Kind::linker) {
        std::string emptyRequirements;
        be32(emptyRequirements, 0);
        blobs.emplace_back(requirementsSlot, blob(requirementsMagic, emptyRequirements));
    }
    if (signature.entitlements && signature.xmlEntitlements) {
        blobs.emplace_back(
            xmlEntitlementsSlot,
            blob(xmlEntitlementsMagic, PropertyList::toXml(PlistValue(*signature.entitlements))));
    }
    if (signature.entitlements && signature.derEntitlements) {
        blobs.emplace_back(derEntitlementsSlot,
                           blob(derEntitlementsMagic, MachOWriter::derEntitlements(*signature.entitlements)));
    }
    const std::uint32_t nSpecialSlots = blobs.empty() ? 0 : blobs.back().first;
    if (signature.kind == MachOSignature::Kind::developerID) {
        blobs.emplace_back(cmsSlot, blob(cmsWrapperMagic, {}));
    }
    blobs.emplace(blobs.begin(), codeDirectorySlot, codeDirectory(signature, nSpecialSlots, codeLimit));

    const std::uint64_t indexSize = 12 + 8 * blobs.size();
    std::uint64_t length = indexSize;
    for (const auto& entry : blobs) {
        length += entry.second.size();
    }
    std::string out;
    be32(out, superBlobMagic);
    be32(out, length);
    be32(out, blobs.size());
    std::uint64_t offset = indexSize;
    for (const auto& [slot, bytes] : blobs) {
        be32(out, slot);
        be32(out, offset);
        offset += bytes.size();
    }
    for (const auto& entry : blobs) {
        out += entry.second;
    }
    return out;
}

// ---- Slices ----

constexpr std::uint32_t thin64Magic = 0xfeedfacf;
constexpr std::uint32_t fatMagic = 0xcafebabe;
constexpr std::uint32_t fat64Magic = 0xcafebabf;
constexpr std::uint32_t executeFileType = 2;
constexpr std::uint32_t headerFlags = 0x1 | 0x4 | 0x80 | 0x200000; // NOUNDEFS DYLDLINK TWOLEVEL PIE
constexpr std::uint32_t segmentCommand = 0x19;
constexpr std::uint32_t segmentCommandSize = 72;
constexpr std::uint32_t mainCommand = 0x80000028;
constexpr std::uint32_t mainCommandSize = 24;
constexpr std::uint32_t codeSignatureCommand = 0x1d;
constexpr std::uint32_t codeSignatureCommandSize = 16;
constexpr std::uint64_t textAddress = 0x100000000;
constexpr std::uint64_t entryOffset = 0x400;
constexpr std::uint32_t fatAlignShift = 14;

struct ArchitectureFacts {
    std::uint32_t cpuType;
    std::uint32_t cpuSubtype;
    std::uint64_t pageSize;
    std::string_view entryCode; // return 0 from main
};

ArchitectureFacts factsOf(MachOSlice::Architecture architecture) {
    using namespace std::string_view_literals;
    if (architecture == MachOSlice::Architecture::x86_64) {
        return {0x01000007, 3, 0x1000, "\x31\xc0\xc3"sv}; // xor eax, eax; ret
    }
    return {0x0100000c, 0, 0x4000, "\x00\x00\x80\x52\xc0\x03\x5f\xd6"sv}; // mov w0, #0; ret
}

void segment(std::string& out, std::string_view name, std::uint64_t vmAddress, std::uint64_t vmSize,
             std::uint64_t fileOffset, std::uint64_t fileSize, std::uint32_t protection) {
    le32(out, segmentCommand);
    le32(out, segmentCommandSize);
    out.append(name).append(16 - name.size(), '\0');
    le64(out, vmAddress);
    le64(out, vmSize);
    le64(out, fileOffset);
    le64(out, fileSize);
    le32(out, protection); // maxprot
    le32(out, protection); // initprot
    le32(out, 0);          // nsects
    le32(out, 0);          // flags
}

// __PAGEZERO, __TEXT (header, load commands, a stub entry point, then `codeSize` more bytes of code) and
// __LINKEDIT (the signature only).
Pieces slicePieces(const MachOSlice& slice, std::uint64_t codeSize) {
    const ArchitectureFacts facts = factsOf(slice.architecture);
    const std::uint64_t textSize = facts.pageSize + roundUp(codeSize, facts.pageSize);
    const std::string signature = slice.signature ? superBlob(*slice.signature, textSize) : std::string();
    const std::uint64_t linkEditSize = roundUp(signature.size(), 16);
    const std::uint32_t ncmds = slice.signature ? 5 : 4;
    const std::uint32_t sizeofcmds =
        3 * segmentCommandSize + mainCommandSize + (slice.signature ? codeSignatureCommandSize : 0);

    std::string out;
    le32(out, thin64Magic);
    le32(out, facts.cpuType);
    le32(out, facts.cpuSubtype);
    le32(out, executeFileType);
    le32(out, ncmds);
    le32(out, sizeofcmds);
    le32(out, headerFlags);
    le32(out, 0); // reserved
    segment(out, "__PAGEZERO", 0, textAddress, 0, 0, 0);
    segment(out, "__TEXT", textAddress, textSize, 0, textSize, 5);
    segment(out, "__LINKEDIT", textAddress + textSize,
            roundUp(std::max<std::uint64_t>(linkEditSize, 1), facts.pageSize), textSize, linkEditSize, 1);
    le32(out, mainCommand);
    le32(out, mainCommandSize);
    le64(out, entryOffset);
    le64(out, 0); // default stack size
    if (slice.signature) {
        le32(out, codeSignatureCommand);
        le32(out, codeSignatureCommandSize);
        le32(out, textSize);
        le32(out, linkEditSize);
    }
    out.resize(entryOffset, '\0');
    out.append(facts.entryCode);
    Pieces pieces;
    pieces.place(0, std::move(out));
    pieces.place(textSize, signature);
    pieces.size = textSize + linkEditSize;
    return pieces;
}

Pieces universalPieces(const std::vector<MachOSlice>& slices, bool wide, std::uint64_t codeSize) {
    std::vector<Pieces> contents;
    for (const MachOSlice& slice : slices) {
        contents.push_back(slicePieces(slice, codeSize));
    }
    constexpr std::uint64_t alignment = std::uint64_t{1} << fatAlignShift;
    std::string out;
    be32(out, wide ? fat64Magic : fatMagic);
    be32(out, slices.size());
    std::uint64_t offset = roundUp(8 + slices.size() * (wide ? 32 : 20), alignment);
    for (std::size_t i = 0; i < slices.size(); ++i) {
        const ArchitectureFacts facts = factsOf(slices[i].architecture);
        be32(out, facts.cpuType);
        be32(out, facts.cpuSubtype);
        if (wide) {
            be64(out, offset);
            be64(out, contents[i].size);
            be32(out, fatAlignShift);
            be32(out, 0); // reserved
        } else {
            be32(out, offset);
            be32(out, contents[i].size);
            be32(out, fatAlignShift);
        }
        offset = roundUp(offset + contents[i].size, alignment);
    }
    Pieces pieces;
    pieces.place(0, std::move(out));
    for (const Pieces& slice : contents) {
        pieces.place(roundUp(pieces.size, alignment), slice);
    }
    return pieces;
}

Pieces imagePieces(const MachOImage& image) {
    if (image.slices.empty()) {
        throw std::invalid_argument("A Mach-O image needs at least one slice.");
    }
    if (image.layout == MachOImage::Layout::automatic && image.slices.size() == 1) {
        return slicePieces(image.slices.front(), image.codeSize);
    }
    return universalPieces(image.slices, image.layout == MachOImage::Layout::fat64, image.codeSize);
}

bool writeAllAt(int descriptor, std::string_view bytes, std::uint64_t offset) {
    while (!bytes.empty()) {
        const ssize_t written = ::pwrite(descriptor, bytes.data(), bytes.size(), static_cast<off_t>(offset));
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
        offset += static_cast<std::uint64_t>(written);
    }
    return true;
}

// Skips the blocks that hold only zeros: unwritten, they read as zeros and take no disk, which keeps the
// hashes of a large executable's code (zeros here) as cheap as the code itself.
bool writeNonZeroBlocks(int descriptor, const Pieces& content) {
    constexpr std::size_t block = 4096;
    for (const auto& [offset, bytes] : content.pieces) {
        for (std::size_t at = 0; at < bytes.size(); at += block) {
            const std::string_view part = std::string_view(bytes).substr(at, block);
            if (part.find_first_not_of('\0') != std::string_view::npos &&
                !writeAllAt(descriptor, part, offset + at)) {
                return false;
            }
        }
    }
    return true;
}

[[noreturn]] void failWriting(const std::filesystem::path& file, const std::string& reason) {
    throw std::runtime_error("Could not write the executable \"" + file.string() + "\": " + reason + ".");
}

} // namespace

namespace MachOWriter {

std::string bytes(const MachOImage& image) {
    return imagePieces(image).joined();
}

void write(const MachOImage& image, const std::filesystem::path& file) {
    const Pieces content = imagePieces(image);
    const std::uint64_t size = std::max(content.size, image.paddedSize);
    if (size > static_cast<std::uint64_t>(std::numeric_limits<off_t>::max())) {
        failWriting(file, "the padded size is too large");
    }
    std::error_code error;
    if (file.has_parent_path()) {
        std::filesystem::create_directories(file.parent_path(), error);
        if (error) {
            failWriting(file, error.message());
        }
    }
    try {
        FileDescriptor out(::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0755));
        // Extending without writing leaves a hole: a large executable costs no disk.
        if (!out.isOpen() || !writeNonZeroBlocks(out.get(), content) ||
            ::ftruncate(out.get(), static_cast<off_t>(size)) != 0 || !out.close()) {
            throw std::runtime_error(std::strerror(errno));
        }
        // The creation mask may have taken bits away.
        std::filesystem::permissions(file, std::filesystem::perms(0755));
    } catch (const std::exception& failure) {
        failWriting(file, failure.what());
    }
}

std::string derEntitlements(const PlistValue::Dictionary& entitlements) {
    return derElement(derApplication16, derElement(derInteger, "\x01") + derDictionary(entitlements));
}

} // namespace MachOWriter
} // namespace tarnwick
