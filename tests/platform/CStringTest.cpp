// CString: case-insensitive comparison by Unicode simple case folding,
// clamping of the substring operations, Replace, Trim, Format, UTF-8 and
// Tokenize.
#include "platform/CString.h"
#include "platform/Utf_p.h"

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <array>
#include <tuple>
#include <vector>

namespace varno::test {
namespace {

TEST(CString, CompareNoCaseFoldsTheCaseOfEveryScript)
{
    const struct Case { const char *a, *b; int sign; } cases[] = { // sign of a.CompareNoCase(b)
        {"PHONE", "phone", 0}, {"a", "B", -1}, // case-blind order, not code-unit order
        {"ÄRGER", "ärger", 0}, {"ς", "Σ", 0},  // final sigma folds to sigma
        {"ΣΟΦΟΣ", "σοφος", 0}, {"K", "k", 0},  // Kelvin sign
        {"ẞ", "ß", 0},         {"ß", "SS", 1}, // simple folding keeps lengths
        {"𐐀", "𐐨", 0},         {"국", "한", -1},
        {"abc", "ABCD", -1},   {"Ä", "äx", -1}, // a prefix sorts first
    };
    auto sign = [](int r) { return (r > 0) - (r < 0); };
    for (const Case& c : cases) {
        EXPECT_EQ(sign(U8(c.a).CompareNoCase(U8(c.b).str())), c.sign) << c.a << " vs " << c.b;
        EXPECT_EQ(sign(U8(c.b).CompareNoCase(U8(c.a).str())), -c.sign) << c.b << " vs " << c.a;
    }
}

TEST(CString, SubstringsAndFindClampCountsAndPositions)
{
    const CString s(u"abcabc");
    for (const auto& [got, expected] :
         {std::pair{s.Left(-1), u""}, {s.Left(99), u"abcabc"}, {s.Right(-2), u""}, {s.Right(2), u"bc"},
          {s.Mid(-1), u"abcabc"}, {s.Mid(9), u""}, {s.Mid(1, 99), u"bcabc"}, {s.Mid(1, -1), u""}})
        EXPECT_EQ(got, CString(expected)) << got.ToUtf8();
    EXPECT_EQ((std::array{s.Find(u'b', 2), s.Find(u'b', -1), s.Find(u'a', 6), s.Find(u"ca"), s.Find(u"", 6),
                          s.Find(u"", 7), s.Find(u"abcabcd"), s.ReverseFind(u'a')}),
              (std::array{4, -1, -1, 2, 6, -1, -1, 3}));
}

TEST(CString, ReplaceTrimFormatAndUtf8)
{
    for (const auto& [text, from, to, expected, count] :
         {std::tuple{u"aaa", u"aa", u"b", u"ba", 1}, {u"a\"\"\"b", u"\"\"", u"\"", u"a\"\"b", 1},
          {u"xax", u"x", u"xx", u"xxaxx", 2}, {u"abc", u"", u"z", u"abc", 0}}) {
        CString s(text);
        EXPECT_EQ(s.Replace(from, to), count) << s.ToUtf8();
        EXPECT_EQ(s, CString(expected)) << s.ToUtf8();
    }
    CString padded = U8("\u00A0 a b\t\r\n\u3000");
    EXPECT_EQ(padded.Trim(), CString(u"a b"));

    CString s;
    volatile int width = 300; // past the stack buffer (volatile: g++ would warn of what Format handles)
    s.Format("%0*d|%.3f", static_cast<int>(width), 1, 1.5);
    EXPECT_EQ(s, CString(u'0', 299) + CString(u"1|1.500"));

    EXPECT_EQ(U8("a\xC3(b\xFF"), CString(u"a\uFFFD(b\uFFFD"));
    EXPECT_EQ(CString(u"한국 😀").ToUtf8(), "한국 😀");
    EXPECT_EQ(CString(std::u16string(1, char16_t(0xD800)) + u"x").ToUtf8(), "\xEF\xBF\xBDx");
    CString upper = U8("äbc");
    EXPECT_EQ(&upper.MakeUpper(), &upper);
    EXPECT_EQ(upper, CString(u"ÄBC"));
}

TEST(CString, TokenizeSkipsDelimiterRunsAndEndsWithMinusOne)
{
    // Each token with the position after it; then one more call gives "" and -1.
    using Steps = std::vector<std::pair<std::u16string, int>>;
    const struct { const char16_t *text, *delimiters; int start; Steps steps; } cases[] = {
        {u"a,b", u",", 0, {{u"a", 2}, {u"b", 4}}},
        {u",,a,,b,", u",", 0, {{u"a", 4}, {u"b", 7}}},          // leading and repeated delimiters
        {u"10:30 PM", u": ", 0, {{u"10", 3}, {u"30", 6}, {u"PM", 9}}},
        {u"a,b", u",", 1, {{u"b", 4}}},
        {u"abc", u"", 0, {{u"abc", 4}}},                         // no delimiters: the rest
        {u",,,", u",", 0, {}},
        {u"", u",", 0, {}},
        {u"a,b", u",", 3, {}},
        {u"a,b", u",", -1, {}},
    };
    for (const auto& c : cases) {
        const CString text(c.text);
        int start = c.start;
        for (const auto& [token, next] : c.steps) {
            EXPECT_EQ(text.Tokenize(c.delimiters, start), CString(token)) << text.ToUtf8() << " at " << start;
            EXPECT_EQ(start, next) << text.ToUtf8();
        }
        EXPECT_EQ(text.Tokenize(c.delimiters, start), CString()) << text.ToUtf8();
        EXPECT_EQ(start, -1) << text.ToUtf8();
    }
}

// Cells converted in place from UTF-16 (as the export re-writes them): the bytes
// CString::ToUtf8 gives for every width of character, appended to what the
// cell held; text with an unpaired surrogate is left to ToUtf8.
TEST(CString, CellsAreAppendedAsUtf8AsToUtf8GivesThem)
{
    const struct {
        std::u16string text;
        bool converted;
    } rows[] = {
        {u"", true},
        {u"plain, \"quoted\"\r\n", true},
        {u"Zoë 김 \u20AC \U0001F600 \u07FF\u0800\uFFFF\U0010FFFF", true},
        {u"high \xD83D alone", false},
        {u"low \xDE00 alone", false},
        {u"high at the end \xD83D", false},
        {u"swapped \xDE00\xD83D", false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(CString(row.text).ToUtf8());
        std::string cell = "held:";
        EXPECT_EQ(varno::detail::AppendUtf8(row.text, cell), row.converted);
        EXPECT_EQ(cell, row.converted ? "held:" + CString(row.text).ToUtf8() : "held:");
    }
}

} // namespace
} // namespace varno::test
