#include "catalogue/AppIdentityReader.h"
#include "catalogue/AppRecord.h"
#include "demo/MachOWriter.h"
#include "formats/DerEntitlements.h"
#include "formats/MachOSignatureReader.h"
#include "formats/PropertyList.h"
#include "platform/FileDescriptor.h"
#include "support/MacDisk.h"

#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <limits>
#include <ostream>
#include <unistd.h>

namespace tarnwick {
namespace AppIdentityReader {
void PrintTo(const Identity& identity, std::ostream* out) {
    *out << "{team " << identity.teamID.value_or("(none)") << ", "
         << ::testing::PrintToString(identity.entitlementIdentifiers) << "}";
}
} // namespace AppIdentityReader

namespace {

namespace fs = std::filesystem;
using Identity = AppIdentityReader::Identity;
using Kind = MachOSignature::Kind;
using Architecture = MachOSlice::Architecture;

constexpr const char* team = "ABCDE12345";
constexpr const char* groups = "com.apple.security.application-groups";
constexpr const char* cloudContainers = "com.apple.developer.icloud-container-identifiers";
constexpr const char* ubiquityContainers = "com.apple.developer.ubiquity-container-identifiers";
constexpr const char* applicationIdentifier = "application-identifier";
constexpr const char* macApplicationIdentifier = "com.apple.application-identifier";

MachOSignature signature(PlistValue::Dictionary entitlements, const char* teamID = team) {
    return {.kind = Kind::developerID, .teamID = teamID, .entitlements = std::move(entitlements)};
}

MachOImage thin(std::optional<MachOSignature> signature) {
    return {.slices = {{Architecture::arm64, std::move(signature)}}};
}

// The offset of the first occurrence of a big-endian magic: enough to find the parts of a signature.
std::size_t findMagic(const std::string& bytes, std::uint32_t magic) {
    const std::string pattern{static_cast<char>(magic >> 24), static_cast<char>(magic >> 16),
                              static_cast<char>(magic >> 8), static_cast<char>(magic)};
    const std::size_t at = bytes.find(pattern);
    EXPECT_NE(at, std::string::npos);
    return at;
}

std::string patched(std::string bytes, std::size_t at, std::uint32_t value, bool bigEndian = true) {
    for (int i = 0; i < 4; ++i) {
        bytes.at(at + i) = static_cast<char>(value >> (8 * (bigEndian ? 3 - i : i)));
    }
    return bytes;
}

class AppIdentityReaderTest : public testing::MacDiskTest {
protected:
    fs::path app(const MachOImage& image) {
        return tree.addApp(folder / "Applications", {.fileName = "Signed.app", .executableImage = image});
    }

    Identity read(const MachOImage& image) { return AppIdentityReader::read(app(image)); }

    Identity read(const std::string& bytes) {
        const fs::path bundle = app(thin(std::nullopt));
        std::ofstream(bundle / "Contents/MacOS/Signed", std::ios::binary | std::ios::trunc) << bytes;
        return AppIdentityReader::read(bundle);
    }
};

TEST_F(AppIdentityReaderTest, SignaturesWithoutTeamOrEntitlements) {
    EXPECT_EQ(read(thin(std::nullopt)), Identity{});
    EXPECT_EQ(read(thin(MachOSignature{.kind = Kind::linker})), Identity{});
    EXPECT_EQ(read(thin(signature({}))), (Identity{team, {}}));

    // The ad-hoc flag wins over a team identifier the CodeDirectory still names; without a team, the
    // entitlements are kept and nothing is stripped.
    const std::string bytes = MachOWriter::bytes(thin(signature({{applicationIdentifier, "ABCDE12345.a"}})));
    EXPECT_EQ(read(patched(bytes, findMagic(bytes, 0xfade0c02) + 12, 0x2)),
              (Identity{std::nullopt, {"ABCDE12345.a"}}));
}

TEST_F(AppIdentityReaderTest, ContainerListsCountOnlyWhenEveryElementIsAString) {
    EXPECT_EQ(read(thin(signature({{groups, PlistValue::Array{"group.a", "group.b"}},
                                   {cloudContainers, PlistValue::Array{"group.a"}},
                                   {ubiquityContainers, PlistValue::Array{"iCloud.Com.Example.Docs"}}}))),
              (Identity{team, {"group.a", "group.b", "iCloud.Com.Example.Docs"}}));
    EXPECT_EQ(read(thin(signature({{groups, "group.single"},
                                   {cloudContainers, PlistValue::Array{PlistValue::Array{"iCloud.nested"}}},
                                   {ubiquityContainers, PlistValue::Array{"iCloud.com.example.docs", 7}}}))),
              (Identity{team, {}}));
}

TEST_F(AppIdentityReaderTest, ApplicationIdentifiersLoseOnlyTheirOwnTeamPrefix) {
    const std::vector<std::pair<PlistValue::Dictionary, std::set<std::string>>> cases{
        {{{applicationIdentifier, "ABCDE12345.com.example.ios"},
          {macApplicationIdentifier, "XYZ.com.example.mac"}},
         {"ABCDE12345.com.example.ios", "com.example.ios", "XYZ.com.example.mac"}},
        {{{macApplicationIdentifier, "ABCDE12345.com.example.mac"},
          {applicationIdentifier, "abcde12345.com.example.app"}},
         {"ABCDE12345.com.example.mac", "com.example.mac", "abcde12345.com.example.app"}},
        {{{applicationIdentifier, "ABCDE12345com.example.app"}}, {"ABCDE12345com.example.app"}},
        {{{applicationIdentifier, 42}, {macApplicationIdentifier, PlistValue::Array{"x"}}}, {}},
    };
    for (const auto& [entitlements, expected] : cases) {
        SCOPED_TRACE(PropertyList::toXml(PlistValue(entitlements)));
        EXPECT_EQ(read(thin(signature(entitlements))), (Identity{team, expected}));
    }
}

TEST_F(AppIdentityReaderTest, DerEntitlementsServeWhenThereIsNoUsableXml) {
    MachOSignature derOnly = signature({{groups, PlistValue::Array{"group.der"}}});
    std::string bytes = MachOWriter::bytes(thin(derOnly));
    bytes.at(bytes.find("<plist") + 3) = 'X';
    EXPECT_EQ(read(bytes), (Identity{team, {"group.der"}}));
    derOnly.xmlEntitlements = false;
    EXPECT_EQ(read(thin(derOnly)), (Identity{team, {"group.der"}}));
}

TEST_F(AppIdentityReaderTest, UniversalFilesAreReadThroughTheSliceAMacWouldRun) {
    const MachOSlice intel{Architecture::x86_64, signature({}, "INTELTEAM1")};
    const MachOSlice arm{Architecture::arm64, signature({{groups, PlistValue::Array{"group.arm"}}})};
    for (const auto layout : {MachOImage::Layout::fat, MachOImage::Layout::fat64}) {
        EXPECT_EQ(read({.slices = {intel, arm}, .layout = layout}), (Identity{team, {"group.arm"}}));
    }

    // Without arm64, x86_64 beats an earlier slice of another kind; without either, the first one counts.
    const std::string bytes = MachOWriter::bytes({.slices = {arm, intel}, .layout = MachOImage::Layout::fat});
    const std::string noArm = patched(bytes, 8, 0x12); // PowerPC
    EXPECT_EQ(read(noArm), (Identity{"INTELTEAM1", {}}));
    EXPECT_EQ(read(patched(noArm, 8 + 20, 0x7)), (Identity{team, {"group.arm"}})); // i386
}

TEST_F(AppIdentityReaderTest, TruncatedOrLyingFilesHaveTheEmptyIdentity) {
    const MachOSignature signed_ = signature({{groups, PlistValue::Array{"group.a"}}});
    const std::string good = MachOWriter::bytes(thin(signed_));
    ASSERT_EQ(read(good), (Identity{team, {"group.a"}}));

    const std::size_t command = good.find(std::string("\x1d\0\0\0\x10\0\0\0", 8));
    const std::size_t superBlob = findMagic(good, 0xfade0cc0);
    const std::size_t directory = findMagic(good, 0xfade0c02);
    const std::size_t xml = findMagic(good, 0xfade7171);
    const std::string universal =
        MachOWriter::bytes({.slices = {{Architecture::arm64, signed_}}, .layout = MachOImage::Layout::fat64});
    const std::vector<std::pair<const char*, std::string>> corrupted{
        {"three bytes", good.substr(0, 3)},
        {"cut in the load commands", good.substr(0, 40)},
        {"cut in the signature", good.substr(0, xml + 20)},
        {"ncmds in the millions", patched(good, 16, 5'000'000, false)},
        {"sizeofcmds past the end", patched(good, 20, 0xfffffff0, false)},
        {"a load command of size 0", patched(good, 32 + 4, 0, false)},
        {"signature offset past the end", patched(good, command + 8, 0xfffffff0, false)},
        {"signature length past the end", patched(good, command + 12, 0x7fffffff, false)},
        {"SuperBlob count in the millions", patched(good, superBlob + 8, 5'000'000)},
        {"SuperBlob longer than its region", patched(good, superBlob + 4, 0x100000)},
        {"index entry past the end", patched(good, superBlob + 16, 0xfffffff8)},
        {"CodeDirectory longer than the SuperBlob", patched(good, directory + 4, 0x7fffffff)},
        {"team offset past the CodeDirectory", patched(good, directory + 48, 0x10000)},
        {"XML entitlements of 4 GiB", patched(good, xml + 4, 0xffffffff)},
        {"DER blob with the wrong magic", patched(good, findMagic(good, 0xfade7172), 0xfade7171)},
        {"fat_arch_64 count in the millions", patched(universal, 4, 5'000'000)},
        {"fat_arch_64 offset past the end", patched(universal, 16, 0x7fffffff)},
        {"fat_arch_64 size past the end", patched(universal, 24, 0x7fffffff)},
    };
    for (const auto& [what, bytes] : corrupted) {
        EXPECT_EQ(read(bytes), Identity{}) << what;
    }
}

TEST_F(AppIdentityReaderTest, TheExecutableNameMustStayInsideTheBundle) {
    const fs::path bundle =
        tree.addApp(folder / "Applications",
                    {.fileName = "Escape.app", .extraInfo = {{"CFBundleExecutable", "../Outside"}}});
    MachOWriter::write(thin(signature({})), bundle / "Contents/Outside");
    EXPECT_EQ(AppIdentityReader::read(bundle), Identity{});
    EXPECT_EQ(AppIdentityReader::read(AppRecord::listed(bundle, false, platform)), Identity{});
    EXPECT_EQ(AppIdentityReader::read(folder / "Applications/Missing.app"), Identity{});
}

TEST_F(AppIdentityReaderTest, ARecordsExecutableIsReadWithoutOpeningTheBundleAgain) {
    const fs::path bundle = app(thin(signature({{groups, PlistValue::Array{"group.a"}}})));
    const InstalledApp record = AppRecord::listed(bundle, false, platform);
    InstalledApp madeByHand;
    madeByHand.url = bundle;
    EXPECT_EQ(AppIdentityReader::read(madeByHand), (Identity{team, {"group.a"}}));

    fs::remove(bundle / "Contents/Info.plist");
    EXPECT_EQ(AppIdentityReader::read(record), (Identity{team, {"group.a"}}));
    EXPECT_EQ(AppIdentityReader::read(madeByHand), Identity{});
}

TEST_F(AppIdentityReaderTest, ALargeExecutableCostsAFewReadsOfAFewBlocks) {
    // Its signature at the end, after 200 MB of code, as a linker lays it out.
    MachOImage image = thin(signature({{groups, PlistValue::Array{"group.big"}}}));
    image.codeSize = 200'000'000;
    const fs::path bundle = app(image);
    EXPECT_EQ(AppIdentityReader::read(bundle), (Identity{team, {"group.big"}}));

    const FileDescriptor executable(::open((bundle / "Contents/MacOS/Signed").c_str(), O_RDONLY | O_CLOEXEC));
    ASSERT_TRUE(executable.isOpen());
    MachOSignatureReader::FileSource source(executable.get());
    EXPECT_TRUE(MachOSignatureReader::read(source).has_value());
    EXPECT_GT(source.size(), 200'000'000u);
    // Its start and its signature, a block or two of 16 KiB each.
    EXPECT_LT(source.bytesRead(), 64u * 1024);
    EXPECT_LE(source.readCalls(), 3u);
}

// The thin executable `bytes` with `fillerCount` load commands of 1,000 bytes, of no interest to the reader,
// before or after its code signature command, as a large application's libraries and symbols take.
std::string withManyCommands(const std::string& bytes, std::uint32_t fillerCount, bool signatureFirst) {
    const std::size_t command = bytes.find(std::string("\x1d\0\0\0\x10\0\0\0", 8));
    const auto field = [&](std::size_t at) {
        std::uint32_t value = 0;
        for (int i = 3; i >= 0; --i) {
            value = value << 8 | static_cast<std::uint8_t>(bytes.at(at + i));
        }
        return value;
    };
    const std::string signature = bytes.substr(field(command + 8), field(command + 12));
    std::string filler;
    for (std::uint32_t i = 0; i < fillerCount; ++i) {
        filler += patched(patched(std::string(1000, '\0'), 0, 0xc, false), 4, 1000, false);
    }
    const std::uint32_t commandsSize = fillerCount * 1000 + 16;
    std::string signatureCommand = patched(std::string(16, '\0'), 0, 0x1d, false);
    signatureCommand = patched(patched(patched(signatureCommand, 4, 16, false), 8, 32 + commandsSize, false),
                               12, static_cast<std::uint32_t>(signature.size()), false);
    const std::string header =
        patched(patched(bytes.substr(0, 32), 16, fillerCount + 1, false), 20, commandsSize, false);
    return header + (signatureFirst ? signatureCommand + filler : filler + signatureCommand) + signature;
}

TEST_F(AppIdentityReaderTest, LoadCommandsAreReadOnlyAsFarAsTheSignatures) {
    const std::string bytes =
        MachOWriter::bytes(thin(signature({{groups, PlistValue::Array{"group.many"}}})));
    for (const bool signatureFirst : {true, false}) {
        SCOPED_TRACE(signatureFirst ? "signature first" : "signature last");
        const fs::path file = folder / "Many";
        std::ofstream(file, std::ios::binary | std::ios::trunc)
            << withManyCommands(bytes, 200, signatureFirst);
        const FileDescriptor executable(::open(file.c_str(), O_RDONLY | O_CLOEXEC));
        MachOSignatureReader::FileSource source(executable.get());
        const auto read = MachOSignatureReader::read(source);
        ASSERT_TRUE(read.has_value());
        EXPECT_EQ(read->teamID, team);
        EXPECT_NE(read->xmlEntitlements->find("group.many"), std::string::npos);
        // 200 KB of commands in all, read in steps of 16 KiB; the signature's parts add a block or two.
        EXPECT_LT(source.bytesRead(), signatureFirst ? 64u * 1024 : 260u * 1024);
        EXPECT_LE(source.readCalls(), signatureFirst ? 3u : 16u);
    }
}

TEST(DerEntitlements, DecodesWhatTheWriterEncodes) {
    const PlistValue::Dictionary entitlements{
        {"bool", false},
        {"numbers", PlistValue::Array{0, -1, 127, 128, -129, std::int64_t{1} << 40,
                                      std::numeric_limits<std::int64_t>::min(),
                                      std::numeric_limits<std::int64_t>::max()}},
        {"nested",
         PlistValue::Dictionary{{"inner", PlistValue::Array{"x", true}}, {"empty", PlistValue::Array{}}}},
        {"long", std::string(70'000, 'y')},
        {"\xc3\xa9t\xc3\xa9", "caf\xc3\xa9"},
    };
    EXPECT_EQ(DerEntitlements::decode(MachOWriter::derEntitlements(entitlements)), entitlements);
}

// One element in short form.
std::string tlv(char tag, const std::string& contents) {
    return std::string{tag, static_cast<char>(contents.size())} + contents;
}

TEST(DerEntitlements, RefusesMalformedInputAndSkipsForeignValues) {
    using namespace std::string_literals;
    const auto document = [](const std::string& entries) {
        return tlv('\x70', "\x02\x01\x01"s + tlv('\xb0', entries));
    };
    const auto entry = [&](const std::string& value) {
        return document(tlv('\x30', tlv('\x0c', "k") + value));
    };

    EXPECT_EQ(DerEntitlements::decode(entry(tlv('\x0c', "\xff"))),
              (PlistValue::Dictionary{{"k", "\xef\xbf\xbd"}}));
    EXPECT_EQ(DerEntitlements::decode(entry(tlv('\x04', "v"))), PlistValue::Dictionary{}); // OCTET STRING
    EXPECT_EQ(DerEntitlements::decode(entry(tlv('\x02', std::string(9, '\x01')))), PlistValue::Dictionary{});
    EXPECT_EQ(DerEntitlements::decode(entry(tlv('\x30', tlv('\x05', "") + tlv('\x0c', "v")))),
              (PlistValue::Dictionary{{"k", PlistValue::Array{"v"}}}));

    const std::vector<std::pair<const char*, std::string>> malformed{
        {"empty", ""},
        {"trailing byte", entry(tlv('\x0c', "v")) + "\0"s},
        {"version 2", tlv('\x70', "\x02\x01\x02"s + tlv('\xb0', ""))},
        {"indefinite length", "\x70\x80\x02\x01\x01\xb0\x00\x00\x00"s},
        {"non-minimal long length", "\x70\x81\x05\x02\x01\x01\xb0\x00"s},
        {"leading zero length byte", "\x70\x82\x00\x05\x02\x01\x01\xb0\x00"s},
        {"length past the end", "\x70\x88\xff\xff\xff\xff\xff\xff\xff\xff\x02\x01\x01"s},
        {"entry without a value", document(tlv('\x30', tlv('\x0c', "k")))},
        {"entry that is no sequence", document(tlv('\x0c', "k"))},
        {"key that is no string", document(tlv('\x30', tlv('\x04', "k") + tlv('\x0c', "v")))},
        {"boolean of two bytes", entry(tlv('\x01', "\xff\xff"))},
        {"empty integer", entry(tlv('\x02', ""))},
        {"broken element in an array", entry(tlv('\x30', "\x0c\x05v"))},
    };
    for (const auto& [what, bytes] : malformed) {
        EXPECT_EQ(DerEntitlements::decode(bytes), std::nullopt) << what;
    }

    // 64 levels of containers, the entitlements dictionary included, are fine; 65 are not.
    PlistValue deep = "leaf";
    for (int i = 0; i < 63; ++i) {
        deep = PlistValue::Array{deep};
    }
    EXPECT_TRUE(DerEntitlements::decode(MachOWriter::derEntitlements({{"deep", deep}})).has_value());
    deep = PlistValue::Array{deep};
    EXPECT_EQ(DerEntitlements::decode(MachOWriter::derEntitlements({{"deep", deep}})), std::nullopt);
}

} // namespace
} // namespace tarnwick
