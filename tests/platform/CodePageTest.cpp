// Code pages: round trips in 1252, 949 and UTF-8, substitution of what a code
// page cannot hold, and the ANSI code page taken from the locale.
#include "platform/CodePage.h"

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

namespace {

using varno::test::CodePageGuard;
using varno::test::EnvGuard;
using varno::test::U8;

struct Encoding {
    unsigned codePage;
    const char* text;     // UTF-8 source text
    std::string expected; // bytes in the code page
    bool roundTrips;      // decoding the bytes gives the text back
};

class CodePageEncoding : public ::testing::TestWithParam<Encoding> {};

TEST_P(CodePageEncoding, EncodesAndDecodes)
{
    const Encoding& e = GetParam();
    const std::u16string text = U8(e.text).str();
    EXPECT_EQ(WideCharToMultiByte(e.codePage, text), e.expected) << e.text;
    if (e.roundTrips) {
        EXPECT_EQ(MultiByteToWideChar(e.codePage, e.expected), text) << e.text;
    }

    // CP_ACP resolves to the process's code page.
    CodePageGuard acp(e.codePage);
    EXPECT_EQ(WideCharToMultiByte(CP_ACP, text), e.expected) << e.text;
}

INSTANTIATE_TEST_SUITE_P(Table, CodePageEncoding, ::testing::Values(
    Encoding{1252, "Äpfel € ÿ", "\xC4pfel \x80 \xFF", true},
    Encoding{1252, "가나다", "???", false},                  // one "?" per character
    Encoding{1252, "a가b", "a?b", false},
    Encoding{1252, "Ā Ｂ", "A B", false},                   // best fit before "?"
    Encoding{1252, "", "", true},
    Encoding{949, "한국어 abc", "\xC7\xD1\xB1\xB9\xBE\xEE abc", true},
    Encoding{949, "똠", "\x8C\x63", true},                  // beyond EUC-KR: the extended table
    Encoding{65001, "한 ä 😀", "\xED\x95\x9C \xC3\xA4 \xF0\x9F\x98\x80", true}));

TEST(CodePage, DecodingMarksBytesThatAreNotText)
{
    EXPECT_EQ(MultiByteToWideChar(65001, "a\xFF" "b\xC3"), u"a\uFFFDb\uFFFD");
    EXPECT_EQ(MultiByteToWideChar(1252, "\xEF\xBB\xBF"), u"ï»¿");
    EXPECT_EQ(MultiByteToWideChar(1252, std::string_view("a\0b", 3)), std::u16string(u"a\0b", 3));
    EXPECT_EQ(WideCharToMultiByte(65001, std::u16string(1, char16_t(0xDC00))), "\xEF\xBF\xBD");
}

TEST(CodePage, UnsupportedCodePagesAreRefused)
{
    CodePageGuard acp(1252);
    EXPECT_FALSE(SetACP(437));
    EXPECT_FALSE(SetACP(932));
    EXPECT_EQ(GetACP(), 1252u);
    EXPECT_TRUE(IsSupportedCodePage(CP_ACP));
    EXPECT_TRUE(IsSupportedCodePage(949));
    EXPECT_FALSE(IsSupportedCodePage(932));
    EXPECT_EQ(MultiByteToWideChar(932, "abc"), u"");
    EXPECT_EQ(WideCharToMultiByte(932, u"abc"), "");
}

struct Locale {
    const char* lcAll;
    const char* lcCtype;
    const char* lang;
    unsigned expected;
};

class CodePageFromLocale : public ::testing::TestWithParam<Locale> {};

TEST_P(CodePageFromLocale, ReadsTheCodeset)
{
    const Locale& l = GetParam();
    auto opt = [](const char* v) { return v ? std::optional<std::string>(v) : std::nullopt; };
    CodePageGuard restore(GetACP());
    {
        EnvGuard all("LC_ALL", opt(l.lcAll)), ctype("LC_CTYPE", opt(l.lcCtype)), lang("LANG", opt(l.lang));
        ASSERT_TRUE(SetACP(CP_ACP)); // re-read the environment
        EXPECT_EQ(GetACP(), l.expected);
    }
}

INSTANTIATE_TEST_SUITE_P(Table, CodePageFromLocale, ::testing::Values(
    Locale{nullptr, nullptr, "ko_KR.EUC-KR", 949},
    Locale{nullptr, nullptr, "ko_KR.CP949", 949},
    Locale{nullptr, nullptr, "de_DE.ISO-8859-1", 1252},
    Locale{nullptr, nullptr, "de_DE.iso88591@euro", 1252},
    Locale{nullptr, nullptr, "en_US.CP1252", 1252},
    Locale{nullptr, nullptr, "C.UTF-8", 65001},
    Locale{nullptr, nullptr, "C", 65001},
    Locale{nullptr, nullptr, "ko_KR", 65001},
    Locale{nullptr, nullptr, nullptr, 65001},
    Locale{nullptr, nullptr, "", 65001},
    Locale{"ko_KR.eucKR", nullptr, "C.UTF-8", 949},          // LC_ALL first
    Locale{nullptr, "de_DE.ISO-8859-1", "ko_KR.EUC-KR", 1252}, // then LC_CTYPE
    Locale{"", "", "ko_KR.EUC-KR", 949}));                      // empty ones do not count

} // namespace
