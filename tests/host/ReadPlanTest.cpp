// The read plan's rules, one row per rule: a header and rows as the
// library's reader splits them, the mapping the host chooses for them, and
// what the library is handed (header, rows) and what is said, by kind and
// count. Dates are read in de_DE or en_US as the row says.
#include "host/Layouts_p.h"
#include "host/ReadPlan.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace varno::host {
namespace {

using test::Array;
using test::Texts;

std::string Joined(const CStringArray& array)
{
    std::string text;
    for (int i = 0; i < array.GetSize(); ++i) {
        if (i > 0)
            text += '|';
        text += array[i].ToUtf8();
    }
    return text;
}

struct Case {
    const char* what;
    const char* type;
    Texts header;
    std::vector<Texts> rows;
    const char* added;           ///< the columns the library's header has after the file's; nullptr: nothing changes
    std::vector<std::string> out; ///< the rows it is handed
    std::string said;            ///< "Kind×count" of each report, in order
    const char* locale = "en_US";
};

const char* KindName(CellReport::Kind kind)
{
    switch (kind) {
    case CellReport::Kind::NoDate: return "NoDate";
    case CellReport::Kind::DateRewritten: return "DateRewritten";
    case CellReport::Kind::DateUnreadable: return "DateUnreadable";
    case CellReport::Kind::DateIncomplete: return "DateIncomplete";
    case CellReport::Kind::AllDayEnd: return "AllDayEnd";
    case CellReport::Kind::TrunkDropped: return "TrunkDropped";
    case CellReport::Kind::Extension: return "Extension";
    case CellReport::Kind::Letters: return "Letters";
    case CellReport::Kind::Word: return "Word";
    case CellReport::Kind::WordsBeside: return "WordsBeside";
    case CellReport::Kind::GroupsSplit: return "GroupsSplit";
    case CellReport::Kind::ProgramGroups: return "ProgramGroups";
    case CellReport::Kind::LeftOut: return "LeftOut";
    }
    return "?";
}

TEST(ReadPlan, HandsTheLibraryWhatItReadsAsMeant)
{
    const Case cases[] = {
        {"own layout, nothing to change", "memo", {"memo", "color"}, {{"Buy milk", "red"}}, nullptr, {}, ""},
        {"several groups in one cell: the first in place, the rest added", "contact",
         {"FIRST_NAME", "GROUP_NAME"}, {{"Ann", "Family; Friends , Work"}, {"Bob", "Golf"}, {"Cy", ""}},
         "|[GROUP_NAME 1]|[GROUP_NAME 2]", {"Ann|Family|Friends|Work", "Bob|Golf||", "Cy|||"}, "GroupsSplit×1"},
        {"the program's own groups are left out", "contact",
         {"Given Name", "Family Name", "Group Membership"}, {{"Ann", "Lee", "* myContacts ::: Golf"}}, "",
         {"Ann|Lee|Golf"}, "ProgramGroups×1"},
        // In the layout's order of the columns: "Other Phone" before "Pager".
        {"telephones of a kind in several columns become entries, filled ones only", "contact",
         {"First Name", "Last Name", "Business Street", "Categories", "Pager", "Car Phone", "Other Phone"},
         {{"Ann", "Lee", "", "", "111", "", "333"}, {"Bob", "Ray", "", "", "", "", ""}},
         "|[TEL_OTHER1 1]|[TEL_OTHER1 2]", {"Ann|Lee|||111||333|333|111", "Bob|Ray|||||||"}, ""},
        {"a street's lines are joined into the first", "contact",
         {"First Name", "Last Name", "Business Street", "Business Street 2", "Categories"},
         {{"Ann", "Lee", "1 Main St", "Suite 5", ""}, {"Bob", "Ray", "", "Back door", ""}},
         "", {"Ann|Lee|1 Main St, Suite 5|Suite 5|", "Bob|Ray|Back door|Back door|"}, ""},
        {"a birthday in three columns; one without a year is left out", "contact",
         {"First Name", "Last Name", "Display Name", "Primary Email", "Birth Year", "Birth Month", "Birth Day"},
         {{"Ann", "Lee", "", "a@x.example", "1975", "2", "28"},
          {"Bob", "Ray", "", "", "", "11", "30"},
          {"Cy", "Do", "", "", "2001", "2", "30"},
          {"Di", "Um", "", "", "", "", ""}},
         "|[BIRTHDAY 1]",
         {"Ann|Lee||a@x.example|1975|2|28|1975-02-28", "Bob|Ray||||11|30|", "Cy|Do|||2001|2|30|", "Di|Um||||||"},
         "DateIncomplete×2"},
        {"a display name fills empty names only", "contact",
         {"First Name", "Last Name", "Display Name", "Primary Email"},
         {{"", "", "Ana Maria Lima", ""}, {"Bo", "", "Other Name", ""}, {"", "", "Cher", ""}},
         "", {"Ana Maria|Lima|Ana Maria Lima|", "Bo||Other Name|", "Cher||Cher|"}, ""},
        {"numbered typed columns go to the field of their type", "contact",
         {"Given Name", "Family Name", "Group Membership", "Phone 1 - Type", "Phone 1 - Value", "Phone 2 - Type",
          "Phone 2 - Value", "E-mail 1 - Type", "E-mail 1 - Value", "Event 1 - Type", "Event 1 - Value"},
         {{"Ann", "Lee", "", "* Mobile", "111 ::: 222", "Work Fax", "333", "* ", "a@x.example", "Anniversary",
           "2010-06-19"}},
         "|[TEL_MOBILE1 1]|[TEL_MOBILE1 2]|[TEL_FAX1 1]|[EMAIL_OTHER 1]|[ANNIVERSARY 1]",
         {"Ann|Lee||* Mobile|111 ::: 222|Work Fax|333|* |a@x.example|Anniversary|2010-06-19|111|222|333|"
          "a@x.example|2010-06-19"}, ""},
        {"a second address of a kind goes to other, a third is left out", "contact",
         {"Given Name", "Family Name", "Group Membership", "Address 1 - Type", "Address 1 - City",
          "Address 2 - Type", "Address 2 - City", "Address 3 - Type", "Address 3 - City"},
         {{"Ann", "Lee", "", "Home", "Oslo", "Home", "Bergen", "Home", "Molde"}},
         "|[ADR_HOME_CITY 1]|[ADR_OTHER_CITY 1]", {"Ann|Lee||Home|Oslo|Home|Bergen|Home|Molde|Oslo|Bergen"},
         "LeftOut×1"},
        {"dates the library would misread, and no-date markers", "contact",
         {"Vorname", "Nachname", "Geburtstag"}, {{"A", "B", "15.3.1968"}, {"C", "D", "0.0.00"},
                                                 {"E", "F", "13/13/2013"}, {"G", "H", "1968-03-15"}},
         "", {"A|B|1968-03-15", "C|D|", "E|F|", "G|H|1968-03-15"},
         "DateRewritten×1 NoDate×1 DateUnreadable×1", "de_DE"},
        {"telephones: a trunk zero, an extension, letters, a word", "contact",
         {"FIRST_NAME", "TEL_WORK1"},
         {{"A", "+49 (0)30 1234567"}, {"B", "+1 212-555-0147 x89"}, {"C", "1-800-FLOWERS"}, {"D", "none"},
          {"E", "030 1234567"}},
         "", {"A|+49 30 1234567", "B|+1 212-555-0147p89", "C|1-800-3569377", "D|", "E|030 1234567"},
         "TrunkDropped×1 Extension×1 Letters×1 Word×1"},
        {"a to-do's priority and completion words", "todo",
         {"Subject", "Due Date", "% Complete", "Priority"},
         {{"Pay", "1/15/2026", "1.000", "High"}, {"Call", "1/16/2026", "0.500", "low"}},
         "", {"Pay|1/15/2026|6|1", "Call|1/16/2026|0.500|9"}, ""},
        {"an all-day entry that ends on its end date, with no end time", "calendar",
         {"Subject", "Start Date", "Start Time", "End Date", "End Time", "All Day Event"},
         {{"Holiday", "12/25/2026", "", "12/25/2026", "", "True"},
          {"Trip", "5/13/2026", "12:00:00 AM", "5/16/2026", "12:00:00 AM", "True"},
          {"Talk", "5/13/2026", "9:00 AM", "5/13/2026", "", "False"}},
         "", {"Holiday|12/25/2026||2026-12-26 00:00||True", "Trip|5/13/2026|12:00:00 AM|5/16/2026|12:00:00 AM|True",
          "Talk|5/13/2026|9:00 AM|5/13/2026||False"},
         "AllDayEnd×1"},
    };
    const test::TimeZoneGuard zone("UTC0");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const RecordType& type = *FindRecordType(c.type);
        Header header;
        header.names = Array(c.header);
        const Mapping mapping = AutoMapping(type, header);
        ReadPlan plan(type, header, mapping, mapping.hostLayout, {c.locale, "US"});
        for (size_t r = 0; r < c.rows.size(); ++r)
            plan.Observe(Array(c.rows[r]), static_cast<int64_t>(r + 2));
        ASSERT_EQ(plan.NeedsRewrite(), c.added != nullptr);
        std::string said;
        for (const CellReport& report : plan.Reports()) {
            if (!said.empty())
                said += ' ';
            said += KindName(report.kind);
            said += "×";
            said += std::to_string(report.count);
        }
        EXPECT_EQ(said, c.said);
        if (!c.added)
            continue;
        EXPECT_EQ(Joined(plan.LibraryHeader()), Joined(Array(c.header)) + c.added);
        std::vector<std::string> out;
        for (const Texts& row : c.rows) {
            CStringArray adapted;
            plan.Adapt(Array(row), adapted);
            out.push_back(Joined(adapted));
        }
        EXPECT_EQ(out, c.out);
        // Every column of the library's mapping is in its header, by name.
        const Mapping& library = plan.LibraryMapping();
        EXPECT_EQ(library.fieldNames.GetCount(), library.fileColumns.GetCount());
        const Texts names = test::Utf8(plan.LibraryHeader());
        for (const CString& column : library.fileColumns)
            EXPECT_NE(std::find(names.begin(), names.end(), column.ToUtf8()), names.end()) << column.ToUtf8();
    }
}

TEST(ReadPlan, CountsTheCellsOfColumnsNothingReads)
{
    const RecordType& contact = *FindRecordType("contact");
    Header header;
    header.names = Array({"First Name", "Last Name", "Business Street", "Categories", "Gender", "Spouse", "Hobby"});
    const Mapping mapping = AutoMapping(contact, header);
    ReadPlan plan(contact, header, mapping, mapping.hostLayout, {"en_US", "US"});
    plan.Observe(Array({"Ann", "Lee", "", "", "Unspecified", "Bo", ""}), 2);
    plan.Observe(Array({"Cy", "Do", "", "", "Female", "", "Golf"}), 3);
    std::string unread;
    for (const UnreadColumn& column : plan.Unread()) {
        unread += column.name;
        unread += ':';
        unread += std::to_string(column.values);
        unread += ' ';
    }
    // "Unspecified" says nothing in that layout's Gender column.
    EXPECT_EQ(unread, "Gender:1 Spouse:1 Hobby:1 ");
    EXPECT_FALSE(plan.Reads(4));
    EXPECT_TRUE(plan.Reads(0));
}

} // namespace
} // namespace varno::host
