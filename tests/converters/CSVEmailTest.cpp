// The e-mail road through CSVMng on a real SQLite store in a temporary
// folder, at UTC+9; and what both message layouts tell a host.
#include "store/MsgEmails.h"
#include "tests/converters/PartyRoad.h"

namespace varno::test {
namespace {

struct Email {
    std::string title, content;
    COleDateTimeNull time;
    std::vector<std::pair<std::uint32_t, std::string>> addresses; // party type, address
    std::uint32_t box = 1, kind = 1;
};

void Add(CMsgEmails& emails, const Email& e)
{
    CMsgEmail* record = emails.AddNew();
    record->Title = U8(e.title);
    record->Content = U8(e.content);
    record->MessageTime = e.time;
    record->Box = e.box;
    record->Kind = e.kind;
    for (const auto& [party, address] : e.addresses) {
        CMsgEmailAddress* entry = record->NewEmailAddress();
        entry->PartyType = party;
        entry->Address = U8(address);
    }
}

/// "box/kind title|party:address ..." for every e-mail of `profile`.
std::vector<std::string> Stored(int profile)
{
    CMsgEmails emails;
    EXPECT_GE(emails.OpenFromDB(profile), 0);
    std::vector<std::string> out;
    for (int i = 0; i < emails.GetCount(); ++i) {
        const CMsgEmail& e = *emails.GetAt(i);
        std::string text = std::to_string(e.Box);
        text.append(1, '/').append(std::to_string(e.Kind)).append(1, ' ').append(e.Title.ToUtf8()).append(1, '|');
        for (int k = 0; k < e.GetEmailAddressCount(); ++k)
            text.append(1, ' ').append(std::to_string(e.GetEmailAddressAt(k)->PartyType)).append(1, ':')
                .append(e.GetEmailAddressAt(k)->Address.ToUtf8());
        out.push_back(text);
    }
    return out;
}

using EmailRoad = PartyRoad;

TEST_F(EmailRoad, ExportWritesEachPartysAddressesAsTheyAre)
{
    const struct {
        Email email;
        std::string record;
    } rows[] = {
        {{"t", "", {}, {{0, "a@x"}, {2, "c@x"}, {9, "z@x"}, {0, "b@x"}}, 7, 9}, R"("t","","","a@x;b@x","c@x","","")"},
        {{"", "body", Utc(2011, 5, 3, 5, 7), {{1, "\"Kim\" <kim@x.kr>"}, {3, " s p ; c "}}},
         R"("","body","""Kim"" <kim@x.kr>","",""," s p ; c ","2011-05-03 14:07")"},
        {{"", "", {}, {{1, ""}, {1, "a"}, {1, ""}, {0, ""}}}, R"("","","a;","","","","")"},
    };
    CMsgEmails emails;
    std::string expected = CsvRecord({"title", "content", "sender", "receiver", "cc", "bcc", "time"}) + "\r\n";
    for (const auto& row : rows) {
        Add(emails, row.email);
        expected += row.record + "\r\n";
    }
    const long n = static_cast<long>(std::size(rows));
    ASSERT_EQ(emails.SaveToDB(1), n);
    EXPECT_EQ(manager.Export(CSVTYPE_EMAIL, 1, PathOf("out.csv")), n);
    EXPECT_EQ(ReadBytes("out.csv"), expected);
}

// Field names match in any letter case, a name the converter does not know
// is skipped without shifting the later ones, and a short row still fills
// the fields whose columns it has. Every imported e-mail gets box 2, kind 4.
TEST_F(EmailRoad, ImportSplitsAndTrimsAddressesWithoutCleaningThem)
{
    WriteBytes("in.csv", CsvRecord({"title", "sender", "receiver", "cc", "bcc"}) + "\r\n" +
                             CsvRecord({"one", "", " a@x ; b@y ", "", ""}) + "\r\n" +
                             CsvRecord({"two", "abc", "a@x; ;b@y", ";;c@z;", "\"Kim\" <kim@x.kr>"}) + "\r\n" +
                             CsvRecord({"short"}) + "\r\n");
    EXPECT_EQ(Import(CSVTYPE_EMAIL, "in.csv", {u"BCC", u"Title", u"nonsense", u"receiver", u"Cc", u"sender"},
                     {u"bcc", u"title", u"sender", u"receiver", u"cc", u"sender"}),
              3);
    EXPECT_EQ(Stored(1), (std::vector<std::string>{"2/4 one| 0:a@x 0:b@y",
                                                   "2/4 two| 3:\"Kim\" <kim@x.kr> 0:a@x 2:c@z 1:abc", "2/4 short|"}));
    EXPECT_EQ(Import(CSVTYPE_EMAIL, "in.csv", {u"title", u"time"}, {}, 2), 3);
    EXPECT_EQ(Stored(2), (std::vector<std::string>{"2/4 one|", "2/4 two|", "2/4 short|"}));
}

TEST_F(EmailRoad, ExportImportExportIsByteIdentical)
{
    CMsgEmails emails;
    Add(emails, {"회의록: 3월; \"최종\"", "첫 줄\r\n둘째 줄, 끝", Utc(2023, 12, 31, 23, 59),
                 {{1, "me@x.kr"}, {0, "a@x.kr"}, {7, "gone@x.kr"}, {0, "b@x.kr"}, {2, "c@x.kr"}, {3, "d;e@x.kr"}}});
    Add(emails, {"", "", {}, {}, 3, 3});
    ASSERT_EQ(emails.SaveToDB(1), 2);
    ExpectStableRoundTrip(CSVTYPE_EMAIL, 2);
}

// A host lists a layout's columns and refuses an import that fills none of
// the principal fields (marked "*" here).
TEST(MessageLayouts, ColumnsAndPrincipalFields)
{
    const std::pair<unsigned long, std::string> rows[] = {
        {CSVTYPE_MESSAGE, "mailbox time content* sender* receiver*"},
        {CSVTYPE_EMAIL, "title* content* sender* receiver* cc* bcc* time"},
    };
    for (const auto& [type, columns] : rows) {
        std::string described;
        for (const CSVColumn& column : CSVMng::GetLayout(type)->columns) {
            described.append(described.empty() ? "" : " ").append(CString(column.exportName).ToUtf8());
            if (column.fieldName != column.exportName)
                described.append(1, '=').append(CString(column.fieldName).ToUtf8());
            described.append(column.principal ? "*" : "");
        }
        EXPECT_EQ(described, columns) << type;
    }
}

} // namespace
} // namespace varno::test
