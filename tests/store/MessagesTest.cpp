// Text messages and e-mails through a real store file.
#include "StoreTestSupport.h"

#include <limits>

using namespace storetest;

namespace {

class MessagesTest : public TempStore {};

template <class Collection>
long Save(Collection& c, int profile) { return c.SaveToDB(profile); }
template <class Collection>
long Load(Collection& c, int profile) { return c.OpenFromDB(profile); }

TEST_F(MessagesTest, MessagesAndEmailsKeepEveryFieldAndTheOrderOfTheirParties)
{
    CMessages messages;
    CMessage* message = messages.AddNew();
    message->Box = 1;
    message->Kind = 4294967295u;
    message->Content = U8("안녕하세요; \"내일\" 'SELECT' 봐요\r\n");
    message->MessageTime = Date(2011, 5, 3, 5, 7, 9);
    CMsgEmails emails;
    CMsgEmail* mail = emails.AddNew();
    mail->Box = 2;
    mail->Kind = 4;
    mail->Title = U8("회의록: 3월; \"최종\"");
    mail->Content = Tricky();
    mail->MessageTime = Date(2023, 12, 31, 23, 59, 59);
    for (auto [party, text] : {std::pair{1u, "111"}, {0u, "you@example.kr"}, {3u, ""}, {9u, "+82101234"}, {0u, "3"}}) {
        CMessageNumber* number = message->NewNumber();
        number->PartyType = party;
        number->Number = U8(text);
        CMsgEmailAddress* address = mail->NewEmailAddress();
        address->PartyType = party + 1;
        address->Address = U8(text) + U8("@");
    }
    messages.AddNew()->MessageTime = WithStatus(std::numeric_limits<double>::quiet_NaN(), COleDateTime::null);
    messages.AddNew()->MessageTime = WithStatus(-3.25, COleDateTime::invalid);
    emails.AddNew(); // empty texts, null time, no addresses
    ExpectRoundTrip(messages, Save<CMessages>, Load<CMessages>);
    ExpectRoundTrip(emails, Save<CMsgEmails>, Load<CMsgEmails>);
}

} // namespace
