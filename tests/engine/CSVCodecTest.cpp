// The line codec: taking records off a text, splitting them into fields,
// joining rows into quoted records, and choosing the separator.
#include "engine/CSVItem.h"

#include "tests/engine/TestItem.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using varno::test::CodePageGuard;
using varno::test::Show;
using varno::test::TestItem;
using varno::test::U8;

CStringArray Values(const std::vector<std::u16string>& values)
{
    CStringArray out;
    for (const auto& v : values)
        out.Add(CString(v));
    return out;
}

std::string Visible(std::u16string_view text)
{
    std::string out;
    for (char16_t c : text)
        out += c == u'\r' ? std::string("<CR>") : c == u'\n' ? std::string("<LF>") : CString(std::u16string(1, c)).ToUtf8();
    return out;
}

struct LinesCase {
    std::u16string text;
    std::vector<std::u16string> records; // every GetLine until the text is used up
};

class GetLineTable : public ::testing::TestWithParam<LinesCase> {};

TEST_P(GetLineTable, TakesRecordsOffTheFront)
{
    TestItem item;
    CString buffer(GetParam().text);
    std::vector<std::u16string> got;
    do {
        const int before = buffer.GetLength();
        got.push_back(item.GetLine(buffer).str());
        ASSERT_TRUE(buffer.GetLength() < before || before == 0);
    } while (!buffer.IsEmpty());
    EXPECT_EQ(got, GetParam().records) << Visible(GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(Rules, GetLineTable, ::testing::Values(
    LinesCase{u"A\r\nB", {u"A", u"B"}},
    LinesCase{u"A\n\rB", {u"A", u"", u"B"}},          // LF CR: an empty record between
    LinesCase{u"A\rB\r", {u"A", u"B"}},               // lone CR
    LinesCase{u"A\r\r\nB\n", {u"A", u"", u"B"}},
    LinesCase{u"\n\n", {u"", u""}},
    LinesCase{u"", {u""}},
    LinesCase{u"\"x\r\ny\",z\r\nnext", {u"\"x\r\ny\",z", u"next"}},
    LinesCase{u"a\"b\nc\"d\ne", {u"a\"b\nc\"d", u"e"}},     // parity counts unquoted quotes too
    LinesCase{u"\"\"\"\n\"\n", {u"\"\"\"\n\""}},
    LinesCase{u"\"\"\n\"\"", {u"\"\"", u"\"\""}},           // doubled quotes keep parity
    LinesCase{u"\"open\r\nnever\nclosed", {u"\"open\r\nnever\nclosed"}},
    LinesCase{u"\"x\r\"\r\n", {u"\"x\r\""}},                // a quoted CR, then CR LF
    LinesCase{std::u16string(u"a\0b\nc", 5), {std::u16string(u"a\0b", 3), u"c"}}));

struct SplitCase {
    std::u16string separator;
    std::u16string line;
    std::vector<std::u16string> values;
    int firstEnd; // nextSeparator(line)
};

class ReadLineTable : public ::testing::TestWithParam<SplitCase> {};

TEST_P(ReadLineTable, SplitsFieldsAndFindsTheFirstEnd)
{
    const SplitCase& c = GetParam();
    TestItem item;
    item.SetSeparator(CString(c.separator));
    CStringArray values;
    values.Add(u"kept"); // appended to, not cleared
    EXPECT_EQ(item.ReadLine(CString(c.line), values), 1);
    std::vector<std::u16string> expected{u"kept"};
    expected.insert(expected.end(), c.values.begin(), c.values.end());
    EXPECT_EQ(values, Values(expected)) << Visible(c.line) << " -> " << Show(values);
    EXPECT_EQ(item.nextSeparator(CString(c.line)), c.firstEnd) << Visible(c.line);
}

INSTANTIATE_TEST_SUITE_P(Rules, ReadLineTable, ::testing::Values(
    SplitCase{u",", u"\"a,b\",c", {u"a,b", u"c"}, 5},
    SplitCase{u",", u"\"say \"\"hi\"\"\",x", {u"say \"hi\"", u"x"}, 12},
    SplitCase{u",", u"a\"\"b", {u"a\"b"}, -1},                 // unquoted fields lose doubled quotes too
    SplitCase{u",", u"\"abc", {u"abc"}, -1},                   // never closed
    SplitCase{u",", u"\"", {u""}, -1},                         // one quote: both ends dropped
    SplitCase{u",", u"a,\"", {u"a", u""}, 1},
    SplitCase{u",", u"\"\"\"\"", {u"\""}, -1},
    SplitCase{u",", u"a,b,", {u"a", u"b"}, 1},                 // no empty last field
    SplitCase{u",", u",a", {u"", u"a"}, 0},
    SplitCase{u",", u"a,,b", {u"a", u"", u"b"}, 1},
    SplitCase{u",", u"", {}, -1},
    SplitCase{u",", u" a , \"b\" ", {u" a ", u" \"b\" "}, 3},  // nothing is trimmed
    SplitCase{u",", u"\"a\"b\",c", {u"a\"b\",c"}, -1},         // even quotes before the comma
    SplitCase{u",", u"\"a\"\"b\",c", {u"a\"b", u"c"}, 6},
    SplitCase{u",", u"\"a,b", {u"a,b"}, -1},
    SplitCase{u",", u"\"\"\",x", {u"\",x"}, -1},
    SplitCase{u",", u"\"x\"\",y\"", {u"x\",y"}, -1},
    SplitCase{u",", u"a\"b,c", {u"a\"b", u"c"}, 3},
    SplitCase{u",", u"ab\",c", {u"ab", u"c"}, 3},             // a closing quote alone is dropped too
    SplitCase{u",", u"\"\",x", {u"", u"x"}, 2},
    SplitCase{u",", u"\"a\r\nb\",c", {u"a\r\nb", u"c"}, 6},
    SplitCase{u",", std::u16string(u"a\0b,c", 5), {std::u16string(u"a\0b", 3), u"c"}, 3},
    SplitCase{u",", u"\"한,글\",ä", {u"한,글", u"ä"}, 5},
    SplitCase{u"\t", u"a\tb,c", {u"a", u"b,c"}, 1},
    SplitCase{u"\t", u"\"x\ty\"\tz\t", {u"x\ty", u"z"}, 5},
    SplitCase{u";", u"a;\"b;c\"", {u"a", u"b;c"}, 1}));

struct WriteCase {
    int columns;
    std::u16string separator;
    std::vector<std::u16string> values;
    std::u16string record;
};

class WriteLineTable : public ::testing::TestWithParam<WriteCase> {};

TEST_P(WriteLineTable, QuotesEveryValueAndFillsShortRows)
{
    const WriteCase& c = GetParam();
    TestItem item;
    CStringArray names;
    for (int i = 0; i < c.columns; ++i)
        names.Add(u"c");
    item.AddField(names);
    item.SetSeparator(CString(c.separator));
    CStringArray values = Values(c.values);
    EXPECT_EQ(item.WriteLine(values).str(), c.record) << Visible(item.WriteLine(values).str());
}

INSTANTIATE_TEST_SUITE_P(Rules, WriteLineTable, ::testing::Values(
    WriteCase{0, u",", {}, u""},
    WriteCase{3, u",", {}, u""},                               // an empty row writes nothing
    WriteCase{0, u",", {u""}, u"\"\"\r\n"},
    WriteCase{1, u",", {u""}, u"\"\"\r\n"},
    WriteCase{4, u",", {u"a", u"b"}, u"\"a\",\"b\",\"\",\"\"\r\n"},
    WriteCase{3, u",", {u"a\"b", u"x"}, u"\"a\"\"b\",\"x\",\"\"\r\n"},
    WriteCase{1, u",", {u"a", u"b", u"c"}, u"\"a\",\"b\",\"c\"\r\n"},  // longer rows are written whole
    WriteCase{3, u"\t", {u"x\ty", u"line\r\nbreak"}, u"\"x\ty\"\t\"line\r\nbreak\"\t\"\"\r\n"},
    WriteCase{2, u",", {u"한", u"\"\""}, u"\"한\",\"\"\"\"\"\"\r\n"}));

TEST(CSVCodec, FindSeparatorPicksTheTabWhereverItIs)
{
    TestItem item;
    struct Row {
        const char16_t* header;
        const char16_t* separator;
    };
    for (const Row& r : {Row{u"a,b", u","}, Row{u"a\tb", u"\t"}, Row{u"\"x\ty\",z", u"\t"}, Row{u"a;b", u","},
                         Row{u"", u","}, Row{u"a,b\t", u"\t"}})
        EXPECT_EQ(item.FindSeparator(r.header), CString(r.separator)) << Visible(r.header);
    EXPECT_EQ(item.m_strSeparator, CString(u",")); // finding does not set it
}

TEST(CSVCodec, SetSeparatorFromAByte)
{
    struct Row {
        unsigned acp;
        unsigned char byte;
        int codePage;
        std::u16string separator;
    };
    for (const Row& r : {Row{1252, ',', 65001, u","}, Row{1252, '\t', 0, u"\t"}, Row{949, ',', 949, u","},
                         Row{65001, '\t', 65001, u"\t"}, Row{1252, 0x80, 1252, u"€"}, Row{1252, 0xE4, 0, u"ä"},
                         Row{949, 0xE4, 65001, u"\u00E4"}, Row{1252, 0x80, 65001, u"\u0080"}}) {
        CodePageGuard acp(r.acp);
        TestItem item;
        item.SetSeparator(r.byte, r.codePage);
        EXPECT_EQ(item.m_strSeparator.str(), r.separator) << r.acp << " " << int(r.byte) << " " << r.codePage;
    }
}

} // namespace
