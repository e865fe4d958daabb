// Text messages and e-mails through a real store file.
#include "store/Messages.h"
#include "store/MsgEmails.h"

#include "StoreTestSupport.h"

#include <limits>
#include <vector>

using namespace storetest;

namespace {

class MessagesTest : public TempStore {};

std::vector<std::string> Parties(const CMessage& m)
{
    std::vector<std::string> out;
    for (int i = 0; i < m.GetNumberCount(); ++i)
        out.push_back(std::to_string(m.GetNumberAt(i)->PartyType) + " " + m.GetNumberAt(i)->Number.ToUtf8());
    return out;
}

std::vector<std::string> Parties(const CMsgEmail& m)
{
    std::vector<std::string> out;
    for (int i = 0; i < m.GetEmailAddressCount(); ++i)
        out.push_back(std::to_string(m.GetEmailAddressAt(i)->PartyType) + " " +
                      m.GetEmailAddressAt(i)->Address.ToUtf8());
    return out;
}

TEST_F(MessagesTest, MessagesKeepEveryFieldAndTheOrderOfTheirNumbers)
{
    CMessages saved;
    CMessage* first = saved.AddNew();
    first->Box = 1;
    first->Kind = 4294967295u;
    first->Content = U("안녕하세요; \"내일\" 'SELECT' 봐요\r\n");
    first->MessageTime = Date(2011, 5, 3, 5, 7, 9);
    for (auto [party, number] : {std::pair{1u, "111"}, {0u, "222"}, {3u, ""}, {2u, "+82101234"}, {0u, "333"}}) {
        CMessageNumber* n = first->NewNumber();
        EXPECT_EQ(first->GetNumberAt(first->GetNumberCount() - 1), n);
        n->PartyType = party;
        n->Number = U(number);
    }
    CMessage* second = saved.AddNew();
    second->MessageTime = WithStatus(std::numeric_limits<double>::quiet_NaN(), COleDateTime::null);
    CMessage* third = saved.AddNew();
    third->Box = 7;
    third->MessageTime = WithStatus(-3.25, COleDateTime::invalid);
    ASSERT_EQ(saved.SaveToDB(4), 3);
    CMessages other;
    other.AddNew()->Content = U("other profile");
    ASSERT_EQ(other.SaveToDB(5), 1);

    CMessages loaded;
    ASSERT_EQ(loaded.OpenFromDB(4), 3);
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(loaded[i]->MessageId, saved[i]->MessageId);
        EXPECT_EQ(loaded[i]->Box, saved[i]->Box);
        EXPECT_EQ(loaded[i]->Kind, saved[i]->Kind);
        EXPECT_EQ(loaded[i]->Content.ToUtf8(), saved[i]->Content.ToUtf8());
        EXPECT_TRUE(SameDate(saved[i]->MessageTime, loaded[i]->MessageTime));
        EXPECT_EQ(Parties(*loaded[i]), Parties(*saved[i]));
    }
    EXPECT_EQ(loaded[0]->GetNumberAt(5), nullptr);

    loaded[1]->NewNumber()->Number = U("444");
    EXPECT_EQ(loaded.SaveToDB(4), 1);
    CMessages reloaded;
    ASSERT_EQ(reloaded.OpenFromDB(4), 3);
    EXPECT_EQ(Parties(*reloaded[1]), std::vector<std::string>{"0 444"});
}

TEST_F(MessagesTest, EmailsKeepEveryFieldAndTheOrderOfTheirAddresses)
{
    CMsgEmails saved;
    CMsgEmail* mail = saved.AddNew();
    mail->Box = 2;
    mail->Kind = 4;
    mail->Title = U("회의록: 3월; \"최종\"");
    mail->Content = Tricky();
    mail->MessageTime = Date(2023, 12, 31, 23, 59, 59);
    for (auto [party, address] : {std::pair{1u, "me@example.kr"}, {0u, "you@example.kr"}, {9u, "odd"},
                                  {3u, "secret@example.kr"}, {2u, ""}}) {
        CMsgEmailAddress* a = mail->NewEmailAddress();
        a->PartyType = party;
        a->Address = U(address);
    }
    saved.AddNew(); // empty texts, null time, no addresses
    ASSERT_EQ(saved.SaveToDB(1), 2);
    CMsgEmails other;
    other.AddNew()->Title = U("other profile");
    ASSERT_EQ(other.SaveToDB(2), 1);

    CMsgEmails loaded;
    ASSERT_EQ(loaded.OpenFromDB(1), 2);
    for (int i = 0; i < 2; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(loaded[i]->EmailId, saved[i]->EmailId);
        EXPECT_EQ(loaded[i]->Box, saved[i]->Box);
        EXPECT_EQ(loaded[i]->Kind, saved[i]->Kind);
        EXPECT_EQ(loaded[i]->Title.ToUtf8(), saved[i]->Title.ToUtf8());
        EXPECT_EQ(loaded[i]->Content.ToUtf8(), saved[i]->Content.ToUtf8());
        EXPECT_TRUE(SameDate(saved[i]->MessageTime, loaded[i]->MessageTime));
        EXPECT_EQ(Parties(*loaded[i]), Parties(*saved[i]));
    }
    EXPECT_EQ(loaded.SaveToDB(1), 0);
}

} // namespace
