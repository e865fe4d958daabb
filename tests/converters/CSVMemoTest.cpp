// The memo road through CSVMng on a real SQLite store in a temporary folder.
#include "manager/CSVPipelinedMng.h"
#include "tests/converters/Road.h"

namespace varno::test {
namespace {

class MemoRoad : public Road {
protected:
    /// The memos of `profile` as "[text|color]..." in UTF-8.
    std::string Load(int profile)
    {
        std::string out;
        for (const std::string& memo : Road::Load(profile, CALTYPE_MEMO, [](const CCalendar& r) {
                 return r.Description.ToUtf8() + "|" + r.Color.ToUtf8();
             }))
            out.append(1, '[').append(memo).append(1, ']');
        return out;
    }

    CodePageGuard westernCodePage{1252};
};

// Without a store, or with only deleted memos (profile 2 in the round trip),
// there is nothing to export and no file is written or replaced.
TEST_F(MemoRoad, ExportLeavesOutDeletedMemosAndQuotesEveryValue)
{
    WriteBytes("kept.csv", "old contents");
    EXPECT_EQ(manager.Export(CSVTYPE_MEMO, 1, PathOf("kept.csv")), 0);
    EXPECT_EQ(ReadBytes("kept.csv"), "old contents");
    Store(1, CALTYPE_MEMO, {{.description = "Buy \"milk\"", .color = "red"},
                            {.description = "gone", .color = "blue", .deleted = 1},
                            {.description = "two\r\nlines, here"}});
    Store(2, CALTYPE_MEMO, {{.description = "only deleted", .deleted = 1}});
    EXPECT_EQ(manager.Export(CSVTYPE_MEMO, 1, PathOf("out")), 2);
    EXPECT_EQ(ReadBytes("out.csv"),
              "\"memo\",\"color\"\r\n\"Buy \"\"milk\"\"\",\"red\"\r\n\"two\r\nlines, here\",\"\"\r\n");
    EXPECT_EQ(Load(1), "[Buy \"milk\"|red][gone|blue][two\r\nlines, here|]") << "export must not delete";
    ExpectStableRoundTrip(CSVTYPE_MEMO, 2, " memo");
}

// Field k is read from the header column named by column k, matched whole
// and in any letter case; a row without that column leaves the field unset.
TEST_F(MemoRoad, MappingFillsTheNamedFields)
{
    WriteBytes("in.csv", "Text,x,y,Colour\r\nhello,1,2,red\r\nshort,1\r\n\r\nthird,,,\"green, light\"\r\n");
    const struct {
        CStringList fields, columns;
        std::string stored;
    } rows[] = {
        {{u"color", u"memo"}, {u"Colour", u"Text"}, "[hello|red][short|][third|green, light]"},
        {{u"MEMO", u"Color"}, {u"TEXT", u"colour"}, "[hello|red][short|][third|green, light]"},
        {{u"memo", u"color"}, {u"Note", u"Colour"}, "[|red][|][|green, light]"},
        {{u"memo", u"color"}, {u"Text"}, "[hello|][short|][third|]"},
        {{u"summary", u"color"}, {u"Text", u"Colour"}, "[|red][|][|green, light]"},
        {{u"memo"}, {u" Text"}, "[|][|][|]"},
    };
    int profile = 0;
    for (const auto& row : rows) {
        EXPECT_EQ(Import(CSVTYPE_MEMO, "in.csv", row.fields, row.columns, ++profile), 3) << profile;
        EXPECT_EQ(Load(profile), row.stored) << "row " << profile;
    }
    EXPECT_EQ(Import(CSVTYPE_MEMO, "in.csv", rows[0].fields, rows[0].columns, 1), 3) << "importing twice adds twice";
    EXPECT_EQ(Load(1), rows[0].stored + rows[0].stored);
}

// The facade reads, counts and writes a window of rows at a time (2,048),
// the pipelined manager too, two windows overlapping; files that end just
// at, just after and well past a window's end, with records that span
// lines, come back byte for byte either way.
TEST_F(MemoRoad, FilesLongerThanTheRowWindowRoundTrip)
{
    int profile = 0;
    for (int rows : {4096, 8193, 10000}) {
        std::string file = "\"memo\",\"color\"\r\n";
        for (int i = 0; i < rows; ++i)
            file += "\"memo " + std::to_string(i) + (i % 7 == 0 ? "\r\nsecond line, \"\"quoted\"\"" : "") + "\",\"c\"\r\n";
        WriteBytes("big.csv", file);
        CStringList fields{u"memo", u"color"};
        auto roundTrip = [&](auto manager) {
            long count = 0;
            EXPECT_EQ(manager.Count(CSVTYPE_MEMO, count, 1, PathOf("big.csv"), fields, fields, -1), CSVERR_SUCCESS);
            EXPECT_EQ(count, rows);
            EXPECT_EQ(manager.Import(CSVTYPE_MEMO, count, ++profile, PathOf("big.csv"), fields, fields, -1, false),
                      CSVERR_SUCCESS);
            EXPECT_EQ(count, rows);
            EXPECT_EQ(manager.Export(CSVTYPE_MEMO, profile, PathOf("back.csv")), rows);
            EXPECT_TRUE(ReadBytes("back.csv") == file) << rows << " rows, profile " << profile;
        };
        roundTrip(CSVMng());
        roundTrip(CSVPipelinedMng());
    }
}

} // namespace
} // namespace varno::test
