// The host's column mapping: which header column fills which field, and
// the checks that keep a mapping from storing blank records.
#include "host/Mapping.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

namespace varno::host {
namespace {

using test::U8;

Header HeaderOf(std::initializer_list<std::u16string_view> names, std::u16string_view mark = {})
{
    Header header;
    for (std::u16string_view name : names)
        header.names.Add(CString(name));
    header.mark = CString(mark);
    return header;
}

TEST(Mapping, AutoMappingPairsFieldsWithTheColumnsNamedLikeThem)
{
    const struct {
        const char* type;
        Header header;
        std::string mapping, layout;
    } rows[] = {
        // By field name, in any letter case, spaces around the header name trimmed.
        {"memo", HeaderOf({u" Color", u"MEMO "}), "memo <- \"MEMO \", color <- \" Color\"", ""},
        // By export name where it differs from the field name.
        {"todo", HeaderOf({u"summary", u"start_date"}), "summary <- \"summary\", start_time <- \"start_date\"", ""},
        // By the words people use, after the own names.
        {"contact", HeaderOf({u"First Name", u"Mobile Number", u"FIRST_NAME"}),
         "FIRST_NAME <- \"FIRST_NAME\", TEL_MOBILE1 <- \"Mobile Number\"", ""},
        // A recognised foreign layout first, matched exactly.
        {"calendar", HeaderOf({u"Subject", u"Start Date", u"Start Time", u"End Date", u"Location"}),
         "summary <- \"Subject\", start_time <- \"Start Date\", end_time <- \"End Date\", location <- \"Location\"",
         "the English calendar layout"},
        // Not the layout (its names are compared exactly), but words people use.
        {"calendar", HeaderOf({u"subject", u"Start Date", u"Start Time", u"End Date"}),
         "summary <- \"subject\", start_time <- \"Start Date\", end_time <- \"End Date\"", ""},
        // Words compared without case, spaces and marks; each column once.
        {"contact", HeaderOf({u"E-MAIL", u"Handy", u"Firma", u"Geburts-Datum", u"Notiz", u"Mail"}),
         "COMPANY <- \"Firma\", TEL_MOBILE1 <- \"Handy\", EMAIL_HOME <- \"E-MAIL\", BIRTHDAY <- \"Geburts-Datum\", "
         "NOTE <- \"Notiz\"",
         ""},
        // A layout the host knows: its own columns, in its order.
        {"contact", HeaderOf({u"First Name", u"Last Name", u"Display Name", u"Primary Email", u"Mobile Number"}),
         "FIRST_NAME <- \"First Name\", LAST_NAME <- \"Last Name\", TEL_MOBILE1 <- \"Mobile Number\", "
         "EMAIL_HOME <- \"Primary Email\"",
         "the address book of a mail client"},
        // Too few of a program's columns to be its layout: its column names
        // still fill their fields, after the words people use.
        {"contact", HeaderOf({u"Home City", u"First Name", u"Home Street", u"Name"}),
         "FIRST_NAME <- \"First Name\", ADR_HOME_STREET <- \"Home Street\", ADR_HOME_CITY <- \"Home City\", "
         "LAST_NAME <- \"Name\"",
         ""},
        // A first name behind a byte-order mark.
        {"memo", HeaderOf({u"\uFEFFmemo"}, u"\uFEFF"), "memo <- \"memo\"", ""},
    };
    for (const auto& row : rows) {
        const Mapping mapping = AutoMapping(*FindRecordType(row.type), row.header);
        EXPECT_EQ(DescribeMapping(mapping, row.header.mark), row.mapping) << row.type;
        EXPECT_EQ(mapping.layout, row.layout) << row.type;
        EXPECT_FALSE(mapping.given);
    }
    // The library is handed the column as the file spells it, mark included.
    const Mapping marked = AutoMapping(*FindRecordType("memo"), HeaderOf({u"\uFEFFmemo"}, u"\uFEFF"));
    EXPECT_EQ(*marked.fileColumns.begin(), CString(u"\uFEFFmemo"));
}

TEST(Mapping, GivenPairsKeepTheirOrderAndTheHeadersSpelling)
{
    const Header header = HeaderOf({u"Note", u"Colour"});
    std::string problem;
    const Mapping mapping = MappingFromPairs({"color=colour", "memo=NOTE", "memo=Note"}, header, problem);
    EXPECT_EQ(problem, "");
    EXPECT_TRUE(mapping.given);
    EXPECT_EQ(DescribeMapping(mapping, CString()), "color <- \"Colour\", memo <- \"Note\", memo <- \"Note\"");
    (void)MappingFromPairs({"memo=Text"}, header, problem);
    EXPECT_EQ(problem, "--map column \"Text\" is not in the header; its columns are \"Note\", \"Colour\"");
}

TEST(Mapping, ChecksSayWhatIsWrong)
{
    const RecordType& memo = *FindRecordType("memo");
    const RecordType& email = *FindRecordType("email");
    EXPECT_EQ(CheckMapFields(memo, {"MEMO=x", "color=y"}), "");
    EXPECT_EQ(CheckMapFields(memo, {"memo=x", "body=y"}),
              "--map body=y: memo has no field \"body\" (its fields: memo, color; \"varnocsv fields memo\" says what "
              "each holds)");
    std::string problem;
    EXPECT_EQ(CheckFilled(memo, MappingFromPairs({"color=c"}, HeaderOf({u"c"}), problem)),
              "nothing would fill memo, so every memo would be stored without it; map a column to it with --map "
              "memo=COLUMN (\"varnocsv fields memo\" lists the fields)");
    EXPECT_EQ(CheckFilled(email, MappingFromPairs({"time=t"}, HeaderOf({u"t"}), problem)),
              "nothing would fill title or content or sender or receiver or cc or bcc, so every e-mail would be "
              "stored without it; map a column to it with --map title=COLUMN (\"varnocsv fields email\" lists the fields)");
    EXPECT_EQ(CheckFilled(memo, Mapping{}),
              "no header column is named after a field of memo (memo, color); map columns with --map FIELD=COLUMN "
              "(\"varnocsv fields memo\" lists the fields and the column names each takes)");
    EXPECT_EQ(CheckFilled(memo, MappingFromPairs({"memo=c"}, HeaderOf({u"c"}), problem)), "");
}

TEST(Mapping, MapArgumentsAndShellWords)
{
    const struct {
        std::string_view argument;
        bool pair;
        std::string field, column;
    } pairs[] = {
        {"memo=Text", true, "memo", "Text"}, {"memo=a=b", true, "memo", "a=b"}, {"memo= x", true, "memo", " x"},
        {"memo", false, "", ""},             {"=Text", false, "", ""},          {"memo=", false, "", ""},
    };
    for (const auto& row : pairs) {
        const auto pair = SplitMapPair(row.argument);
        ASSERT_EQ(pair.has_value(), row.pair) << row.argument;
        if (pair) {
            EXPECT_EQ(*pair, std::pair(row.field, row.column)) << row.argument;
        }
    }
    const struct {
        std::string_view text, word;
    } words[] = {{"Start_Date-1.x", "Start_Date-1.x"}, {"Start Date", "'Start Date'"}, {"it's", "'it'\\''s'"},
                 {"", "''"},                           {"일정", "'일정'"},               {"$HOME", "'$HOME'"}};
    for (const auto& row : words)
        EXPECT_EQ(ShellWord(row.text), row.word) << row.text;
    EXPECT_EQ(Quoted(U8("a\"b")), "\"a\"b\"");
}

} // namespace
} // namespace varno::host
