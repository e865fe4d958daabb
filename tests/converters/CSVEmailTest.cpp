// The e-mail road through CSVMng on a real SQLite store in a temporary
// folder, at UTC+9.
#include "store/MsgEmails.h"
#include "tests/converters/Road.h"

namespace varno::test {
namespace {

using storetest::Add;


/// "box/kind title|party:address ..." for every e-mail of `profile`.
std::vector<std::string> Stored(int profile)
{
    CMsgEmails emails;
    EXPECT_GE(emails.OpenFromDB(profile), 0);
    std::vector<std::string> out;
    for (int i = 0; i < emails.GetCount(); ++i) {
        const CMsgEmail& e = *emails.GetAt(i);
        std::string& text = out.emplace_back(std::to_string(e.Box));
        text.append(1, '/').append(std::to_string(e.Kind)).append(1, ' ').append(e.Title.ToUtf8()).append(1, '|');
        for (int k = 0; const CMsgEmailAddress* a = e.GetEmailAddressAt(k); ++k)
            text.append(1, ' ').append(std::to_string(a->PartyType)).append(1, ':').append(a->Address.ToUtf8());
    }
    return out;
}

class EmailRoad : public Road {
protected:
    TimeZoneGuard zone{"KST-9"};
    CodePageGuard codePage{949};
    UserLocaleGuard locale{"ko_KR"};
};

TEST_F(EmailRoad, ExportWritesEachPartysAddressesAsTheyAre)
{
    CMsgEmails emails;
    Add(emails, {{"t", "", {}, {{0, "a@x"}, {2, "c@x"}, {9, "z@x"}, {0, "b@x"}}},
                 {"", "body", Date(2011, 5, 3, 5, 7), {{1, "\"Kim\" <kim@x.kr>"}, {3, " s p ; c "}}},
                 {"", "", {}, {{1, ""}, {1, "a"}, {1, ""}, {0, ""}}}});
    ASSERT_EQ(emails.SaveToDB(1), 3);
    EXPECT_EQ(manager.Export(CSVTYPE_EMAIL, 1, PathOf("out.csv")), 3);
    EXPECT_EQ(ReadBytes("out.csv"), "\"title\",\"content\",\"sender\",\"receiver\",\"cc\",\"bcc\",\"time\"\r\n"
                                    R"("t","","","a@x;b@x","c@x","","")" "\r\n"
                                    R"("","body","""Kim"" <kim@x.kr>","",""," s p ; c ","2011-05-03 14:07")" "\r\n"
                                    R"("","","a;","","","","")" "\r\n");
}

// Field names match in any letter case, a name the converter does not know
// is skipped without shifting the later ones, and a short row still fills
// the fields whose columns it has. Every imported e-mail gets box 2, kind 4.
TEST_F(EmailRoad, ImportSplitsAndTrimsAddressesWithoutCleaningThem)
{
    WriteBytes("in.csv", "title,sender,receiver,cc,bcc\r\none,, a@x ; b@y \r\n"
                         R"(two,abc,a@x; ;b@y,;;c@z;,"""Kim"" <kim@x.kr>")" "\r\nshort\r\n");
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
    Add(emails, {{"회의록: 3월; \"최종\"", "첫 줄\r\n둘째 줄, 끝", Date(2023, 12, 31, 23, 59),
                  {{1, "me@x.kr"}, {0, "a@x.kr"}, {7, "gone@x.kr"}, {0, "b@x.kr"}, {2, "c@x.kr"}, {3, "d;e@x.kr"}}},
                 {"", "", {}, {}}});
    ASSERT_EQ(emails.SaveToDB(1), 2);
    ExpectStableRoundTrip(CSVTYPE_EMAIL, 2, " title content sender receiver cc bcc");
}

} // namespace
} // namespace varno::test
