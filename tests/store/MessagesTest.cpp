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
    Add(messages, {{1, "안녕하세요; \"내일\" 'SELECT' 봐요\r\n", Date(2011, 5, 3, 5, 7, 9),
                    {{1, "111"}, {0, "you@example.kr"}, {3, ""}, {9, "+82101234"}, {0, "3"}}},
                   {0, "", WithStatus(std::numeric_limits<double>::quiet_NaN(), COleDateTime::null), {}},
                   {0, "", WithStatus(-3.25, COleDateTime::invalid), {}}});
    messages[0]->Kind = 4294967295u;
    CMsgEmails emails;
    Add(emails, {{"회의록: 3월; \"최종\"", Tricky().ToUtf8(), Date(2023, 12, 31, 23, 59, 59),
                  {{2, "111@"}, {1, "you@example.kr@"}, {4, "@"}, {10, "+82101234@"}, {1, "3@"}}},
                 {}}); // empty texts, null time, no addresses
    ExpectRoundTrip(messages, Save<CMessages>, Load<CMessages>);
    ExpectRoundTrip(emails, Save<CMsgEmails>, Load<CMsgEmails>);
}

} // namespace
