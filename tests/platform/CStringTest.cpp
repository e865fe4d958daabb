// CString: case-insensitive comparison by Unicode simple case folding,
// clamping of the substring operations, Replace, Trim, Format and UTF-8.
#include "platform/CString.h"

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

namespace {

using varno::test::U8;

struct NoCase {
    const char* a;
    const char* b;
    int sign; // of a.CompareNoCase(b)
};

class CStringNoCase : public ::testing::TestWithParam<NoCase> {};

TEST_P(CStringNoCase, FoldsCaseOfEveryScript)
{
    const NoCase& c = GetParam();
    auto sign = [](int r) { return (r > 0) - (r < 0); };
    EXPECT_EQ(sign(U8(c.a).CompareNoCase(U8(c.b).str())), c.sign) << c.a << " vs " << c.b;
    EXPECT_EQ(sign(U8(c.b).CompareNoCase(U8(c.a).str())), -c.sign) << c.b << " vs " << c.a;
}

INSTANTIATE_TEST_SUITE_P(Table, CStringNoCase, ::testing::Values(
    NoCase{"PHONE", "phone", 0},
    NoCase{"a", "B", -1},                 // case-blind order, not code-unit order
    NoCase{"Ä", "ä", 0},
    NoCase{"ÄRGER", "ärger", 0},
    NoCase{"Σ", "σ", 0},
    NoCase{"ς", "Σ", 0},                  // final sigma folds to sigma
    NoCase{"ΣΟΦΟΣ", "σοφος", 0},
    NoCase{"K", "k", 0},                  // Kelvin sign
    NoCase{"ẞ", "ß", 0},
    NoCase{"ß", "SS", 1},                 // simple folding keeps lengths
    NoCase{"𐐀", "𐐨", 0},                 // supplementary plane, surrogate pairs
    NoCase{"한국어", "한국어", 0},
    NoCase{"국", "한", -1},
    NoCase{"abc", "ABCD", -1},            // a prefix sorts first
    NoCase{"", "", 0},
    NoCase{"", "a", -1},
    NoCase{"Ä", "äx", -1}));

TEST(CString, SubstringsClampCountsAndPositions)
{
    const CString s(u"abcabc");
    struct Row {
        CString got;
        const char16_t* expected;
    };
    for (const Row& r : {Row{s.Left(-1), u""}, Row{s.Left(2), u"ab"}, Row{s.Left(99), u"abcabc"},
                         Row{s.Right(-2), u""}, Row{s.Right(2), u"bc"}, Row{s.Right(99), u"abcabc"},
                         Row{s.Mid(-1), u"abcabc"}, Row{s.Mid(4), u"bc"}, Row{s.Mid(6), u""}, Row{s.Mid(9), u""},
                         Row{s.Mid(1, 2), u"bc"}, Row{s.Mid(1, 99), u"bcabc"}, Row{s.Mid(1, -1), u""}})
        EXPECT_EQ(r.got, CString(r.expected)) << r.got.ToUtf8();

    EXPECT_EQ(s.Find(u'b'), 1);
    EXPECT_EQ(s.Find(u'b', 2), 4);
    EXPECT_EQ(s.Find(u'b', -1), -1);
    EXPECT_EQ(s.Find(u'a', 6), -1);
    EXPECT_EQ(s.Find(u"ca", 0), 2);
    EXPECT_EQ(s.Find(u"", 6), 6);
    EXPECT_EQ(s.Find(u"", 7), -1);
    EXPECT_EQ(s.Find(u"abcabcd"), -1);
    EXPECT_EQ(s.ReverseFind(u'a'), 3);
}

TEST(CString, ReplaceTakesNonOverlappingMatchesLeftToRight)
{
    struct Row {
        const char16_t* text;
        const char16_t* from;
        const char16_t* to;
        const char16_t* expected;
        int count;
    };
    for (const Row& r : {Row{u"aaa", u"aa", u"b", u"ba", 1}, Row{u"a\"\"\"b", u"\"\"", u"\"", u"a\"\"b", 1},
                         Row{u"xax", u"x", u"xx", u"xxaxx", 2}, Row{u"abcabc", u"b", u"", u"acac", 2},
                         Row{u"abc", u"", u"z", u"abc", 0}, Row{u"abc", u"d", u"z", u"abc", 0}}) {
        CString s(r.text);
        EXPECT_EQ(s.Replace(r.from, r.to), r.count) << s.ToUtf8();
        EXPECT_EQ(s, CString(r.expected)) << s.ToUtf8();
    }
    CString s(u"a,b,,c");
    EXPECT_EQ(s.Remove(u','), 3);
    EXPECT_EQ(s, CString(u"abc"));
}

TEST(CString, TrimRemovesUnicodeWhiteSpaceAtTheEnds)
{
    struct Row {
        const char* text;
        const char* both;
        const char* left;
        const char* right;
    };
    for (const Row& r : {Row{"  a b \t\r\n", "a b", "a b \t\r\n", "  a b"}, Row{"\u00A0x\u3000", "x", "x\u3000", "\u00A0x"},
                         Row{" \t ", "", "", ""}, Row{"", "", "", ""}, Row{"한 글", "한 글", "한 글", "한 글"}}) {
        CString both = U8(r.text), left = U8(r.text), right = U8(r.text);
        EXPECT_EQ(both.Trim().ToUtf8(), r.both);
        EXPECT_EQ(left.TrimLeft().ToUtf8(), r.left);
        EXPECT_EQ(right.TrimRight().ToUtf8(), r.right);
    }
}

TEST(CString, FormatPrintsNumbersOfAnyLength)
{
    CString s(u"old");
    s.Format("%04d-%02d-%02d %02d:%02d", 2012, 1, 31, 6, 5);
    EXPECT_EQ(s, CString(u"2012-01-31 06:05"));
    s.Format("%.3f|%u|%ld", 1.5, 7u, -12L);
    EXPECT_EQ(s, CString(u"1.500|7|-12"));
    volatile int width = 300; // past the stack buffer (volatile: g++ would warn of what Format handles)
    s.Format("%0*d", static_cast<int>(width), 1);
    ASSERT_EQ(s.GetLength(), 300);
    EXPECT_EQ(s.Left(299), CString(u'0', 299));
    EXPECT_EQ(s.Right(1), CString(u"1"));
}

TEST(CString, Utf8ConversionReplacesWhatIsIllFormed)
{
    EXPECT_EQ(U8("a\xC3(b\xFF"), CString(u"a\uFFFD(b\uFFFD"));
    EXPECT_EQ(U8("한국 😀").str(), u"한국 😀");
    EXPECT_EQ(CString(u"한국 😀").ToUtf8(), "한국 😀");
    EXPECT_EQ(CString(std::u16string(1, char16_t(0xD800)) + u"x").ToUtf8(), "\xEF\xBF\xBDx");
    EXPECT_EQ(U8(std::string_view("a\0b", 3)).GetLength(), 3); // a zero is a character like any other
    EXPECT_EQ(U8("äbc").MakeUpper(), CString(u"ÄBC"));
    EXPECT_EQ(U8("ÄBC").MakeLower(), CString(u"äbc"));
}

} // namespace
