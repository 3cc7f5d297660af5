#include "formats/PropertyList.h"
#include "formats/StringsFile.h"
#include "support/TemporaryFolder.h"

#include <gtest/gtest.h>

namespace tarnwick {
namespace {

using Dictionary = PlistValue::Dictionary;

// UTF-16 bytes of ASCII-or-Latin-1 `text` plus the given units, with a byte-order mark.
std::string utf16(std::u16string_view text, bool bigEndian) {
    std::string out = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (char16_t unit : text) {
        const char high = static_cast<char>(unit >> 8);
        const char low = static_cast<char>(unit & 0xFF);
        out += bigEndian ? std::string{high, low} : std::string{low, high};
    }
    return out;
}

const std::u16string germanTable = u"/* Lokalisierte Namen */\n"
                                   u"\"CFBundleDisplayName\" = \"Bücherwürmer\";\n"
                                   u"CFBundleName = \"Grüße 😀\";\n";
const Dictionary germanExpected{{"CFBundleDisplayName", "Bücherwürmer"}, {"CFBundleName", "Grüße 😀"}};

TEST(StringsFileTests, ReadsUtf16InEitherByteOrderAndUtf8) {
    const std::string utf8 = "\"CFBundleDisplayName\" = \"Bücherwürmer\";\nCFBundleName = \"Grüße 😀\";";
    // Without a mark, the zero bytes of ASCII characters give the UTF-16 byte order away.
    for (const std::string& bytes : {utf16(germanTable, false), utf16(germanTable, true),
                                     utf16(germanTable, false).substr(2), utf8, "\xEF\xBB\xBF" + utf8}) {
        EXPECT_EQ(StringsFile::parse(bytes), germanExpected) << bytes;
    }
    // Empty or only comments: an empty table.
    for (const std::string& bytes :
         {std::string(), std::string("\xEF\xBB\xBF  /* nothing */ // here\n"), utf16(u"", true)}) {
        EXPECT_EQ(StringsFile::parse(bytes), Dictionary{}) << bytes;
    }
}

TEST(StringsFileTests, DecodesEscapes) {
    const auto table = StringsFile::parse(R"("a" = "1\n2\t3\"4\\5\'6";)"
                                          R"("b" = "\a\b\f\v\r";)"
                                          R"("c" = "\U00FC\u00e9\101\0121";)"
                                          R"("d" = "\UD83D\UDE00";)"
                                          R"("e" = "\UD800x\UDC00";)"
                                          R"("f" = "\q\U";)");
    ASSERT_TRUE(table.has_value());
    EXPECT_EQ(stringValue(*table, "a"), "1\n2\t3\"4\\5'6");
    EXPECT_EQ(stringValue(*table, "b"), "\a\b\f\v\r");
    EXPECT_EQ(stringValue(*table, "c"), "üéA\n1");
    EXPECT_EQ(stringValue(*table, "d"), "😀");
    EXPECT_EQ(stringValue(*table, "e"), "\uFFFDx\uFFFD");
    EXPECT_EQ(stringValue(*table, "f"), "qU");
}

TEST(StringsFileTests, AcceptsCommentsUnquotedWordsAndShortForms) {
    const auto table = StringsFile::parse("// heading\n"
                                          "/* \"not\" = \"read\"; */ CFBundleName /**/= Tarn.App-2_$/:x ;\n"
                                          "'single' = 'quoted';\n"
                                          "\"Same\";  // the value is the key\n"
                                          "\"twice\" = \"first\"; \"twice\" = \"second\";");
    EXPECT_EQ(table, (Dictionary{{"CFBundleName", "Tarn.App-2_$/:x"},
                                 {"single", "quoted"},
                                 {"Same", "Same"},
                                 {"twice", "second"}}));
    EXPECT_EQ(StringsFile::parse("{ \"a\" = \"b\"; }\n"), (Dictionary{{"a", "b"}}));
}

TEST(StringsFileTests, AMalformedFileGivesNothingAtAll) {
    for (const std::string text : {"\"a\" = \"b\"; \"c\" = \"d\"", "\"a\" \"b\";", "\"a\" = \"b;",
                                   "\"a\" = ;", "\"a\" = \"b\"; /* open", "= \"b\";", "\"a\" = \"b\" \"c\";",
                                   "{ \"a\" = \"b\";", "\"a\" = (\"b\");", "a\\b = c;"}) {
        EXPECT_FALSE(StringsFile::parse(text).has_value()) << text;
    }
}

TEST(StringsFileTests, BrokenEncodingsBecomeReplacementCharacters) {
    // A lone high surrogate inside a UTF-16 value, an invalid UTF-8 byte, and an odd trailing byte.
    EXPECT_EQ(StringsFile::parse(utf16(u"\"k\" = \"a\xD800z\";", false)), (Dictionary{{"k", "a\uFFFDz"}}));
    EXPECT_EQ(StringsFile::parse("\"k\" = \"a\xFFz\";"), (Dictionary{{"k", "a\uFFFDz"}}));
    EXPECT_FALSE(StringsFile::parse(utf16(u"\"k\" = \"v\";", true) + "\x41").has_value());
}

TEST(StringsFileTests, PropertyListFilesGiveTheirStringValues) {
    const PlistValue table = Dictionary{{"CFBundleDisplayName", "Bücherwürmer"}, {"Count", 3}};
    const Dictionary expected{{"CFBundleDisplayName", "Bücherwürmer"}};
    EXPECT_EQ(StringsFile::parse(PropertyList::toBinary(table)), expected);
    EXPECT_EQ(StringsFile::parse(PropertyList::toXml(table)), expected);
    EXPECT_FALSE(StringsFile::parse(PropertyList::toXml(PlistValue::Array{"a"})).has_value());
    EXPECT_FALSE(StringsFile::parse("bplist00 broken").has_value());
}

TEST(StringsFileTests, ReadsFiles) {
    testing::TemporaryFolder folder;
    EXPECT_EQ(StringsFile::read(folder.write("de.lproj/InfoPlist.strings", utf16(germanTable, false))),
              germanExpected);
    EXPECT_FALSE(StringsFile::read(folder / "missing.strings").has_value());
}

} // namespace
} // namespace tarnwick
