#include "platform/Text.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <string>
#include <thread>
#include <vector>

namespace tarnwick {
namespace {

// UTF-8 of U+FFFD, what every ill-formed sequence becomes.
const std::string r = "\xEF\xBF\xBD";
const std::string invalid = "A\xFF"
                            "B\xC0\x80"
                            "C\xED\xA0\x80\xE2\x82";

TEST(TextTests, TransformationsFollowUnicodeWhateverTheLanguageAndRepairBrokenInput) {
    const struct {
        std::string (*transform)(std::string_view);
        std::string input;
        std::string expected;
    } cases[] = {
        {Text::lowercased, "ÄÖÜ Straße", "äöü straße"},
        {Text::lowercased, "ΟΔΟΣ", "οδος"}, // final sigma
        {Text::lowercased, "İ", "i\u0307"},
        // Plain ASCII takes a shortcut; with one accented letter the same text goes through ICU.
        {Text::lowercased, "Sound-Box PRO_2.App", "sound-box pro_2.app"},
        {Text::lowercased, "Sound-Box PRO_2.AppÉ", "sound-box pro_2.appé"},
        {Text::normalizedName, "Sound-Box PRO_2.App", "soundboxpro2app"},
        {Text::normalizedName, "Sound-Box PRO_2.AppÉ", "soundboxpro2appé"},
        {Text::normalizedName, "---", ""},
        {Text::normalizedName, "Cafe\u0301_Tools™ (Beta)!", "caf\u00e9toolsbeta"},
        // Names compare as a Mac compares them: composed, and case folded fully.
        {Text::comparableName, "Cafe\u0301.App", "caf\u00e9.app"},
        {Text::comparableName, "CAF\u00c9", "caf\u00e9"},
        {Text::comparableName, "Com.Example.Notes", "com.example.notes"},
        {Text::normalizedName, "App \u0663 \u096A ½", "app\u0663\u096A½"},
        {Text::normalizedName, "Émoji 😀 Ünïcode", "émojiünïcode"},
        {Text::normalizedName, "日本語 App", "日本語app"},
        {Text::titleCased, "HELLO wORLD", "Hello World"},
        {Text::titleCased, "élan vital", "Élan Vital"},
        {Text::titleCased, "istanbul", "Istanbul"},
        {Text::nfc, "Cafe\u0301.app", "Caf\u00e9.app"},
        // Combining marks are put in canonical order before composing.
        {Text::nfc, "a\u0307\u0323", "\u1EA1\u0307"},
        {Text::nfc, "a\u0323\u0307", "\u1EA1\u0307"},
        {Text::trimmed, " \t\n Foo  Bar \r\n", "Foo  Bar"},
        {Text::trimmed, "\u00a0\u3000Foo\u2028\u2029\u0085", "Foo"},
        {Text::trimmed, "  \n ", ""},
        {Text::trimmed, "\u200bFoo", "\u200bFoo"}, // a zero-width space is not white space
        // Ill-formed UTF-8 reads as replacement characters, a NUL as an ordinary character.
        {Text::lowercased, std::string("A\xFF") + "B", "a" + r + "b"},
        {Text::lowercased, std::string("a\0B", 3), std::string("a\0b", 3)},
        {Text::normalizedName, invalid, "abc"},
        {Text::trimmed, " \xE2\x82 ", r},
        {Text::nfc, "\xFF", r},
        {Text::titleCased, std::string("\xFF") + "abc", r + "Abc"},
        // Repair keeps what is well formed, a NUL and characters beyond the first plane included.
        {Text::validUtf8, std::string("a\0\u00e9\U0001F600", 9), std::string("a\0\u00e9\U0001F600", 9)},
        {Text::validUtf8, invalid, "A" + r + "B" + r + r + "C" + r + r + r + r},
        // What a terminal would act on is escaped; letters of any script, marks and emoji are not.
        {Text::printable, "a\nb\r\t\x1b]0;x\x07\x7f\u0085\u2028\u2029 caf\u00e9 \xff",
         "a\\nb\\r\\t\\x1B]0;x\\x07\\x7F\\u0085\\u2028\\u2029 caf\u00e9 " + r},
        {Text::printable, std::string("\0", 1), "\\x00"},
        {Text::printable, "\u202Aa\u202Eb\u2066c\u2069\u200E\u200F\u061C",
         "\\u202Aa\\u202Eb\\u2066c\\u2069\\u200E\\u200F\\u061C"},
        {Text::printable, "\u05E9\u05DC\u05D5\u05DD \u65E5\u672C Cafe\u0301 \U0001F600 \u200D\u00AD\\x1B",
         "\u05E9\u05DC\u05D5\u05DD \u65E5\u672C Cafe\u0301 \U0001F600 \u200D\u00AD\\x1B"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.transform(c.input), c.expected) << c.input;
    }
    EXPECT_EQ(Text::fromUtf16(u"a\xD83D\xDE00"), "a\U0001F600");
    // Surrogates without their partner.
    EXPECT_EQ(Text::fromUtf16(std::u16string{0xDE00, u'a', 0xD83D}), r + "a" + r);
    EXPECT_EQ(Text::fromUtf16Bytes(std::string("\0a\xD8\x3D\xDE\x00\0", 7), Text::Utf16Order::bigEndian),
              "a\U0001F600" + r);
    EXPECT_EQ(Text::fromUtf16Bytes(std::string("a\0\x3D\xD8", 4), Text::Utf16Order::littleEndian), "a" + r);
}

TEST(TextTests, StandardCompareIsCaseInsensitiveAccentSensitiveAndNumeric) {
    EXPECT_LT(Text::localizedStandardCompare("App 2", "app 10"), 0);
    EXPECT_GT(Text::localizedStandardCompare("app 10", "App 2"), 0);
    EXPECT_EQ(Text::localizedStandardCompare("Safari", "safari"), 0);
    EXPECT_NE(Text::localizedStandardCompare("resume", "résumé"), 0);
    EXPECT_EQ(Text::localizedStandardCompare("e\u0301", "\u00e9"), 0);
}

TEST(TextTests, SortingGivesTheSameOrderOnEveryThread) {
    const std::vector<std::string> names = {
        "Zeta",  "E\u0301te\u0301", "\u00c9cran", "Echo", "\u00e9clair", "e\u0301clair", "app 10",
        "App 2", "file 100",        "File 9",     "beta", "Alpha",       "File 10"};
    const std::vector<std::string> expected = {
        "Alpha",      "App 2",           "app 10", "beta",    "Echo",     "\u00e9clair", "e\u0301clair",
        "\u00c9cran", "E\u0301te\u0301", "File 9", "File 10", "file 100", "Zeta"};
    std::vector<std::vector<std::string>> results(4, names);
    std::vector<std::thread> threads;
    for (auto& result : results) {
        threads.emplace_back([&result, &names] {
            for (int round = 0; round < 200; ++round) {
                result = names;
                std::stable_sort(result.begin(), result.end(), [](const auto& left, const auto& right) {
                    return Text::localizedStandardCompare(left, right) < 0;
                });
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    for (const auto& result : results) {
        EXPECT_EQ(result, expected);
    }
}

TEST(TextTests, ContainsFoldsCaseFullyButRespectsAccentsWhateverTheirEncoding) {
    EXPECT_TRUE(Text::localizedCaseInsensitiveContains("Visual Studio Code", "studio c"));
    EXPECT_TRUE(Text::localizedCaseInsensitiveContains("Die Straße", "STRASSE"));
    EXPECT_TRUE(Text::localizedCaseInsensitiveContains("STRASSE", "straße"));
    EXPECT_TRUE(Text::localizedCaseInsensitiveContains("ΟΔΟΣ", "οδος"));
    EXPECT_TRUE(Text::localizedCaseInsensitiveContains("Work\uFB02ow", "FLOW")); // ligature
    EXPECT_FALSE(Text::localizedCaseInsensitiveContains("Visual Studio", "studios"));

    EXPECT_TRUE(Text::localizedCaseInsensitiveContains("Cafe\u0301 Bar", "CAF\u00c9"));
    EXPECT_TRUE(Text::localizedCaseInsensitiveContains("Caf\u00e9 Bar", "cafe\u0301"));
    EXPECT_FALSE(Text::localizedCaseInsensitiveContains("Caf\u00e9", "cafe"));
    EXPECT_FALSE(Text::localizedCaseInsensitiveContains("Cafe\u0301", "cafe"));
    EXPECT_FALSE(Text::localizedCaseInsensitiveContains("Iraq\u0301", "iraq")); // no precomposed form
    EXPECT_TRUE(Text::localizedCaseInsensitiveContains("Iraq\u0301 iraq", "iraq"));

    // An empty search is contained in nothing.
    EXPECT_FALSE(Text::localizedCaseInsensitiveContains("anything", ""));
    EXPECT_FALSE(Text::localizedCaseInsensitiveContains("", ""));
}

TEST(TextTests, CharactersAreCountedAsAReaderSeesThem) {
    EXPECT_EQ(Text::characterCount("Notes.app"), 9U);
    EXPECT_EQ(Text::characterCount("Cafe\u0301"), 4U);           // e + combining accent
    EXPECT_EQ(Text::characterCount("\U0001F1E9\U0001F1EA"), 1U); // one flag, two scalars
    EXPECT_EQ(Text::characterCount("a\r\nb"), 3U);
    EXPECT_EQ(Text::characterCount(""), 0U);
}

TEST(TextTests, ComparisonsReadIllFormedUtf8AsReplacementCharactersAndNulsAsOrdinaryOnes) {
    EXPECT_EQ(Text::localizedStandardCompare("\xFF", r), 0);
    EXPECT_TRUE(Text::localizedCaseInsensitiveContains(invalid, "c"));
    EXPECT_TRUE(Text::localizedCaseInsensitiveContains(invalid, "\xFE"));
    EXPECT_FALSE(Text::localizedCaseInsensitiveContains("abc", "\xFE"));
    EXPECT_TRUE(Text::localizedCaseInsensitiveContains(std::string("a\0B", 3), "b"));
}

} // namespace
} // namespace tarnwick
