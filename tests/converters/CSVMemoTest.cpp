// The memo road end to end: store to file, file to store, through CSVMng,
// on a real SQLite store in a temporary folder.
#include "converters/CSVMemo.h"
#include "manager/CSVMng.h"
#include "platform/CodePage.h"
#include "store/Calendars.h"
#include "store/Store.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <sstream>
#include <vector>

namespace {

using varno::test::CodePageGuard;

struct Memo {
    std::u16string text;
    std::u16string color;
    int deleted = 0;
};

class MemoRoad : public varno::test::TempDirTest {
protected:
    void SetUp() override
    {
        TempDirTest::SetUp();
        SetStorePath(PathOf("store.db"));
    }
    void TearDown() override
    {
        SetStorePath(CString());
        TempDirTest::TearDown();
    }

    void Store(int profile, const std::vector<Memo>& memos)
    {
        CCalendars records;
        for (const Memo& m : memos) {
            CCalendar* r = records.AddNew();
            r->CalendarType = 3;
            r->Description = m.text;
            r->Color = m.color;
            r->DeletedMark = m.deleted;
        }
        ASSERT_EQ(records.SaveToDB(profile, false), static_cast<long>(memos.size()));
    }

    std::vector<Memo> Load(int profile)
    {
        CCalendars records;
        EXPECT_GE(records.OpenFromDB(profile, 3, 1), 0);
        std::vector<Memo> out;
        for (int i = 0; i < records.GetCount(); ++i) {
            EXPECT_EQ(records.GetAt(i)->CalendarType, 3);
            out.push_back({records.GetAt(i)->Description.str(), records.GetAt(i)->Color.str(),
                           records.GetAt(i)->DeletedMark});
        }
        return out;
    }

    // Imports `file` into `profile` with the given mapping; returns the count.
    long Import(const std::string& file, CStringList fields, CStringList columns, int profile = 1)
    {
        long count = -99;
        EXPECT_EQ(manager.Import(CSVTYPE_MEMO, count, profile, PathOf(file), fields, columns, -1, false),
                  CSVERR_SUCCESS);
        return count;
    }

    CodePageGuard westernCodePage{1252};
    CSVMng manager;
};

TEST_F(MemoRoad, ExportLeavesOutDeletedMemosAndQuotesEveryValue)
{
    Store(1, {{u"Buy \"milk\"", u"red"}, {u"gone", u"blue", 1}, {u"two\r\nlines, here", u""}});
    EXPECT_EQ(manager.Export(CSVTYPE_MEMO, 1, PathOf("out")), 2);
    EXPECT_EQ(ReadBytes("out.csv"), "\"memo\",\"color\"\r\n"
                                          "\"Buy \"\"milk\"\"\",\"red\"\r\n"
                                          "\"two\r\nlines, here\",\"\"\r\n");
    EXPECT_EQ(Load(1).size(), 3u) << "export must not delete from the store";
}

TEST_F(MemoRoad, NothingToExportWritesNoFile)
{
    WriteBytes("kept.csv", "old contents");
    EXPECT_EQ(manager.Export(CSVTYPE_MEMO, 1, PathOf("kept.csv")), 0);
    EXPECT_EQ(ReadBytes("kept.csv"), "old contents");

    Store(1, {{u"only deleted", u"", 1}});
    EXPECT_EQ(manager.Export(CSVTYPE_MEMO, 1, PathOf("none.csv")), 0);
    EXPECT_FALSE(Exists("none.csv"));
}

TEST_F(MemoRoad, ExportFailsWhenTheStoreCannotBeRead)
{
    WriteBytes("store.db", std::string(4096, 'x'));
    EXPECT_EQ(manager.Export(CSVTYPE_MEMO, 1, PathOf("out.csv")), -1);
    EXPECT_FALSE(Exists("out.csv"));
}

// The host's mapping: field k is read from the header column named by
// column k, matched whole and regardless of case.
struct MappingCase {
    const char* name;
    CStringList fields;
    CStringList columns;
    std::vector<Memo> expected;
};

class MemoMapping : public MemoRoad, public ::testing::WithParamInterface<MappingCase> {};

TEST_P(MemoMapping, FillsTheNamedFields)
{
    WriteBytes("in.csv", "Text,x,y,Colour\r\n"
                               "hello,1,2,red\r\n"
                               "short,1\r\n"
                               "\r\n"
                               "third,,,\"green, light\"\r\n");
    const MappingCase& c = GetParam();
    EXPECT_EQ(Import("in.csv", c.fields, c.columns), 3);
    std::vector<Memo> got = Load(1);
    ASSERT_EQ(got.size(), c.expected.size());
    for (size_t i = 0; i < got.size(); ++i) {
        EXPECT_EQ(CString(got[i].text).ToUtf8(), CString(c.expected[i].text).ToUtf8()) << "row " << i;
        EXPECT_EQ(CString(got[i].color).ToUtf8(), CString(c.expected[i].color).ToUtf8()) << "row " << i;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Memo, MemoMapping,
    ::testing::Values(
        MappingCase{"ColourFromFourthTextFromFirst",
                    {u"color", u"memo"},
                    {u"Colour", u"Text"},
                    {{u"hello", u"red"}, {u"short", u""}, {u"third", u"green, light"}}},
        MappingCase{"NamesInAnyCase",
                    {u"MEMO", u"Color"},
                    {u"TEXT", u"colour"},
                    {{u"hello", u"red"}, {u"short", u""}, {u"third", u"green, light"}}},
        MappingCase{"MissingColumnLeavesFieldUnsetButLaterFieldsRead",
                    {u"memo", u"color"},
                    {u"Note", u"Colour"},
                    {{u"", u"red"}, {u"", u""}, {u"", u"green, light"}}},
        MappingCase{"MoreFieldsThanColumns", {u"memo", u"color"}, {u"Text"}, {{u"hello", u""}, {u"short", u""}, {u"third", u""}}},
        MappingCase{"UnknownFieldNameAssignsNothing",
                    {u"summary", u"color"},
                    {u"Text", u"Colour"},
                    {{u"", u"red"}, {u"", u""}, {u"", u"green, light"}}},
        MappingCase{"ColumnNameNotTrimmed", {u"memo"}, {u" Text"}, {{u"", u""}, {u"", u""}, {u"", u""}}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(MemoRoad, CountReadsWithoutTouchingTheStore)
{
    WriteBytes("five.csv", "a,b\r\n1\r\n2\r\n3\r\n4\r\n5\r\n");
    // A store that is not a database: a count must neither need nor change it.
    WriteBytes("store.db", "not a database");
    long count = -1;
    CStringList none;
    EXPECT_EQ(manager.Count(CSVTYPE_MEMO, count, 1, PathOf("five.csv"), none, none, 0), CSVERR_SUCCESS);
    EXPECT_EQ(count, 5);
    EXPECT_EQ(ReadBytes("store.db"), "not a database");
}

TEST_F(MemoRoad, FileFailuresLeaveCountAndStoreAlone)
{
    WriteBytes("header-only.csv", "memo,color\r\n\r\n\r\n");
    struct {
        const char* file;
        _en_CSVError expected;
    } cases[] = {{"missing.csv", CSVERR_FILEOPEN}, {"header-only.csv", CSVERR_FAIL}, {"", CSVERR_FAIL}};
    for (const auto& c : cases) {
        CStringList fields{u"memo"}, columns{u"memo"};
        CString path = *c.file ? PathOf(c.file) : CString();
        long count = 42;
        EXPECT_EQ(manager.Import(CSVTYPE_MEMO, count, 1, path, fields, columns, -1, false), c.expected) << c.file;
        EXPECT_EQ(manager.Count(CSVTYPE_MEMO, count, 1, path, fields, columns, -1), c.expected) << c.file;
        EXPECT_EQ(count, 42) << c.file;
    }
    EXPECT_TRUE(Load(1).empty());
}

TEST_F(MemoRoad, ImportingTwiceAddsTwice)
{
    WriteBytes("in.csv", "memo,color\r\none,red\r\ntwo,blue\r\n");
    EXPECT_EQ(Import("in.csv", {u"memo", u"color"}, {u"memo", u"color"}), 2);
    EXPECT_EQ(Import("in.csv", {u"memo", u"color"}, {u"memo", u"color"}), 2);
    EXPECT_EQ(Load(1).size(), 4u);
}

TEST_F(MemoRoad, ExportThenImportKeepsTheMemosInAnotherProfile)
{
    CodePageGuard korean(949); // Korean text survives only in a code page that has it
    std::vector<Memo> memos{{u"회의 \"준비\"", u"빨강"}, {u"a,b\r\nc", u""}, {u"", u"blue"}};
    Store(1, memos);
    ASSERT_EQ(manager.Export(CSVTYPE_MEMO, 1, PathOf("round.csv")), 3);
    EXPECT_EQ(Import("round.csv", {u"memo", u"color"}, {u"memo", u"color"}, 2), 3);
    std::vector<Memo> back = Load(2);
    ASSERT_EQ(back.size(), memos.size());
    for (size_t i = 0; i < memos.size(); ++i) {
        EXPECT_TRUE(back[i].text == memos[i].text) << i;
        EXPECT_TRUE(back[i].color == memos[i].color) << i;
    }
    EXPECT_EQ(Load(1).size(), 3u);
}

TEST_F(MemoRoad, KoreanUnderAWesternCodePageComesBackAsQuestionMarks)
{
    Store(1, {{u"회의", u"red"}});
    ASSERT_EQ(manager.Export(CSVTYPE_MEMO, 1, PathOf("west.csv")), 1);
    EXPECT_EQ(Import("west.csv", {u"memo", u"color"}, {u"memo", u"color"}, 2), 1);
    ASSERT_EQ(Load(2).size(), 1u);
    EXPECT_TRUE(Load(2)[0].text == u"??");
}

} // namespace
