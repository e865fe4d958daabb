// Code pages: round trips in 1252, 949 and UTF-8, substitution of what a code
// page cannot hold, and the ANSI code page taken from the locale.
#include "platform/CodePage.h"

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>
#include <unicode/ucnv.h>

#include <random>

namespace varno::test {
namespace {

TEST(CodePage, EncodesAndDecodes)
{
    // UTF-8 text, its bytes in the code page, and whether decoding gives the text back
    const struct Case { unsigned codePage; const char* text; std::string expected; bool roundTrips; } cases[] = {
        {1252, "Äpfel € ÿ", "\xC4pfel \x80 \xFF", true},
        {1252, "a가나b", "a??b", false}, // one "?" per character
        {1252, "Ā Ｂ", "A B", false},    // best fit before "?"
        {949, "한국어 abc", "\xC7\xD1\xB1\xB9\xBE\xEE abc", true},
        {949, "똠", "\x8C\x63", true},   // beyond EUC-KR: the extended table
        {65001, "한 ä 😀", "\xED\x95\x9C \xC3\xA4 \xF0\x9F\x98\x80", true},
    };
    for (const Case& c : cases) {
        const std::u16string text = U8(c.text).str();
        EXPECT_EQ(WideCharToMultiByte(c.codePage, text), c.expected) << c.text;
        EXPECT_TRUE(!c.roundTrips || MultiByteToWideChar(c.codePage, c.expected) == text) << c.text;
        CodePageGuard acp(c.codePage);
        EXPECT_EQ(WideCharToMultiByte(CP_ACP, text), c.expected) << c.text; // CP_ACP is the process's code page
    }
    EXPECT_EQ(MultiByteToWideChar(65001, "a\xFF" "b\xC3"), u"a\uFFFDb\uFFFD");
    EXPECT_EQ(MultiByteToWideChar(1252, std::string_view("a\0b", 3)), std::u16string(u"a\0b", 3));
    EXPECT_EQ(WideCharToMultiByte(65001, std::u16string(1, char16_t(0xDC00))), "\xEF\xBF\xBD");
}

// The first byte a code page cannot decode, found piece by piece with the
// text unchanged from a whole decoding.
TEST(CodePage, DecoderFindsTheFirstUndecodableByte)
{
    const struct Case { unsigned codePage; std::string bytes; int64_t bad, unit; } cases[] = {
        {65001, "ab\xFF" "cd\xFF", 2, 2},
        {65001, "a\xEF\xBF\xBD" "b", -1, -1}, // a real U+FFFD is text
        {65001, "\xED\x95\x9C\xC3", 3, 1},   // cut off at the end
        {65001, "\xE2\x82x", 0, 0},
        {949, "a\x81 b", 1, 1},                // a lead byte without its trail byte
        {949, "\xC7\xD1\xB1\xB9", -1, -1},
        {1252, "caf\xE9 \x81\x8D", -1, -1},   // 1252 decodes every byte
        {932, "abc", -1, -1},                   // unsupported: no text, nothing noted
    };
    for (const Case& c : cases) {
        for (size_t piece : {size_t(1), size_t(2), c.bytes.size()}) {
            Decoder decoder(c.codePage);
            std::u16string text;
            for (size_t i = 0; i < c.bytes.size(); i += piece)
                decoder.Decode(std::string_view(c.bytes).substr(i, piece), i + piece >= c.bytes.size(), text);
            EXPECT_EQ(text, MultiByteToWideChar(c.codePage, c.bytes)) << c.bytes << " in pieces of " << piece;
            EXPECT_EQ(decoder.FirstBadByte(), c.bad) << c.bytes << " in pieces of " << piece;
            EXPECT_EQ(decoder.FirstBadUnit(), c.unit) << c.bytes << " in pieces of " << piece;
        }
    }
}

TEST(CodePage, CountsTheCharactersAConversionCouldNotWrite)
{
    const struct Case { unsigned codePage; std::u16string text; uint64_t count; char32_t first; } cases[] = {
        {1252, u"Caf\u00e9 \u2013 \u20ac5", 0, 0},
        {949, u"Caf\u00e9 \u2013 \u20ac5", 2, U'\u00e9'}, // a similar letter, then "?"
        {1252, u"\ud55c\uad6d \U0001F600", 3, U'\ud55c'},
        {949, u"\ud55c\uad6d", 0, 0},
        {65001, {u'a', char16_t(0xDC00), u'b', char16_t(0xD800)}, 2, 0xDC00}, // unpaired surrogates
        {65001, u"\U0001F600", 0, 0},
    };
    for (const Case& c : cases) {
        ResetConversionLosses();
        (void)WideCharToMultiByte(c.codePage, c.text);
        (void)WideCharToMultiByte(c.codePage, c.text);
        EXPECT_EQ(GetConversionLosses().count, 2 * c.count) << CString(c.text).ToUtf8() << " in " << c.codePage;
        EXPECT_EQ(GetConversionLosses().first, c.first) << CString(c.text).ToUtf8() << " in " << c.codePage;
    }
    ResetConversionLosses();
    EXPECT_EQ(GetConversionLosses().count, 0u);
}

TEST(CodePage, UnsupportedCodePagesAreRefused)
{
    CodePageGuard acp(1252);
    EXPECT_FALSE(SetACP(932));
    EXPECT_EQ(GetACP(), 1252u);
    EXPECT_TRUE(IsSupportedCodePage(949) && !IsSupportedCodePage(932));
    EXPECT_EQ(MultiByteToWideChar(932, "abc"), u"");
    EXPECT_EQ(WideCharToMultiByte(932, u"abc"), "");
}

TEST(CodePage, TheAnsiCodePageComesFromTheLocale)
{
    const struct Case { const char *lcAll, *lcCtype, *lang; unsigned expected; } cases[] = {
        {nullptr, nullptr, "ko_KR.EUC-KR", 949},         {nullptr, nullptr, "ko_KR.CP949", 949},
        {nullptr, nullptr, "de_DE.iso88591@euro", 1252}, {nullptr, nullptr, "en_US.CP1252", 1252},
        {nullptr, nullptr, "ko_KR", 65001},              {nullptr, nullptr, nullptr, 65001},
        {"ko_KR.eucKR", nullptr, "C.UTF-8", 949},        {nullptr, "de_DE.ISO-8859-1", "ko_KR.EUC-KR", 1252},
        {"", "", "ko_KR.EUC-KR", 949}, // LC_ALL, then LC_CTYPE, then LANG; empty ones do not count
    };
    auto opt = [](const char* v) { return v ? std::optional<std::string>(v) : std::nullopt; };
    CodePageGuard restore(GetACP());
    for (const Case& c : cases) {
        EnvGuard all("LC_ALL", opt(c.lcAll)), ctype("LC_CTYPE", opt(c.lcCtype)), lang("LANG", opt(c.lang));
        ASSERT_TRUE(SetACP(CP_ACP)); // re-read the environment
        EXPECT_EQ(GetACP(), c.expected) << (c.lang ? c.lang : "no LANG");
    }
}

// The decoder widens ASCII runs itself and gives ICU only the rest; on
// random bytes cut into random pieces it must give exactly what ICU gives
// for the whole, in every code page (949 trail bytes can be ASCII letters).
TEST(CodePage, DecodingInPiecesGivesWhatIcuGivesForTheWhole)
{
    const std::pair<unsigned, const char*> codePages[] = {
        {1252, "ibm-5348_P100-1997"}, {949, "windows-949-2000"}, {65001, "UTF-8"}};
    const std::string alphabet = std::string("aZ\"\r\n,\x7F", 7) + "\x80\x81\x8C\xA1\xB0\xC3\xC7\xE0\xED\xF0\xFE\xFF";
    std::mt19937 rng(7);
    for (const auto& [codePage, icuName] : codePages) {
        for (int round = 0; round < 3000; ++round) {
            std::string bytes;
            for (int n = std::uniform_int_distribution<int>(0, 24)(rng); n > 0; --n)
                bytes += alphabet[std::uniform_int_distribution<size_t>(0, alphabet.size() - 1)(rng)];
            UErrorCode status = U_ZERO_ERROR;
            UConverter* icu = ucnv_open(icuName, &status);
            std::u16string whole(bytes.size() * 2 + 4, u'\0');
            const int32_t length = ucnv_toUChars(icu, reinterpret_cast<UChar*>(whole.data()),
                                                 static_cast<int32_t>(whole.size()), bytes.data(),
                                                 static_cast<int32_t>(bytes.size()), &status);
            ucnv_close(icu);
            ASSERT_TRUE(U_SUCCESS(status));
            whole.resize(static_cast<size_t>(length));

            Decoder decoder(codePage);
            std::u16string pieces;
            for (size_t at = 0; at < bytes.size();) {
                const size_t piece = std::uniform_int_distribution<size_t>(1, 5)(rng);
                decoder.Decode(std::string_view(bytes).substr(at, piece), false, pieces);
                at += piece;
            }
            decoder.Decode({}, true, pieces);
            ASSERT_EQ(pieces, whole) << codePage << " round " << round;
        }
    }
}

} // namespace
} // namespace varno::test
