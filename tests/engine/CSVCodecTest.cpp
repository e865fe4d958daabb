// The line codec by name: records and fields (the reference test checks the
// same rules on random texts), writing records, and a separator from a byte.
#include "tests/engine/TestItem.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

namespace varno::test {
namespace {

using namespace std::string_literals;

TEST(CSVCodec, SplitsTextIntoRecordsAndFields)
{
    const struct Case { const char16_t* separator; std::u16string text; std::vector<Texts> records; } cases[] = {
        {u",", u"A\r\nB", {{"A"}, {"B"}}},
        {u",", u"A\n\rB", {{"A"}, {}, {"B"}}},                       // LF CR: an empty record between
        {u",", u"A\rB\r", {{"A"}, {"B"}}},                           // a lone CR ends a record
        {u",", u"\"x\r\ny\",z\nnext", {{"x\r\ny", "z"}, {"next"}}},
        {u",", u"a\"b\nc\"d\ne", {{"a\"b\nc\"d"}, {"e"}}},           // parity counts unquoted quotes too
        {u",", u"\"open\r\nnever,closed", {{"open\r\nnever,closed"}}}, // unclosed: to the end
        {u",", u"\"a,b\",\"say \"\"hi\"\"\"", {{"a,b", "say \"hi\""}}},
        {u",", u"a,b,", {{"a", "b"}}},                               // no empty last field
        {u",", u",a,,b", {{"", "a", "", "b"}}},
        {u",", u" a , \"b\" ", {{" a ", " \"b\" "}}},                // nothing is trimmed
        {u"\t", u"\"x\ty\"\tz,w\t", {{"x\ty", "z,w"}}},
        {u",", u"a\0b,c\nd"s, {{"a\0b"s, "c"}, {"d"}}},
    };
    for (const Case& c : cases) {
        TestItem item;
        item.SetSeparator(CString(c.separator));
        CString buffer(c.text);
        std::vector<Texts> got;
        for (int n = 0; !buffer.IsEmpty() && n < 10; ++n) {
            CStringArray fields;
            EXPECT_EQ(item.ReadLine(item.GetLine(buffer), fields), 1);
            got.push_back(Utf8(fields));
        }
        EXPECT_EQ(got, c.records) << CString(c.text).ToUtf8();
    }
}

TEST(CSVCodec, WriteLineQuotesEveryValueAndFillsShortRows)
{
    const struct Case { size_t columns; const char16_t* separator; Texts values; const char* record; } cases[] = {
        {3, u",", {}, ""}, // an empty row writes nothing
        {4, u",", {"a", "b"}, "\"a\",\"b\",\"\",\"\"\r\n"},
        {3, u",", {"a\"b", ""}, "\"a\"\"b\",\"\",\"\"\r\n"},
        {1, u",", {"a", "b"}, "\"a\",\"b\"\r\n"}, // longer rows are written whole
        {2, u"\t", {"x\ty", "한\r\n"}, "\"x\ty\"\t\"한\r\n\"\r\n"},
    };
    for (const Case& c : cases) {
        TestItem item;
        CStringArray names = Array(Texts(c.columns, "c")), values = Array(c.values);
        item.AddField(names);
        item.SetSeparator(CString(c.separator));
        EXPECT_EQ(item.WriteLine(values).ToUtf8(), c.record);
    }
}

TEST(CSVCodec, SetSeparatorTakesAByteAsUtf16OrInTheAnsiCodePage)
{
    const struct Case { unsigned acp; unsigned char byte; int codePage; const char* separator; } cases[] = {
        {1252, 0x80, 0, "€"}, {1252, 0x80, 65001, "\u0080"}, {949, 0xE4, 65001, "ä"}, {949, ',', 949, ","}};
    for (const Case& c : cases) {
        CodePageGuard acp(c.acp);
        TestItem item;
        item.SetSeparator(c.byte, c.codePage);
        EXPECT_EQ(item.m_strSeparator.ToUtf8(), c.separator) << c.acp << " " << int(c.byte) << " " << c.codePage;
    }
}

} // namespace
} // namespace varno::test
