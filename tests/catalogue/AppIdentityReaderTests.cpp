#include "AppIdentityReader.h"
#include "DerEntitlements.h"
#include "MachOSignatureReader.h"
#include "MachOWriter.h"
#include "PropertyList.h"
#include "TestPlatform.h"
#include "TreeBuilder.h"

#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <iostream>
#include <limits>
#include <ostream>
#include <unistd.h>

namespace tarnwick {
namespace AppIdentityReader {
void PrintTo(const Identity& identity, std::ostream* out) {
    *out << "{team " << identity.teamID.value_or("(none)") << ", {";
    for (const auto& identifier : identity.entitlementIdentifiers) {
        *out << " '" << identifier << "'";
    }
    *out << " }}";
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

MachOSignature signature(PlistValue::Dictionary entitlements, Kind kind = Kind::developerID,
                         const char* teamID = team) {
    return {.kind = kind, .teamID = teamID, .entitlements = std::move(entitlements)};
}

MachOImage thin(std::optional<MachOSignature> signature, Architecture architecture = Architecture::arm64) {
    return {.slices = {{architecture, std::move(signature)}}};
}

// The offset of the first occurrence of a big-endian magic: enough to find the parts of a signature.
std::size_t findMagic(const std::string& bytes, std::uint32_t magic) {
    const std::string pattern{static_cast<char>(magic >> 24), static_cast<char>(magic >> 16),
                              static_cast<char>(magic >> 8), static_cast<char>(magic)};
    const std::size_t at = bytes.find(pattern);
    EXPECT_NE(at, std::string::npos);
    return at;
}

void put32(std::string& bytes, std::size_t at, std::uint32_t value, bool bigEndian) {
    for (int i = 0; i < 4; ++i) {
        bytes.at(at + i) = static_cast<char>(value >> (8 * (bigEndian ? 3 - i : i)));
    }
}

class AppIdentityReaderTest : public ::testing::Test {
protected:
    fs::path app(const MachOImage& image) {
        return tree.addApp(folder / "Applications", {.fileName = "Signed.app", .executableImage = image});
    }

    Identity readImage(const MachOImage& image) { return AppIdentityReader::read(app(image)); }

    Identity readBytes(const std::string& bytes) {
        const fs::path bundle = app(thin(std::nullopt));
        std::ofstream(bundle / "Contents/MacOS/Signed", std::ios::binary | std::ios::trunc) << bytes;
        return AppIdentityReader::read(bundle);
    }

    testing::TemporaryFolder folder;
    Platform platform = testing::makeTestPlatform(folder);
    TreeBuilder tree{platform};
};

TEST_F(AppIdentityReaderTest, SignaturesWithoutTeamOrEntitlements) {
    EXPECT_EQ(readImage(thin(std::nullopt)), Identity{});
    EXPECT_EQ(readImage(thin(MachOSignature{.kind = Kind::linker})), Identity{});
    EXPECT_EQ(readImage(thin(signature({}))), (Identity{team, {}}));

    // Ad-hoc signatures keep their entitlements; without a team nothing is stripped.
    const PlistValue::Dictionary entitlements{{"application-identifier", "ABCDE12345.com.example.app"}};
    EXPECT_EQ(readImage(thin(signature(entitlements, Kind::adHoc))),
              (Identity{std::nullopt, {"ABCDE12345.com.example.app"}}));

    // The ad-hoc flag wins over a team identifier the CodeDirectory still names.
    std::string bytes = MachOWriter::bytes(thin(signature(entitlements)));
    put32(bytes, findMagic(bytes, 0xfade0c02) + 12, 0x2, true);
    EXPECT_EQ(readBytes(bytes), (Identity{std::nullopt, {"ABCDE12345.com.example.app"}}));
}

TEST_F(AppIdentityReaderTest, ContainerListsCountOnlyWhenEveryElementIsAString) {
    const PlistValue::Dictionary entitlements{
        {groups, PlistValue::Array{"group.a", "group.b"}},
        {cloudContainers, PlistValue::Array{"group.a"}},
        {ubiquityContainers, PlistValue::Array{"iCloud.com.example.docs", 7}},
        {"com.apple.security.app-sandbox", true},
    };
    EXPECT_EQ(readImage(thin(signature(entitlements))), (Identity{team, {"group.a", "group.b"}}));

    const PlistValue::Dictionary shapes{
        {groups, "group.single"},
        {cloudContainers, PlistValue::Array{PlistValue::Array{"iCloud.nested"}}},
        {ubiquityContainers, PlistValue::Array{"iCloud.Com.Example.Docs"}},
    };
    EXPECT_EQ(readImage(thin(signature(shapes))), (Identity{team, {"iCloud.Com.Example.Docs"}}));
}

TEST_F(AppIdentityReaderTest, ApplicationIdentifiersLoseOnlyTheirOwnTeamPrefix) {
    struct Case {
        PlistValue::Dictionary entitlements;
        std::set<std::string> expected;
    };
    const std::vector<Case> cases{
        {{{"application-identifier", "ABCDE12345.com.example.app"}},
         {"ABCDE12345.com.example.app", "com.example.app"}},
        {{{"com.apple.application-identifier", "ABCDE12345.com.example.mac"}},
         {"ABCDE12345.com.example.mac", "com.example.mac"}},
        {{{"application-identifier", "XYZ.com.example.app"}}, {"XYZ.com.example.app"}},
        {{{"application-identifier", "ABCDE12345com.example.app"}}, {"ABCDE12345com.example.app"}},
        {{{"application-identifier", "abcde12345.com.example.app"}}, {"abcde12345.com.example.app"}},
        {{{"application-identifier", 42}, {"com.apple.application-identifier", PlistValue::Array{"x"}}}, {}},
        {{{"application-identifier", "ABCDE12345.com.example.ios"},
          {"com.apple.application-identifier", "XYZ.com.example.mac"}},
         {"ABCDE12345.com.example.ios", "com.example.ios", "XYZ.com.example.mac"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(PropertyList::toXml(PlistValue(c.entitlements)));
        EXPECT_EQ(readImage(thin(signature(c.entitlements))), (Identity{team, c.expected}));
    }
}

TEST_F(AppIdentityReaderTest, DerEntitlementsServeWhenThereIsNoUsableXml) {
    const PlistValue::Dictionary entitlements{{groups, PlistValue::Array{"group.der"}}};
    const Identity expected{team, {"group.der"}};
    MachOSignature derOnly = signature(entitlements);
    derOnly.xmlEntitlements = false;
    EXPECT_EQ(readImage(thin(derOnly)), expected);

    std::string bytes = MachOWriter::bytes(thin(signature(entitlements)));
    bytes.at(bytes.find("<plist") + 3) = 'X';
    EXPECT_EQ(readBytes(bytes), expected);
}

TEST_F(AppIdentityReaderTest, UniversalFilesAreReadThroughTheSliceAMacWouldRun) {
    const MachOSlice intel{Architecture::x86_64, signature({}, Kind::developerID, "INTELTEAM1")};
    const MachOSlice arm{Architecture::arm64, signature({{groups, PlistValue::Array{"group.arm"}}})};
    for (const auto layout : {MachOImage::Layout::fat, MachOImage::Layout::fat64}) {
        EXPECT_EQ(readImage({.slices = {intel, arm}, .layout = layout}), (Identity{team, {"group.arm"}}));
        EXPECT_EQ(readImage({.slices = {intel}, .layout = layout}), (Identity{"INTELTEAM1", {}}));
    }

    // Without arm64, x86_64 beats an earlier slice of another kind; without either, the first one counts.
    std::string bytes = MachOWriter::bytes({.slices = {arm, intel}, .layout = MachOImage::Layout::fat});
    put32(bytes, 8, 0x12, true); // PowerPC
    EXPECT_EQ(readBytes(bytes), (Identity{"INTELTEAM1", {}}));
    put32(bytes, 8 + 20, 0x7, true); // i386
    EXPECT_EQ(readBytes(bytes), (Identity{team, {"group.arm"}}));
}

TEST_F(AppIdentityReaderTest, TruncatedOrLyingFilesHaveTheEmptyIdentity) {
    const PlistValue::Dictionary entitlements{{groups, PlistValue::Array{"group.a"}},
                                              {"application-identifier", "ABCDE12345.com.example.app"}};
    const std::string good = MachOWriter::bytes(thin(signature(entitlements)));
    ASSERT_EQ(readBytes(good),
              (Identity{team, {"group.a", "ABCDE12345.com.example.app", "com.example.app"}}));

    const std::size_t command = good.find(std::string("\x1d\0\0\0\x10\0\0\0", 8));
    const std::size_t superBlob = findMagic(good, 0xfade0cc0);
    const std::size_t directory = findMagic(good, 0xfade0c02);
    const std::size_t xml = findMagic(good, 0xfade7171);
    const std::size_t der = findMagic(good, 0xfade7172);
    const auto little = [](std::size_t at, std::uint32_t value) {
        return [=](std::string& b) { put32(b, at, value, false); };
    };
    const auto big = [](std::size_t at, std::uint32_t value) {
        return [=](std::string& b) { put32(b, at, value, true); };
    };
    const std::vector<std::pair<const char*, std::function<void(std::string&)>>> corruptions{
        {"three bytes", [](std::string& b) { b.resize(3); }},
        {"cut in the load commands", [](std::string& b) { b.resize(40); }},
        {"cut in the signature", [&](std::string& b) { b.resize(xml + 20); }},
        {"ncmds in the millions", little(16, 5'000'000)},
        {"sizeofcmds past the end", little(20, 0xfffffff0)},
        {"a load command of size 0", little(32 + 4, 0)},
        {"signature offset past the end", little(command + 8, 0xfffffff0)},
        {"signature length past the end", little(command + 12, 0x7fffffff)},
        {"SuperBlob count in the millions", big(superBlob + 8, 5'000'000)},
        {"SuperBlob longer than its region", big(superBlob + 4, 0x100000)},
        {"index entry past the end", big(superBlob + 16, 0xfffffff8)},
        {"CodeDirectory longer than the SuperBlob", big(directory + 4, 0x7fffffff)},
        {"team offset past the CodeDirectory", big(directory + 48, 0x10000)},
        {"XML entitlements of 4 GiB", big(xml + 4, 0xffffffff)},
        {"DER blob with the wrong magic", big(der, 0xfade7171)},
    };
    for (const auto& [what, corrupt] : corruptions) {
        SCOPED_TRACE(what);
        std::string bytes = good;
        corrupt(bytes);
        EXPECT_EQ(readBytes(bytes), Identity{});
    }

    std::string universal = MachOWriter::bytes(
        {.slices = {{Architecture::arm64, signature(entitlements)}}, .layout = MachOImage::Layout::fat64});
    for (const auto& [at, value] :
         {std::pair<std::size_t, std::uint32_t>{4, 5'000'000}, {16, 0x7fffffff}, {24, 0x7fffffff}}) {
        std::string bytes = universal;
        put32(bytes, at, value, true);
        EXPECT_EQ(readBytes(bytes), Identity{}) << "fat_arch_64 word at " << at;
    }
}

TEST_F(AppIdentityReaderTest, TheExecutableNameMustStayInsideTheBundle) {
    const fs::path bundle =
        tree.addApp(folder / "Applications",
                    {.fileName = "Escape.app", .extraInfo = {{"CFBundleExecutable", "../Outside"}}});
    MachOWriter::write(thin(signature({})), bundle / "Contents/Outside");
    EXPECT_EQ(AppIdentityReader::read(bundle), Identity{});
    EXPECT_EQ(AppIdentityReader::read(folder / "Applications/Missing.app"), Identity{});
}

TEST_F(AppIdentityReaderTest, ALargeExecutableCostsAFewKilobytesOfReading) {
    MachOImage image = thin(signature({{groups, PlistValue::Array{"group.big"}}}));
    image.paddedSize = 200'000'000;
    const fs::path bundle = app(image);
    EXPECT_EQ(AppIdentityReader::read(bundle), (Identity{team, {"group.big"}}));

    const int descriptor = ::open((bundle / "Contents/MacOS/Signed").c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(descriptor, 0);
    MachOSignatureReader::FileSource source(descriptor);
    const auto read = MachOSignatureReader::read(source);
    ::close(descriptor);
    ASSERT_TRUE(read.has_value());
    EXPECT_EQ(read->teamID, team);
    EXPECT_EQ(source.size(), 200'000'000u);
    EXPECT_LT(source.bytesRead(), 4096u);
    EXPECT_LE(source.readCalls(), 16u);
    std::cout << "[ bytes    ] " << source.bytesRead() << " in " << source.readCalls() << " reads\n";
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

    EXPECT_EQ(DerEntitlements::decode(entry(tlv('\x0c', "v"))), (PlistValue::Dictionary{{"k", "v"}}));
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
    const auto nested = [](int depth) {
        PlistValue value = "leaf";
        for (int i = 0; i < depth; ++i) {
            value = PlistValue::Array{value};
        }
        return MachOWriter::derEntitlements({{"deep", value}});
    };
    EXPECT_TRUE(DerEntitlements::decode(nested(63)).has_value());
    EXPECT_EQ(DerEntitlements::decode(nested(64)), std::nullopt);
}

} // namespace
} // namespace tarnwick
