// Whole files: result codes, encodings (ANSI code page, UTF-16LE with its
// mark), the header GetField reads, and exports byte for byte and back.
#include "platform/CFile.h"

#include "tests/engine/TestItem.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <optional>

namespace varno::test {
namespace {

class CSVFileTest : public TempDirTest {
protected:
    /// A table with these columns and rows.
    static void Fill(TestItem& item, const Texts& names, const std::vector<Texts>& rows)
    {
        CStringArray header = Array(names);
        item.AddField(header);
        for (const Texts& r : rows) {
            CStringArray row = Array(r);
            item.AddValue(row);
        }
    }
    CStringList unused;
};

// The separator, header and row rules on random files are CSVCodecTest's.
TEST_F(CSVFileTest, ImportFileReadsTheTableAndGetFieldTheHeader)
{
    const struct Case {
        const char* name;
        unsigned acp;
        std::optional<std::string> bytes; // none: no file
        _en_CSVError result;
        const char* separator;
        Texts fields;
        std::vector<Texts> rows;
    } cases[] = {
        {"missing", 1252, std::nullopt, CSVERR_FILEOPEN, ",", {}, {}},
        {"empty", 1252, "", CSVERR_FAIL, ",", {}, {}},
        {"header and blank lines", 1252, "a,b\r\n\r\n\n\r", CSVERR_FAIL, ",", {"a", "b"}, {}},
        {"spreadsheet UTF-16LE", 1252,
         Utf16LE(u"이름\t메모\r\n홍길동\t\"첫 줄\r\n둘째 줄\"\r\n김철수\t\"따옴표 \"\"인용\"\"\"\r\n"), CSVERR_SUCCESS,
         "\t", {"이름", "메모"}, {{"홍길동", "첫 줄\r\n둘째 줄"}, {"김철수", "따옴표 \"인용\""}}},
        {"UTF-16LE without mark", 1252, Utf16LE(u"Name,Phone\r\nx,y\r\n", false), CSVERR_FAIL, ",", {"N"}, {}},
        {"UTF-8 mark under 1252", 1252, "\xEF\xBB\xBFname,x\r\n1,2", CSVERR_SUCCESS, ",", {"ï»¿name", "x"},
         {{"1", "2"}}},
        {"UTF-8 mark under UTF-8", 65001, "\xEF\xBB\xBFname,x\r\n1,2", CSVERR_SUCCESS, ",", {"\xEF\xBB\xBFname", "x"},
         {{"1", "2"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CodePageGuard acp(c.acp);
        std::filesystem::remove(m_dir / "입력.csv"); // names are UTF-8 on disk
        if (c.bytes)
            WriteBytes("입력.csv", *c.bytes);
        TestItem item;
        EXPECT_EQ(item.ImportFile(PathOf("입력.csv"), unused, unused), c.result);
        EXPECT_EQ(item.m_strSeparator.ToUtf8(), c.separator);
        EXPECT_EQ(Utf8(item.m_arrField), c.fields);
        EXPECT_EQ(item.Utf8Rows(), c.rows);

        CStringArray names{u"stale"};
        TestItem header;
        EXPECT_EQ(header.GetField(PathOf("입력.csv"), names), c.bytes ? CSVERR_SUCCESS : CSVERR_FILEOPEN);
        EXPECT_EQ(Utf8(names), c.bytes ? c.fields : Texts{"stale"});
        EXPECT_EQ(header.m_strSeparator.ToUtf8(), c.separator);
    }
    TestItem item;
    CStringArray names;
    EXPECT_EQ(item.ImportFile(CString(), unused, unused), CSVERR_FAIL);
    EXPECT_EQ(item.GetField(CString(), names), CSVERR_FILEOPEN);
}

TEST_F(CSVFileTest, ASecondImportReplacesTheColumnsAndAddsTheRows)
{
    WriteBytes("a.csv", "a\n1\n2\n3\n");
    WriteBytes("b.csv", "b\tc\n4\n5\t6\n");
    TestItem item;
    ASSERT_EQ(item.ImportFile(PathOf("a.csv"), unused, unused), CSVERR_SUCCESS);
    ASSERT_EQ(item.ImportFile(PathOf("b.csv"), unused, unused), CSVERR_SUCCESS);
    EXPECT_EQ(Utf8(item.m_arrField), (Texts{"b", "c"}));
    EXPECT_EQ(item.Utf8Rows(), (std::vector<Texts>{{"1"}, {"2"}, {"3"}, {"4"}, {"5", "6"}}));
}

TEST_F(CSVFileTest, ExportWritesQuotedCrLfRecordsInTheAnsiCodePage)
{
    CodePageGuard acp(1252);
    TestItem out, in;
    Fill(out, {"memo", "이름", "x"}, {{"a\"b", "x,y"}, {"line1\r\nline2"}, {}, {" ä ", "€", "y", "extra"}, {"Ā"}});
    WriteBytes("out.csv", std::string(5000, 'z')); // truncated by the export
    EXPECT_EQ(out.ExportFile(PathOf("out.csv")), 5);
    EXPECT_EQ(ReadBytes("out.csv"), "\"memo\",\"??\",\"x\"\r\n" // Korean is lost under 1252
                                    "\"a\"\"b\",\"x,y\",\"\"\r\n"
                                    "\"line1\r\nline2\",\"\",\"\"\r\n" // the empty row writes nothing at all
                                    "\" \xE4 \",\"\x80\",\"y\",\"extra\"\r\n"
                                    "\"A\",\"\",\"\"\r\n");
    ASSERT_EQ(in.ImportFile(PathOf("out.csv"), unused, unused), CSVERR_SUCCESS);
    EXPECT_EQ(Utf8(in.m_arrField), (Texts{"memo", "??", "x"}));
    EXPECT_EQ(in.Utf8Rows(), (std::vector<Texts>{{"a\"b", "x,y", ""}, {"line1\r\nline2", "", ""},
                                                 {" ä ", "€", "y", "extra"}, {"A", "", ""}}));
    TestItem tabs; // the separator goes between fields and fills short rows
    Fill(tabs, {"a", "b"}, {{"x\ty"}});
    tabs.SetSeparator(CString(u"\t"));
    EXPECT_EQ(tabs.ExportFile(PathOf("tabs.csv")), 1);
    EXPECT_EQ(ReadBytes("tabs.csv"), "\"a\"\t\"b\"\r\n\"x\ty\"\t\"\"\r\n");
}

TEST_F(CSVFileTest, ExportThenImportGivesTheSameTable)
{
    CodePageGuard acp(949);
    TestItem out, in;
    std::vector<Texts> rows;
    for (int i = 0; i < 30000; ++i) // well past one write piece
        rows.push_back({std::to_string(i), "메모, \"똠\"\r\n" + std::to_string(i)});
    Fill(out, {"번호", "메모"}, rows);
    ASSERT_EQ(out.ExportFile(PathOf("big.csv")), 30000);
    ASSERT_EQ(in.ImportFile(PathOf("big.csv"), unused, unused), CSVERR_SUCCESS);
    EXPECT_EQ(Utf8(in.m_arrField), (Texts{"번호", "메모"}));
    EXPECT_TRUE(in.Utf8Rows() == rows); // not printed: too long
}

TEST_F(CSVFileTest, FailedExportsLeaveTheFileAlone)
{
    WriteBytes("keep.csv", "original");
    TestItem noColumns, noRows, held;
    Fill(noColumns, {}, {{"a"}});
    Fill(noRows, {"a"}, {});
    Fill(held, {"a"}, {{"b"}});
    EXPECT_EQ(noColumns.ExportFile(PathOf("keep.csv")), -1);
    EXPECT_EQ(noRows.ExportFile(PathOf("keep.csv")), -1);
    EXPECT_EQ(held.ExportFile(CString()), -1);
    CFile reader;
    ASSERT_TRUE(reader.Open(PathOf("keep.csv"), CFile::modeRead | CFile::shareDenyWrite));
    EXPECT_EQ(held.ExportFile(PathOf("keep.csv")), -1); // held open, writing denied
    EXPECT_EQ(ReadBytes("keep.csv"), "original");
}

} // namespace
} // namespace varno::test
