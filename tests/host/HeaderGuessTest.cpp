// Whether a file's first record is data: never on a real header (every
// example has one), and on the first data record of each example where a
// person would see it too.
#include "host/HeaderGuess.h"

#include "engine/CSVInspect.h"
#include "host/FileFormats.h"
#include "host/Registry.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

namespace varno::host {
namespace {

using test::Array;
using test::U8;

/// The first `count` records of a file, split as the library splits them.
std::vector<CStringArray> Records(const std::string& bytes, unsigned codePage, size_t count)
{
    std::vector<CStringArray> records;
    CSVInspector inspector(codePage, true);
    inspector.OnRecord([&](CStringArray& values, int64_t) {
        if (records.size() < count)
            records.push_back(values);
    });
    inspector.Feed(bytes);
    (void)inspector.Finish();
    return records;
}

struct Example {
    const char* file;
    unsigned codePage;
    bool headerlessLooksLikeData; ///< with its first line gone
};

// Every file of examples/. Those of other programs' layouts come with
// their own branch; a row whose file is not there is passed over.
constexpr Example kExamples[] = {
    {"addressbook-long.csv", 65001, true},
    {"addressbook-short.csv", 65001, true},
    {"calendar-english.csv", 1252, true},
    {"calendar-schedule-ko.csv", 65001, true},
    {"calendar-utf16.txt", 65001, true},
    {"contacts-utf16.txt", 65001, true},
    {"contacts.csv", 65001, true},
    {"emails.csv", 65001, true},
    // Memos and colours are text alone: nothing tells "Buy milk, bread and
    // butter","yellow" from column names but knowing what names are.
    {"memo-utf16.txt", 65001, false},
    {"memo.csv", 1252, false},
    {"messages.csv", 949, true},
    {"todo-ko.txt", 65001, true},
    {"todo-utf16.txt", 65001, true},
    {"address-book-de.tsv", 65001, true},
    {"address-book-en.tsv", 1252, true},
    {"calendar-webservice.csv", 65001, true},
    {"desktop-mail-de.csv", 1252, true},
    {"groupware-tasks.csv", 1252, true},
    {"mail-client-contacts.csv", 65001, true},
    {"spreadsheet-contacts.csv", 1252, true},
    {"webmail-contacts-new.csv", 65001, true},
    {"webmail-contacts.csv", 65001, true},
};

const std::filesystem::path kExampleFolder = VARNO_SOURCE_DIR "/examples";

TEST(HeaderGuess, EveryExampleIsListed)
{
    for (const auto& entry : std::filesystem::directory_iterator(kExampleFolder)) {
        const std::string name = entry.path().filename().string();
        if (!entry.is_regular_file() || !FormatOfFile(name).IsCsv()) // a vCard has no header
            continue;
        EXPECT_TRUE(std::any_of(std::begin(kExamples), std::end(kExamples),
                                [&](const Example& example) { return name == example.file; }))
            << name << ": say whether its first data record looks like data";
    }
}

TEST(HeaderGuess, ExamplesHaveAHeaderAndTheirFirstDataRecordIsData)
{
    int tested = 0;
    for (const Example& example : kExamples) {
        const std::filesystem::path path = kExampleFolder / example.file;
        if (!std::filesystem::exists(path))
            continue;
        SCOPED_TRACE(example.file);
        const std::vector<CStringArray> records = Records(test::ReadFile(path), example.codePage, 7);
        ASSERT_GE(records.size(), 3u);
        const HeaderGuess withHeader = GuessHeader(records[0], {records.begin() + 1, records.end() - 1});
        EXPECT_FALSE(withHeader.looksLikeData) << ::testing::PrintToString(withHeader.reasons);
        EXPECT_TRUE(withHeader.reasons.empty());
        const HeaderGuess headerless = GuessHeader(records[1], {records.begin() + 2, records.end()});
        EXPECT_EQ(headerless.looksLikeData, example.headerlessLooksLikeData)
            << ::testing::PrintToString(headerless.reasons);
        EXPECT_EQ(headerless.reasons.empty(), !example.headerlessLooksLikeData);
        // With the first data record alone, as a file of two lines gives it.
        EXPECT_EQ(GuessHeader(records[1], {}).looksLikeData, example.headerlessLooksLikeData);
        ++tested;
    }
    EXPECT_GE(tested, 13) << "the project's own examples";
}

TEST(HeaderGuess, WeighsTheShapesOfTheFirstRecordAgainstTheRowsBelow)
{
    const std::string below = ", as are the cells below it";
    const struct {
        const char* label;
        test::Texts header;
        std::vector<test::Texts> rows;
        bool looksLikeData;
        std::vector<std::string> reasons;
    } cases[] = {
        {"dates over dates", {"2012-01-31", "Team lunch"},
         {{"2012-02-06 00:00", "Holiday"}, {"2012-02-08 16:15", "Dentist"}}, true, {"\"2012-01-31\" is a date" + below}},
        {"a date over text", {"31.1.2012", "Team lunch"}, {{"tomorrow", "Holiday"}}, true, {"\"31.1.2012\" is a date"}},
        {"a time over dates", {"오후 4:15", "x"}, {{"2012년 2월 8일", "y"}}, true, {"\"오후 4:15\" is a time over dates"}},
        {"times over times", {"9:00 AM", "Lunch"}, {{"4:15 p.m.", "Dentist"}, {"16:15:30", "Gym"}}, true,
         {"\"9:00 AM\" is a time" + below}},
        {"names over data", {"Birthday", "Phone", "E-mail", "Web Page 2"},
         {{"1/31/2012", "+1 212-555-0147 x89", "a@b.example", "https://b.example"},
          {"--07-22", "(11) 2345-6789", "c@d.example;e@f.example", "www.d.example"}}, false, {}},
        {"data under data", {"1/31/2012", "+1 212-555-0147 x89", "a@b.example", "https://b.example"},
         {{"--07-22", "(11) 2345-6789", "c@d.example;e@f.example", "www.d.example"}}, true,
         {"\"1/31/2012\" is a date" + below, "\"+1 212-555-0147 x89\" is a telephone number" + below,
          "\"a@b.example\" is an e-mail address" + below, "\"https://b.example\" is a web address" + below}},
        {"a telephone number in the export's own quotes, a list of them below", {"\"010-1234-5678\"", "Gildong"},
         {{"\"01098765432\";\"+82 10 4444 5555\"", "Jiwoo"}}, true, {"\"010-1234-5678\" is a telephone number" + below}},
        {"a list of telephone numbers joined by \" ::: \"", {"+34 612 34 56 78 ::: +34 699 00 11 22", "José"}, {}, true,
         {"\"+34 612 34 56 78 ::: +34 699 00 11 22\" is a telephone number"}},
        // A cell like those below it weighs more than a name over them.
        {"a date like those below beside a name over numbers", {"2012-01-31", "Total"},
         {{"2012-02-01", "12.50"}, {"2012-02-02", "8"}}, true, {"\"2012-01-31\" is a date" + below}},
        {"numbered columns", {"1", "2", "3"}, {{"a", "b", "c"}}, true,
         {"\"1\" is a number", "\"2\" is a number", "\"3\" is a number"}},
        {"a repeated cell beside a sign", {"Berlin", "Berlin", "10117"}, {{"Potsdam", "Brandenburg", "14467"}}, true,
         {"\"10117\" is a number" + below, "\"Berlin\" stands in 2 columns"}},
        {"a repeated cell alone", {"Berlin", "Berlin"}, {{"Potsdam", "Potsdam"}}, false, {}},
        {"text alone", {"Buy milk, bread and butter", "yellow"}, {{"Café at 10:30", "blue"}}, false, {}},
        {"shapes that names take", {"TEL_WORK1", "Room 4.12", "1-800-FLOWERS", "Q1 2012", "Mobile 010"},
         {{"1", "2", "3", "4", "5"}}, false, {}},
        {"more names over data than data", {"Start", "End", "2012"},
         {{"1/2/2012", "1/3/2012", "x"}, {"2/2/2012", "2/3/2012", "y"}}, false, {}},
        {"empty", {}, {}, false, {}},
        {"empty cells", {"", " "}, {{"1", "2"}}, false, {}},
        {"rows shorter than the header", {"5", "6"}, {{}, {"7"}}, true,
         {"\"5\" is a number" + below, "\"6\" is a number"}},
        {"a byte-order mark and spaces", {"\xEF\xBB\xBF 42 ", "x"}, {{"43", "y"}}, true, {"\"42\" is a number" + below}},
        {"a long cell is cut in the reason", {"a@b.example;c@d.example;e@f.example;g@h.example", "x"}, {}, true,
         {"\"a@b.example;c@d.example;e@f.example;g@h.…\" is an e-mail address"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        std::vector<CStringArray> rows;
        for (const test::Texts& row : c.rows)
            rows.push_back(Array(row));
        const HeaderGuess guess = GuessHeader(Array(c.header), rows);
        EXPECT_EQ(guess.looksLikeData, c.looksLikeData);
        EXPECT_EQ(guess.reasons, c.reasons);
    }
}

TEST(HeaderGuess, AHeaderOfNamesThatATypeReadsIsNeverData)
{
    for (const RecordType& type : RecordTypes()) {
        SCOPED_TRACE(type.name);
        // The names; half of them beside dates of their own; the names in
        // another letter case, with spaces around them.
        CStringArray names, dates, half, lower;
        for (int i = 0; const CSVColumn& column : type.layout().columns) {
            CString name(column.exportName);
            names.Add(name);
            dates.Add(U8("2012-01-31"));
            half.Add(i++ % 2 ? U8("2012-01-31") : name);
            lower.Add(CString(u" ") + name.MakeLower() + CString(u" "));
        }
        EXPECT_FALSE(GuessHeader(names, {dates, dates}).looksLikeData);
        EXPECT_FALSE(GuessHeader(half, {dates}).looksLikeData);
        EXPECT_FALSE(GuessHeader(lower, {dates}).looksLikeData);
    }
}

} // namespace
} // namespace varno::host
