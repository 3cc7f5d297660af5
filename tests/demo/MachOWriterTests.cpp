#include "demo/MachOWriter.h"
#include "formats/PropertyList.h"
#include "support/TemporaryFolder.h"

#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <stdexcept>
#include <sys/stat.h>

namespace tarnwick {
namespace {

using Architecture = MachOSlice::Architecture;

// An independent, bounds-checked decoder: enough to see what a signature reader will see.
std::uint64_t read(std::string_view bytes, std::uint64_t at, int width, bool bigEndian) {
    std::uint64_t value = 0;
    for (int i = 0; i < width; ++i) {
        value = (value << 8) | static_cast<std::uint8_t>(bytes.at(at + (bigEndian ? i : width - 1 - i)));
    }
    return value;
}
const auto le32 = [](std::string_view b, std::uint64_t at) { return read(b, at, 4, false); };
const auto be32 = [](std::string_view b, std::uint64_t at) { return read(b, at, 4, true); };
const auto be64 = [](std::string_view b, std::uint64_t at) { return read(b, at, 8, true); };

std::string fromHex(std::string_view hex) {
    std::string bytes;
    for (std::size_t at = 0; at + 1 < hex.size(); at += 3) {
        bytes.push_back(static_cast<char>(std::stoi(std::string(hex.substr(at, 2)), nullptr, 16)));
    }
    return bytes;
}

struct Slice {
    std::uint64_t cpuType = 0;
    std::vector<std::uint64_t> slots{};           // in index order; empty when unsigned
    std::map<std::uint64_t, std::string> blobs{}; // by slot
};

const std::map<std::uint64_t, std::uint64_t> blobMagics{
    {0, 0xfade0c02}, {2, 0xfade0c01}, {5, 0xfade7171}, {7, 0xfade7172}, {0x10000, 0xfade0b01}};

Slice decode(std::string_view slice) {
    EXPECT_EQ(le32(slice, 0), 0xfeedfacfu);
    EXPECT_EQ(le32(slice, 12), 2u); // MH_EXECUTE
    Slice decoded{le32(slice, 4)};
    const std::uint64_t ncmds = le32(slice, 16);
    const std::uint64_t sizeofcmds = le32(slice, 20);
    std::uint64_t at = 32;
    for (std::uint64_t i = 0; i < ncmds; ++i) {
        const std::uint64_t cmdsize = le32(slice, at + 4);
        if (le32(slice, at) == 0x1d) { // LC_CODE_SIGNATURE
            const std::uint64_t dataoff = le32(slice, at + 8);
            const std::uint64_t datasize = le32(slice, at + 12);
            EXPECT_LE(dataoff + datasize, slice.size());
            const std::string_view superBlob = slice.substr(dataoff, datasize);
            EXPECT_EQ(be32(superBlob, 0), 0xfade0cc0u);
            EXPECT_LE(be32(superBlob, 4), datasize);
            for (std::uint64_t j = 0; j < be32(superBlob, 8); ++j) {
                const std::uint64_t slot = be32(superBlob, 12 + 8 * j);
                const std::uint64_t offset = be32(superBlob, 16 + 8 * j);
                const std::uint64_t length = be32(superBlob, offset + 4);
                EXPECT_LE(offset + length, be32(superBlob, 4));
                EXPECT_EQ(be32(superBlob, offset), blobMagics.at(slot)) << "slot " << slot;
                decoded.slots.push_back(slot);
                decoded.blobs[slot] = std::string(superBlob.substr(offset, length));
            }
        }
        at += cmdsize;
    }
    EXPECT_EQ(at, 32 + sizeofcmds);
    return decoded;
}

Slice decodeThin(Architecture architecture, std::optional<MachOSignature> signature) {
    return decode(MachOWriter::bytes(MachOImage{{MachOSlice{architecture, std::move(signature)}}}));
}

TEST(MachOWriter, SignatureCarriesItsSlotsTeamAndEntitlementsOnlyWhereDue) {
    const PlistValue::Dictionary entitlements{
        {"com.apple.security.application-groups", PlistValue::Array{"group.com.example.shared"}},
        {"com.apple.security.app-sandbox", true},
    };
    const Slice slice =
        decodeThin(Architecture::arm64, MachOSignature{.teamID = "ABCDE12345", .entitlements = entitlements});
    EXPECT_EQ(slice.cpuType, 0x0100000cu);
    EXPECT_EQ(slice.slots, (std::vector<std::uint64_t>{0, 2, 5, 7, 0x10000}));
    const std::string& cd = slice.blobs.at(0);
    const std::uint64_t teamOffset = be32(cd, 48);
    EXPECT_EQ(cd.substr(teamOffset, cd.find('\0', teamOffset) - teamOffset), "ABCDE12345");

    const std::optional<PlistValue> xml = PropertyList::parse(std::string_view(slice.blobs.at(5)).substr(8));
    ASSERT_TRUE(xml.has_value());
    EXPECT_EQ(*xml, PlistValue(entitlements));
    EXPECT_EQ(slice.blobs.at(7).substr(8), MachOWriter::derEntitlements(entitlements));

    // Only a Developer ID signature names a team; an unsigned slice has no signature at all.
    const Slice adHoc = decodeThin(
        Architecture::x86_64, MachOSignature{.kind = MachOSignature::Kind::adHoc, .teamID = "ABCDE12345"});
    EXPECT_EQ(adHoc.cpuType, 0x01000007u);
    EXPECT_EQ(be32(adHoc.blobs.at(0), 48), 0u);
    EXPECT_TRUE(decodeThin(Architecture::arm64, std::nullopt).slots.empty());
}

TEST(MachOWriter, UniversalFileHoldsEachThinSliceAtAnAlignedOffset) {
    const std::vector<MachOSlice> slices{{Architecture::x86_64, std::nullopt},
                                         {Architecture::arm64, MachOSignature{}}};
    for (const auto layout : {MachOImage::Layout::automatic, MachOImage::Layout::fat64}) {
        const bool wide = layout == MachOImage::Layout::fat64;
        const std::string bytes = MachOWriter::bytes(MachOImage{slices, 0, layout});
        ASSERT_EQ(be32(bytes, 0), wide ? 0xcafebabfu : 0xcafebabeu);
        ASSERT_EQ(be32(bytes, 4), 2u);
        for (std::uint64_t i = 0; i < 2; ++i) {
            const std::uint64_t entry = 8 + i * (wide ? 32 : 20);
            const std::uint64_t offset = wide ? be64(bytes, entry + 8) : be32(bytes, entry + 8);
            const std::uint64_t size = wide ? be64(bytes, entry + 16) : be32(bytes, entry + 12);
            EXPECT_EQ(offset % (std::uint64_t{1} << be32(bytes, entry + (wide ? 24 : 16))), 0u);
            ASSERT_LE(offset + size, bytes.size());
            // Each slice is exactly the thin file, which also rules out overlaps.
            EXPECT_EQ(bytes.substr(offset, size), MachOWriter::bytes(MachOImage{{slices[i]}}));
            EXPECT_EQ(be32(bytes, entry), decode(bytes.substr(offset, size)).cpuType);
        }
    }
    const std::string single = MachOWriter::bytes(MachOImage{{slices[1]}, 0, MachOImage::Layout::fat});
    EXPECT_EQ(be64(single, 0), 0xcafebabe00000001u);
    EXPECT_THROW(MachOWriter::bytes(MachOImage{}), std::invalid_argument);
}

TEST(MachOWriter, DerEntitlementsMatchHandEncodedBytes) {
    const PlistValue::Dictionary small{
        {"c", PlistValue::Dictionary{{"d", 200}}}, {"a", true}, {"e", -129}, {"b", PlistValue::Array{"x"}}};
    EXPECT_EQ(MachOWriter::derEntitlements(small), fromHex("70 30 02 01 01 b0 2b "
                                                           "30 06 0c 01 61 01 01 ff "
                                                           "30 08 0c 01 62 30 03 0c 01 78 "
                                                           "30 0e 0c 01 63 b0 09 30 07 0c 01 64 02 02 00 c8 "
                                                           "30 07 0c 01 65 02 02 ff 7f"));

    // Long-form lengths: one length byte from 128, two from 256.
    EXPECT_EQ(MachOWriter::derEntitlements({{"k", std::string(300, 'x')}}).substr(0, 22),
              fromHex("70 82 01 3e 02 01 01 b0 82 01 37 30 82 01 33 0c 01 6b 0c 82 01 2c"));
    EXPECT_EQ(MachOWriter::derEntitlements({{"k", std::string(130, 'x')}}).substr(0, 3), fromHex("70 81 91"));
    EXPECT_THROW(MachOWriter::derEntitlements({{"k", 1.5}}), std::invalid_argument);
}

TEST(MachOWriter, WrittenFileIsExecutableAndPaddedSparsely) {
    testing::TemporaryFolder folder;
    const auto file = folder / "Big.app/Contents/MacOS/Big";
    const MachOImage image{{MachOSlice{Architecture::arm64, MachOSignature{}}}, 200'000'000};
    MachOWriter::write(image, file);

    struct stat status {};
    ASSERT_EQ(::stat(file.c_str(), &status), 0);
    EXPECT_EQ(status.st_size, 200'000'000);
    EXPECT_LT(status.st_blocks * 512, 1'000'000);
    EXPECT_EQ(status.st_mode & 0111, 0111u);
    const std::string expected = MachOWriter::bytes(image);
    std::string head(expected.size(), '\0');
    std::ifstream(file, std::ios::binary).read(head.data(), static_cast<std::streamsize>(head.size()));
    EXPECT_EQ(head, expected);
}

} // namespace
} // namespace tarnwick
