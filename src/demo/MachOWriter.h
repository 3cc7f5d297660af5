#pragma once

#include "formats/PlistValue.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace tarnwick {

// The embedded code signature of one slice. Hashes are zeros and the CMS wrapper is empty: the files
// look signed to a reader of the signature, not to anything that verifies it.
struct MachOSignature {
    enum class Kind {
        developerID, // CodeDirectory 0x20500, hardened runtime, team identifier, CMS wrapper
        adHoc,       // CodeDirectory 0x20500, ad-hoc flag, no team identifier
        linker,      // CodeDirectory 0x20400, ad-hoc + linker-signed flags, no team, no requirements
    };
    Kind kind = Kind::developerID;
    std::string identifier = "com.example.app";
    std::optional<std::string> teamID{}; // written for developerID only
    std::optional<PlistValue::Dictionary> entitlements{};
    bool xmlEntitlements = true; // the XML blob (slot 5), when there are entitlements
    bool derEntitlements = true; // the DER blob (slot 7), when there are entitlements
};

struct MachOSlice {
    enum class Architecture { arm64, x86_64 };
    Architecture architecture = Architecture::arm64;
    std::optional<MachOSignature> signature{}; // absent: unsigned
};

struct MachOImage {
    // Thin for automatic with one slice; universal with 32-bit (fat) or 64-bit (fat_64) entries.
    enum class Layout { automatic, fat, fat64 };

    std::vector<MachOSlice> slices{};
    std::uint64_t paddedSize = 0; // write() extends the file sparsely to at least this many bytes
    Layout layout = Layout::automatic;
    // Bytes of code in each slice beyond its first page, before its signature as a linker lays them out,
    // so that a large executable ends with its signature; zeros, which write() leaves as a hole.
    std::uint64_t codeSize = 0;
};

// Generates plausible Mach-O main executables for demo trees and tests.
namespace MachOWriter {

// The file's bytes, code included, without padding. Throws std::invalid_argument for an image without
// slices, and for entitlements holding a value DER cannot carry (real, date, data) while the DER blob is
// asked for.
std::string bytes(const MachOImage& image);

// Writes the file (creating missing parent folders), sets its executable bits and extends it sparsely to
// `paddedSize`. Blocks of zeros, the code and its hashes above all, are left as holes. Throws
// std::runtime_error naming the file when it cannot be written.
void write(const MachOImage& image, const std::filesystem::path& file);

// The DER form of an entitlements dictionary: [APPLICATION 16] { INTEGER 1, [CONTEXT 16] { one
// SEQUENCE { UTF8String key, value } per key, keys sorted } }. Throws std::invalid_argument for a real,
// date or data value.
std::string derEntitlements(const PlistValue::Dictionary& entitlements);

} // namespace MachOWriter
} // namespace tarnwick
