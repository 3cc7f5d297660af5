#include "formats/PropertyList.h"
#include "support/TemporaryFolder.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

namespace tarnwick {
namespace {

using Dictionary = PlistValue::Dictionary;
using Array = PlistValue::Array;

void appendBigEndian(std::string& out, std::uint64_t value, int width) {
    for (int shift = (width - 1) * 8; shift >= 0; shift -= 8) {
        out += static_cast<char>((value >> shift) & 0xFF);
    }
}

// A binary property list from raw objects: 4-byte offsets, 2-byte references.
std::string binaryPlist(const std::vector<std::string>& objects) {
    std::string out = "bplist00";
    std::vector<std::uint64_t> offsets;
    for (const auto& object : objects) {
        offsets.push_back(out.size());
        out += object;
    }
    const std::uint64_t table = out.size();
    for (auto offset : offsets) {
        appendBigEndian(out, offset, 4);
    }
    out += std::string(6, '\0') + '\x04' + '\x02';
    appendBigEndian(out, objects.size(), 8);
    appendBigEndian(out, 0, 8);
    appendBigEndian(out, table, 8);
    return out;
}

// An array or dictionary (`type` 0xA or 0xD) of fewer than 15 entries.
std::string container(char type, const std::vector<std::uint64_t>& references, std::size_t count) {
    std::string out(1, static_cast<char>(type << 4 | count));
    for (auto reference : references) {
        appendBigEndian(out, reference, 2);
    }
    return out;
}
std::string arrayOf(const std::vector<std::uint64_t>& items) {
    return container(0xA, items, items.size());
}
std::string ascii(const std::string& text) {
    return static_cast<char>(0x50 | text.size()) + text;
}

// `depth` arrays, each holding the next `copies` times, around one `true`.
std::string binaryChain(std::uint64_t depth, std::size_t copies = 1) {
    std::vector<std::string> objects;
    for (std::uint64_t i = 0; i < depth; ++i) {
        objects.push_back(arrayOf(std::vector<std::uint64_t>(copies, i + 1)));
    }
    objects.push_back("\x09");
    return binaryPlist(objects);
}

std::string xmlChain(int depth) {
    std::string text = "<plist>";
    for (int i = 0; i < depth; ++i) {
        text += "<array>";
    }
    for (int i = 0; i < depth; ++i) {
        text += "</array>";
    }
    return text + "</plist>";
}

PlistValue everyKind() {
    return Dictionary{
        {"CFBundleDisplayName", "Bücherwürmer ✓"},
        {"LSUIElement", true},
        {"Disabled", false},
        {"Smallest", std::numeric_limits<std::int64_t>::min()},
        {"Ratio", 0.1},
        {"Before2001", PlistValue::Date{-86400}},
        {"Blob", PlistValue::Data{0, 1, 2, 0xFF}},
        {"Empty", Array{}},
        {"CFBundleDocumentTypes",
         Array{Dictionary{{"CFBundleTypeName", "Text"}, {"CFBundleTypeExtensions", Array{"txt", "text"}}}}},
    };
}

TEST(PropertyListTests, XmlAndBinaryOfTheSameContentGiveTheSameValue) {
    for (const PlistValue& value : {everyKind(), PlistValue("root string")}) {
        EXPECT_EQ(PropertyList::parse(PropertyList::toXml(value)), value);
        EXPECT_EQ(PropertyList::parse(PropertyList::toBinary(value)), value);
    }
}

TEST(PropertyListTests, ReadsHandWrittenXml) {
    const auto value =
        PropertyList::parse("\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                            "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
                            "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
                            "<plist version=\"1.0\"><!-- <array> -->\n<dict>\n"
                            "  <key>CFBundleIdentifier</key><string>com.example.Ed&amp;it</string>\n"
                            "  <key>Offset</key><integer>-7</integer>\n"
                            "  <key>Built</key><date>2020-01-02T03:04:05Z</date>\n"
                            "  <key>Raw</key><data>AAEC</data>\n"
                            "</dict>\n</plist>\n");
    ASSERT_TRUE(value.has_value());
    EXPECT_EQ(*value, PlistValue(Dictionary{{"CFBundleIdentifier", "com.example.Ed&it"},
                                            {"Offset", std::int64_t{-7}},
                                            {"Built", PlistValue::Date{599627045}},
                                            {"Raw", PlistValue::Data{0, 1, 2}}}));
    EXPECT_EQ(stringValue(*value->asDictionary(), "Offset"), std::nullopt);
    EXPECT_EQ(stringValue(*value->asDictionary(), "Missing"), std::nullopt);
}

TEST(PropertyListTests, BinaryIntegersAreSignedAndUidsAreLeftOut) {
    std::string minusOne = "\x13";
    appendBigEndian(minusOne, static_cast<std::uint64_t>(-1), 8);
    EXPECT_EQ(PropertyList::parse(binaryPlist({arrayOf({1, 2}), minusOne, "\x10\x05"})),
              PlistValue(Array{std::int64_t{-1}, std::int64_t{5}}));

    const std::string uid = "\x80\x01";
    EXPECT_EQ(PropertyList::parse(binaryPlist(
                  {container(0xD, {1, 2, 3, 4}, 2), ascii("uid"), ascii("name"), uid, ascii("Editor")})),
              PlistValue(Dictionary{{"name", "Editor"}}));
    EXPECT_FALSE(PropertyList::parse(binaryPlist({uid})).has_value());
}

TEST(PropertyListTests, RefusesWhatIsNoPropertyList) {
    const std::string good = PropertyList::toBinary(everyKind());
    for (const std::string& bytes :
         {std::string(), std::string("hello"), std::string("{\"a\": 1}"), std::string("\"a\" = \"b\";"),
          std::string("<plist><dict><key>a</key></plist>"),
          std::string("<plist><array><string>a</array></plist>"), good.substr(0, good.size() - 1),
          good.substr(0, 40), std::string("bplist00") + std::string(40, '\xFF')}) {
        EXPECT_FALSE(PropertyList::parse(bytes).has_value()) << bytes;
    }
}

TEST(PropertyListTests, RefusesInputsThatWouldCrashOrExplodeInsideTheLibrary) {
    EXPECT_TRUE(PropertyList::parse(xmlChain(512)).has_value());
    EXPECT_FALSE(PropertyList::parse(xmlChain(513)).has_value());
    EXPECT_TRUE(PropertyList::parse(binaryChain(512)).has_value());
    EXPECT_FALSE(PropertyList::parse(binaryChain(513)).has_value());
    // Deep enough to overflow the stack inside libplist if it were handed over.
    EXPECT_FALSE(PropertyList::parse(xmlChain(300'000)).has_value());
    EXPECT_FALSE(PropertyList::parse(binaryChain(60'000)).has_value());

    // 64 levels, each holding its successor twice, stand for 2^64 values once copied out; a shared
    // value that stays small is fine. An array that contains itself never ends.
    EXPECT_FALSE(PropertyList::parse(binaryChain(64, 2)).has_value());
    EXPECT_EQ(PropertyList::parse(binaryPlist({arrayOf({1, 1, 1}), ascii("x")})),
              PlistValue(Array{"x", "x", "x"}));
    EXPECT_FALSE(PropertyList::parse(binaryPlist({arrayOf({1}), arrayOf({0})})).has_value());

    // libplist 2.2 aborts the process on a dictionary key with a NUL in it.
    const std::string keyWithNul("\x62\x00\x61\x00\x00", 5);
    EXPECT_FALSE(
        PropertyList::parse(binaryPlist({container(0xD, {1, 2}, 1), keyWithNul, "\x09"})).has_value());

    // Keys whose hashes collide make every insertion compare against all the keys before it.
    std::string keys = "<plist><dict>";
    for (int i = 0; i < 20'000; ++i) {
        std::string key;
        for (int bit = 0; bit < 15; ++bit) {
            key += (i >> bit & 1) ? "az" : "bY";
        }
        keys += "<key>" + key + "</key><true/>";
    }
    EXPECT_FALSE(PropertyList::parse(keys + "</dict></plist>").has_value());
}

TEST(PropertyListTests, ReadsRegularFilesWithinTheLimitOnly) {
    testing::TemporaryFolder folder;
    const auto file = folder.write("Info.plist", PropertyList::toBinary(everyKind()));
    EXPECT_EQ(PropertyList::read(file), everyKind());
    EXPECT_FALSE(PropertyList::read(file, std::filesystem::file_size(file) - 1).has_value());
    EXPECT_FALSE(PropertyList::read(folder / "missing.plist").has_value());
    EXPECT_FALSE(PropertyList::read(folder.path()).has_value());
    ASSERT_EQ(mkfifo((folder / "pipe").c_str(), 0600), 0);
    EXPECT_FALSE(PropertyList::read(folder / "pipe").has_value());
}

} // namespace
} // namespace tarnwick
