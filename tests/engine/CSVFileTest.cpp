// Whole files: result codes, encodings (ANSI code page, UTF-16LE with its
// mark), header reading, and exports compared byte for byte.
#include "engine/CSVItem.h"
#include "platform/CFile.h"

#include "tests/engine/TestItem.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using varno::test::CodePageGuard;
using varno::test::Row;
using varno::test::Show;
using varno::test::TestItem;
using varno::test::U8;
using varno::test::Utf16LE;

std::vector<std::string> SplitCrLf(const std::string& bytes)
{
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t p; (p = bytes.find("\r\n", start)) != std::string::npos; start = p + 2)
        lines.push_back(bytes.substr(start, p - start));
    lines.push_back(bytes.substr(start)); // what follows the last CR LF
    return lines;
}

/// Compares line by line, so a failure names the first line that differs.
void ExpectSameLines(const std::string& got, const std::string& golden)
{
    const auto a = SplitCrLf(got), b = SplitCrLf(golden);
    for (size_t i = 0; i < std::min(a.size(), b.size()); ++i)
        ASSERT_EQ(a[i], b[i]) << "line " << i + 1;
    ASSERT_EQ(a.size(), b.size());
}

struct ImportCase {
    const char* name;
    unsigned acp;
    std::string bytes;
    _en_CSVError result;
    std::u16string separator;
    CStringArray fields;
    std::vector<CStringArray> rows;
};

void PrintTo(const ImportCase& c, std::ostream* os) { *os << c.name; }

class CSVImportFile : public varno::test::TempDirTest, public ::testing::WithParamInterface<ImportCase> {};

TEST_P(CSVImportFile, ReadsTheTableOrFails)
{
    const ImportCase& c = GetParam();
    CodePageGuard acp(c.acp);
    WriteBytes("in.csv", c.bytes);
    TestItem item;
    CStringList unused;
    EXPECT_EQ(item.ImportFile(PathOf("in.csv"), unused, unused), c.result);
    EXPECT_EQ(item.m_strSeparator.str(), c.separator);
    EXPECT_EQ(item.m_arrField, c.fields) << Show(item.m_arrField);
    ASSERT_EQ(item.GetValueCount(), static_cast<int>(c.rows.size()));
    for (int i = 0; i < item.GetValueCount(); ++i)
        EXPECT_EQ(item.RowAt(i), c.rows[static_cast<size_t>(i)]) << "row " << i << ": " << Show(item.RowAt(i));

    // The header as GetField reads it.
    CStringArray names = Row({"stale"});
    TestItem header;
    EXPECT_EQ(header.GetField(PathOf("in.csv"), names), CSVERR_SUCCESS);
    EXPECT_EQ(names, c.fields) << Show(names);
    EXPECT_EQ(header.m_strSeparator.str(), c.separator);
}

const std::string kSpreadsheetText = Utf16LE(
    u"이름\t메모\r\n"
    u"홍길동\t\"첫 줄\r\n둘째 줄\"\r\n"
    u"김철수\t\"따옴표 \"\"인용\"\"\"\r\n");

INSTANTIATE_TEST_SUITE_P(Table, CSVImportFile, ::testing::Values(
    ImportCase{"empty", 1252, "", CSVERR_FAIL, u",", {}, {}},
    ImportCase{"header_only", 1252, "a,b\r\n", CSVERR_FAIL, u",", Row({"a", "b"}), {}},
    ImportCase{"header_and_blank_lines", 1252, "a,b\r\n\r\n\n\r", CSVERR_FAIL, u",", Row({"a", "b"}), {}},
    ImportCase{"one_row", 1252, "a,b\r\n1,2\r\n", CSVERR_SUCCESS, u",", Row({"a", "b"}), {Row({"1", "2"})}},
    ImportCase{"rows_kept_as_long_as_they_are", 1252, "a,b\n1\n\n1,2,3\r", CSVERR_SUCCESS, u",", Row({"a", "b"}),
               {Row({"1"}), Row({"1", "2", "3"})}},
    ImportCase{"empty_header_still_a_header", 1252, "\r\na,b\r\n", CSVERR_SUCCESS, u",", {}, {Row({"a", "b"})}},
    ImportCase{"quoted_line_break", 1252, "memo,color\r\n\"line1\r\nline2\",red\r\n", CSVERR_SUCCESS, u",",
               Row({"memo", "color"}), {Row({"line1\r\nline2", "red"})}},
    ImportCase{"tab_in_quoted_header", 1252, "\"a\tb\",c\r\n1\t2,3\r\n", CSVERR_SUCCESS, u"\t",
               Row({"a\tb\",c"}), {Row({"1", "2,3"})}},
    ImportCase{"spreadsheet_unicode_text", 1252, kSpreadsheetText, CSVERR_SUCCESS, u"\t", Row({"이름", "메모"}),
               {Row({"홍길동", "첫 줄\r\n둘째 줄"}), Row({"김철수", "따옴표 \"인용\""})}},
    ImportCase{"utf16_without_mark", 1252, Utf16LE(u"Name,Phone\r\nx,y\r\n", false), CSVERR_FAIL, u",",
               Row({"N"}), {}},
    ImportCase{"utf16_odd_last_byte", 1252, Utf16LE(u"a,b\r\n1,2") + "3", CSVERR_SUCCESS, u",", Row({"a", "b"}),
               {Row({"1", "2"})}},
    ImportCase{"utf16_ends_at_zero_unit", 65001, Utf16LE(std::u16string(u"a\r\nx\0\r\ny", 8)), CSVERR_SUCCESS, u",",
               Row({"a"}), {Row({"x"})}},
    ImportCase{"ansi_ends_at_zero_byte", 1252, std::string("a,b\r\n1,2\r\n\0" "3,4\r\n", 16), CSVERR_SUCCESS, u",",
               Row({"a", "b"}), {Row({"1", "2"})}},
    ImportCase{"utf8_mark_under_1252", 1252, "\xEF\xBB\xBFname,x\r\n1,2", CSVERR_SUCCESS, u",",
               Row({"ï»¿name", "x"}), {Row({"1", "2"})}},
    ImportCase{"utf8_mark_under_utf8", 65001, "\xEF\xBB\xBFname,x\r\n1,2", CSVERR_SUCCESS, u",",
               Row({"\xEF\xBB\xBFname", "x"}), {Row({"1", "2"})}},
    ImportCase{"code_page_949", 949, "\xC7\xD1,\xB1\xB9\r\n\xBE\xEE,\x8C\x63\r\n", CSVERR_SUCCESS, u",",
               Row({"한", "국"}), {Row({"어", "똠"})}},
    ImportCase{"code_page_1252", 1252, "\xC4,\x80\r\n\xE4,\xFF\r\n", CSVERR_SUCCESS, u",", Row({"Ä", "€"}),
               {Row({"ä", "ÿ"})}}),
    [](const auto& info) { return std::string(info.param.name); });

class CSVFileTest : public varno::test::TempDirTest {};

TEST_F(CSVFileTest, MissingFilesAndEmptyPaths)
{
    TestItem item;
    CStringList unused;
    CStringArray names = Row({"kept"});
    EXPECT_EQ(item.ImportFile(PathOf("missing.csv"), unused, unused), CSVERR_FILEOPEN);
    EXPECT_EQ(item.GetField(PathOf("missing.csv"), names), CSVERR_FILEOPEN);
    EXPECT_EQ(names, Row({"kept"}));
    EXPECT_EQ(item.ImportFile(CString(), unused, unused), CSVERR_FAIL);
    EXPECT_EQ(item.GetField(CString(), names), CSVERR_FILEOPEN);
}

TEST_F(CSVFileTest, ASecondImportAddsToTheTable)
{
    WriteBytes("a.csv", "a\n1\n2\n3\n");
    WriteBytes("b.csv", "b\tc\n4\n5\t6\n");
    TestItem item;
    CStringList unused;
    ASSERT_EQ(item.ImportFile(PathOf("a.csv"), unused, unused), CSVERR_SUCCESS);
    ASSERT_EQ(item.ImportFile(PathOf("b.csv"), unused, unused), CSVERR_SUCCESS);
    EXPECT_EQ(item.m_arrField, Row({"b", "c"}));
    const std::vector<CStringArray> rows{Row({"1"}), Row({"2"}), Row({"3"}), Row({"4"}), Row({"5", "6"})};
    ASSERT_EQ(item.GetValueCount(), 5);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(item.RowAt(i), rows[static_cast<size_t>(i)]) << i;
}

TEST_F(CSVFileTest, GetFieldReadsOnlyTheFirstLogicalLine)
{
    CodePageGuard acp(1252);
    WriteBytes("h.csv", "\"first\r\nname\"\tsecond\r\nnot,a,header\r\n");
    TestItem item;
    CStringArray names;
    EXPECT_EQ(item.GetField(PathOf("h.csv"), names), CSVERR_SUCCESS);
    EXPECT_EQ(names, Row({"first\r\nname", "second"}));
    EXPECT_EQ(item.m_strSeparator, CString(u"\t"));
    EXPECT_EQ(item.GetValueCount(), 0);
}

TEST_F(CSVFileTest, ExportWritesQuotedCrLfRecordsInTheAnsiCodePage)
{
    CodePageGuard acp(1252);
    TestItem item;
    CStringArray names = Row({"memo", "color", "x"});
    item.AddField(names);
    for (CStringArray row : {Row({"a\"b", "x"}), Row({"line1\r\nline2"}), Row({}), Row({"ä", "€", "y", "extra"}),
                             Row({"이름", "Ā"})})
        item.AddValue(row);
    WriteBytes("out.csv", std::string(5000, 'z')); // truncated by the export
    EXPECT_EQ(item.ExportFile(PathOf("out.csv")), 5);
    ExpectSameLines(ReadBytes("out.csv"),
                    "\"memo\",\"color\",\"x\"\r\n"
                    "\"a\"\"b\",\"x\",\"\"\r\n"
                    "\"line1\r\nline2\",\"\",\"\"\r\n"   // an empty row writes nothing at all
                    "\"\xE4\",\"\x80\",\"y\",\"extra\"\r\n"
                    "\"??\",\"A\",\"\"\r\n");
}

TEST_F(CSVFileTest, ExportThenImportGivesTheSameTable)
{
    struct Case {
        unsigned acp;
        CStringArray names;
        std::vector<CStringArray> rows;
        CStringArray namesBack;
        std::vector<CStringArray> rowsBack; // filled up to the header's length
    };
    const std::vector<Case> cases{
        {1252, Row({"Name", "Memo"}), {Row({"a,b", "say \"hi\""}), Row({" pad ", "x\r\ny"}), Row({"short"})},
         Row({"Name", "Memo"}), {Row({"a,b", "say \"hi\""}), Row({" pad ", "x\r\ny"}), Row({"short", ""})}},
        {949, Row({"이름", "메모"}), {Row({"홍길동", "한국어 똠"}), Row({"\"", "", "3"})},
         Row({"이름", "메모"}), {Row({"홍길동", "한국어 똠"}), Row({"\"", "", "3"})}},
        {65001, Row({"ä", "😀"}), {Row({"\t", "한"})}, Row({"ä", "😀"}), {Row({"\t", "한"})}},
        // Korean under a Western code page is lost on the way.
        {1252, Row({"이름", "memo"}), {Row({"한국어", "ok"})}, Row({"??", "memo"}), {Row({"???", "ok"})}}};
    for (const Case& c : cases) {
        CodePageGuard acp(c.acp);
        TestItem out;
        CStringArray names = c.names;
        out.AddField(names);
        for (CStringArray row : c.rows)
            out.AddValue(row);
        ASSERT_EQ(out.ExportFile(PathOf("trip.csv")), static_cast<long>(c.rows.size()));

        TestItem in;
        CStringList unused;
        ASSERT_EQ(in.ImportFile(PathOf("trip.csv"), unused, unused), CSVERR_SUCCESS) << c.acp;
        EXPECT_EQ(in.m_strSeparator, CString(u","));
        EXPECT_EQ(in.m_arrField, c.namesBack) << Show(in.m_arrField);
        ASSERT_EQ(in.GetValueCount(), static_cast<int>(c.rowsBack.size()));
        for (int i = 0; i < in.GetValueCount(); ++i)
            EXPECT_EQ(in.RowAt(i), c.rowsBack[static_cast<size_t>(i)]) << c.acp << " row " << i << Show(in.RowAt(i));
    }
}

TEST_F(CSVFileTest, LargeExportsComeBackWhole)
{
    CodePageGuard acp(949);
    TestItem out;
    CStringArray names = Row({"번호", "메모"});
    out.AddField(names);
    const int count = 30000; // well past one write piece
    for (int i = 0; i < count; ++i) {
        CString number;
        number.Format("%d", i);
        CStringArray row{number, U8("메모 내용 똠\r\n") + number};
        out.AddValue(row);
    }
    ASSERT_EQ(out.ExportFile(PathOf("big.csv")), count);
    TestItem in;
    CStringList unused;
    ASSERT_EQ(in.ImportFile(PathOf("big.csv"), unused, unused), CSVERR_SUCCESS);
    ASSERT_EQ(in.GetValueCount(), count);
    for (int i = 0; i < count; ++i)
        ASSERT_EQ(in.RowAt(i), out.RowAt(i)) << "row " << i;
}

TEST_F(CSVFileTest, FailedExportsLeaveTheFileAlone)
{
    WriteBytes("keep.csv", "original");
    struct Case {
        const char* what;
        CStringArray names;
        std::vector<CStringArray> rows;
        bool holdOpen;
    };
    for (const Case& c : {Case{"no columns", {}, {Row({"a"})}, false}, Case{"no rows", Row({"a"}), {}, false},
                          Case{"held open, writing denied", Row({"a"}), {Row({"b"})}, true}}) {
        TestItem item;
        CStringArray names = c.names;
        item.AddField(names);
        for (CStringArray row : c.rows)
            item.AddValue(row);
        CFile reader;
        if (c.holdOpen) {
            ASSERT_TRUE(reader.Open(PathOf("keep.csv"), CFile::modeRead | CFile::shareDenyWrite));
        }
        EXPECT_EQ(item.ExportFile(PathOf("keep.csv")), -1) << c.what;
        EXPECT_EQ(ReadBytes("keep.csv"), "original") << c.what;
        if (!c.holdOpen) { // nothing to write: no file is created either
            EXPECT_EQ(item.ExportFile(PathOf("none.csv")), -1) << c.what;
            EXPECT_FALSE(Exists("none.csv")) << c.what;
        } else { // something to write, but nowhere
            EXPECT_EQ(item.ExportFile(CString()), -1);
        }
    }
}

TEST_F(CSVFileTest, CheckCodePageDecodesByTheMark)
{
    CodePageGuard acp(1252);
    TestItem item;
    std::string utf16 = Utf16LE(u"이름\tä") + std::string(2, '\0');
    EXPECT_EQ(item.CheckCodePage(reinterpret_cast<unsigned char*>(utf16.data())), U8("이름\tä"));
    std::string ansi("\xE4\x80,x\0tail", 9);
    EXPECT_EQ(item.CheckCodePage(reinterpret_cast<unsigned char*>(ansi.data())), U8("ä€,x"));
}

} // namespace
