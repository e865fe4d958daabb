// Contacts with their sub-entries, contact groups and contact-group links
// through a real store file.
#include "StoreTestSupport.h"

using namespace storetest;

namespace {

class ContactsTest : public TempStore {};

long SaveContacts(CContacts& c, int profile) { return c.SaveToDB(profile, 0, true); }
long LoadContacts(CContacts& c, int profile) { return c.OpenFromDB(profile, 0); }

void FillEverything(CContact& c)
{
    Fill(c, {.first = "길동",
             .tel = {{32, "010-1234-5678"}, {36, "+82 (2) 123"}, {1, "p#*w"}},
             .email = {{2, "hong@example.kr"}, {0, "'; DELETE FROM contact; --"}},
             .url = {{1, "https://예시.kr/?a=1;b=\"2\""}},
             .adr = {{32, "세종대로 "}, {16, ""}, {2, "경기 "}},
             .notes = {"첫 메모", "", "third; SELECT 1"}});
    c.LastName = U8("홍");
    c.JobTitle = Tricky();
    c.NewOrganization(U8("바르노 주식회사"), U8("개발부"), U8("팀장"), 1);
    c.NewOrganization(U8(""), U8("second"), U8(""), 7);
    c.NewContactEvent(WithStatus(5.5, COleDateTime::invalid), 9);
    c.NewContactEvent(COleDateTimeNull(), CONTACT_EVENT_ANNIVERSARY);
    c.NewContactEvent(Date(1980, 2, 29), CONTACT_EVENT_BIRTHDAY);
    c.NewContactEvent(Date(1981, 3, 1), CONTACT_EVENT_BIRTHDAY);
}

TEST_F(ContactsTest, RoundTripKeepsEverySubEntryInOrderAndChangedEntriesReplaceTheStoredOnes)
{
    CContacts saved;
    FillEverything(*saved.AddNew());
    saved.AddNew(); // nothing at all
    ExpectRoundTrip(saved, SaveContacts, LoadContacts);

    saved[0]->GetTelephone(0)->SetNumber(U8("011"));
    saved[0]->NewComment(U8("added"));
    EXPECT_EQ(saved.SaveToDB(7, -1, false), 1);
    EXPECT_EQ(saved[0]->NewGroup(U8("가족")), 0);
    EXPECT_EQ(saved.SaveToDB(7, 0, true), 0) << "group names are not stored";
    CContacts reloaded;
    ASSERT_EQ(reloaded.OpenFromDB(7, 0), 2);
    EXPECT_EQ(Describe(*reloaded[0]), Describe(*saved[0]));
    EXPECT_EQ(reloaded[0]->GetGroupCount(), 0);

    CString name = U8("unchanged");
    EXPECT_FALSE(saved[0]->GetGroup(1, name));
    EXPECT_EQ(name.ToUtf8(), "unchanged");
    EXPECT_TRUE(saved[0]->GetGroup(0, name));
    EXPECT_EQ(name.ToUtf8(), "가족");
}

// Records and sub-entries reach the database in batches: counts on both
// sides of a batch, and a record saved again within the same save before
// its rows were written, must all come back as they were, under the ids
// the save gave them.
TEST_F(ContactsTest, RecordsAndEntriesAcrossBatchesAndARecordSavedTwiceInOneSaveComeBackWhole)
{
    CContacts saved;
    const std::vector<int> telephones = {0, 1, 63, 64, 65, 130};
    for (int i = 0; i < 70; ++i)
        saved.AddNew()->FirstName = U8("no entries");
    for (int count : telephones) {
        CContact& c = *saved.AddNew();
        c.FirstName = CString::FromUtf8(std::to_string(count));
        for (int i = 0; i < count; ++i)
            c.NewTelephone()->SetNumber(CString::FromUtf8(std::to_string(1000 + i)));
    }
    const int total = saved.GetCount();
    ASSERT_EQ(saved.BeginSave(3, 0, true), 0);
    ASSERT_EQ(saved.SaveBatch(), total);
    // The last contact's row and last entries are still waiting.
    saved[total - 1]->GetTelephone(129)->SetNumber(U8("changed"));
    saved[total - 1]->NewTelephone()->SetNumber(U8("added"));
    ASSERT_EQ(saved.SaveBatch(), 1) << "only the changed contact is written again";
    ASSERT_EQ(saved.EndSave(), total + 1);

    CContacts reloaded;
    ASSERT_EQ(reloaded.OpenFromDB(3, 0), total);
    for (int i = 0; i < total; ++i) {
        EXPECT_EQ(reloaded[i]->ContactId, saved[i]->ContactId) << "contact " << i;
        EXPECT_EQ(Describe(*reloaded[i]), Describe(*saved[i])) << "contact " << i;
    }
    EXPECT_EQ(reloaded[total - 1]->GetTelephoneCount(), 131);

    CContacts more; // later saves go on past every id given
    more.AddNew();
    ASSERT_EQ(more.SaveToDB(3, 0, true), 1);
    EXPECT_EQ(more[0]->ContactId, saved[total - 1]->ContactId + 1);
}

// Numbers and e-mail and web addresses without text are not stored (export
// passes them over); empty entries of the other kinds are kept, since export
// reads the first or the last of a kind.
TEST_F(ContactsTest, EmptyNumbersAndAddressesAreNotStored)
{
    CContacts saved;
    CContact& c = *saved.AddNew();
    c.NewTelephone()->SetType(1);
    c.NewTelephone()->SetNumber(U8("02"));
    c.NewEmail()->SetType(2);
    c.NewURL()->SetType(1);
    c.NewAddress()->SetType(16);
    c.NewComment(CString());
    c.NewOrganization(CString(), CString(), CString(), 1);
    c.NewContactEvent(COleDateTimeNull(), CONTACT_EVENT_BIRTHDAY);
    ASSERT_EQ(saved.SaveToDB(7, -1, false), 1);
    CContacts loaded;
    ASSERT_EQ(loaded.OpenFromDB(7, 0), 1);
    const CContact& back = *loaded[0];
    EXPECT_EQ(back.GetTelephoneCount(), 1);
    EXPECT_EQ(back.GetTelephone(0)->GetNumber().ToUtf8(), "02");
    EXPECT_EQ(back.GetEmailCount() + back.GetURLCount(), 0);
    EXPECT_EQ(back.GetAddressCount() + back.GetCommentCount() + back.GetOrganizationCount() + back.GetEventCount(), 4);
}

TEST_F(ContactsTest, BirthDateAndAnniversaryAreTheFirstEventsOfTheirKind)
{
    CContact contact;
    int index = 99;
    COleDateTimeNull date = Date(2000, 1, 1);
    EXPECT_FALSE(contact.GetBirthDate(index, date));
    EXPECT_EQ(index, -1);
    EXPECT_EQ(DateText(date), DateText(Date(2000, 1, 1))) << "left alone without a birthday";
    FillEverything(contact);
    EXPECT_TRUE(contact.GetBirthDate(index, date));
    EXPECT_EQ(index, 2);
    EXPECT_EQ(DateText(date), DateText(Date(1980, 2, 29)));
    EXPECT_TRUE(contact.GetAnniversary(index, date));
    EXPECT_EQ(index, 1);
    EXPECT_TRUE(date.IsNull());
}

TEST_F(ContactsTest, GroupsAndLinksRoundTripAndChooseWhichContactsLoad)
{
    CContacts first, second;
    for (const char* name : {"Kim", "Lee", "Park"})
        first.AddNew()->FirstName = U8(name);
    second.AddNew()->FirstName = U8("Choi");
    ASSERT_EQ(first.SaveToDB(1, 0, true), 3);
    ASSERT_EQ(second.SaveToDB(2, 0, true), 1);

    CContactGroups listed;
    ASSERT_EQ(listed.OpenFromDB(7), 0);
    CContactGroups groups;
    groups.AddNew()->GroupName = U8("친구 'n' \"가족\"; DROP TABLE contact_group");
    groups.AddNew()->GroupName = U8("");
    ExpectRoundTrip(groups, [](CContactGroups& g, int profile) { return g.SaveToDB(profile, true); },
                    [](CContactGroups& g, int profile) { return g.OpenFromDB(profile); });
    ASSERT_EQ(listed.OpenFromDB(7), 2) << "a reopened list shows the new groups";

    CContactGroupPairs links;
    for (auto [contact, group] : {std::pair{2, 0}, {0, 0}, {2, 0}, {1, 1}}) { // the same link twice is kept twice
        CContactGroupPair* link = links.AddNew();
        link->ContactId = first[contact]->ContactId;
        link->GroupId = groups[group]->GroupId;
    }
    // Links have no profile: every load gives them all.
    ExpectRoundTrip(links, [](CContactGroupPairs& p, int) { return p.SaveToDB(); },
                    [](CContactGroupPairs& p, int profile) { return profile == 7 ? p.OpenFromDB() : 0L; });

    const int work = static_cast<int>(groups[0]->GroupId);
    struct Case {
        int profile, groupId;
        std::vector<std::string> names;
    };
    const Case cases[] = {
        {1, 0, {"Kim", "Lee", "Park"}}, {2, 0, {"Choi"}}, {3, 0, {}},
        {1, work, {"Kim", "Park"}},     {2, work, {}},    {1, work + 1000, {}},
    };
    for (const Case& c : cases) {
        CContacts loaded;
        EXPECT_EQ(loaded.OpenFromDB(c.profile, c.groupId), static_cast<long>(c.names.size()));
        std::vector<std::string> names;
        for (int i = 0; i < loaded.GetCount(); ++i)
            names.push_back(loaded[i]->FirstName.ToUtf8());
        EXPECT_EQ(names, c.names) << "profile " << c.profile << ", group " << c.groupId;
    }

    CContacts unsaved;
    CContactGroupPair* bad = links.AddNew();
    bad->ContactId = unsaved.AddNew()->ContactId;
    bad->GroupId = groups[0]->GroupId;
    links[0]->GroupId = groups[1]->GroupId;
    const std::uint32_t badId = bad->PairId;
    const std::string bytes = ReadFile(m_file);
    EXPECT_EQ(links.SaveToDB(), STOREERR_WRITE) << "a link to an unsaved contact fails the whole save";
    EXPECT_EQ(ReadFile(m_file), bytes);
    EXPECT_EQ(bad->PairId, badId);
}

} // namespace
