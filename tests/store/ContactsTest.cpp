// Contacts and their sub-entries through a real store file.
#include "store/ContactGroupPairs.h"
#include "store/ContactGroups.h"
#include "store/Contacts.h"

#include "StoreTestSupport.h"

#include <vector>

using namespace storetest;

namespace {

class ContactsTest : public TempStore {};

/// Every stored field of a contact, sub-entries in order, as one text per
/// line, so that a difference names the field.
std::vector<std::string> Describe(const CContact& c)
{
    std::vector<std::string> out{"name " + c.FirstName.ToUtf8() + "|" + c.LastName.ToUtf8() + "|" +
                                 c.JobTitle.ToUtf8()};
    for (int i = 0; i < c.GetOrganizationCount(); ++i) {
        const COrganization* o = c.GetOrganization(i);
        out.push_back("org " + std::to_string(o->GetType()) + " " + o->Company.ToUtf8() + "|" +
                      o->Department.ToUtf8() + "|" + o->Title.ToUtf8());
    }
    for (int i = 0; i < c.GetTelephoneCount(); ++i)
        out.push_back("tel " + std::to_string(c.GetTelephone(i)->GetType()) + " " +
                      c.GetTelephone(i)->GetNumber().ToUtf8());
    for (int i = 0; i < c.GetEmailCount(); ++i)
        out.push_back("email " + std::to_string(c.GetEmail(i)->GetType()) + " " + c.GetEmail(i)->GetEmail().ToUtf8());
    for (int i = 0; i < c.GetURLCount(); ++i)
        out.push_back("url " + std::to_string(c.GetURL(i)->GetType()) + " " + c.GetURL(i)->GetURL().ToUtf8());
    for (int i = 0; i < c.GetAddressCount(); ++i) {
        const CPostalAddress* a = c.GetAddress(i);
        out.push_back("adr " + std::to_string(a->GetType()) + " " + a->Street.ToUtf8() + "|" + a->City.ToUtf8() +
                      "|" + a->State.ToUtf8() + "|" + a->Zip.ToUtf8() + "|" + a->Country.ToUtf8());
    }
    for (int i = 0; i < c.GetCommentCount(); ++i)
        out.push_back("note " + c.GetComment(i).ToUtf8());
    return out;
}

void ExpectSameEvents(const CContact& expected, const CContact& actual)
{
    ASSERT_EQ(expected.GetEventCount(), actual.GetEventCount());
    for (int i = 0; i < expected.GetEventCount(); ++i) {
        EXPECT_EQ(expected.GetEvent(i)->Kind, actual.GetEvent(i)->Kind);
        EXPECT_TRUE(SameDate(expected.GetEvent(i)->Date, actual.GetEvent(i)->Date)) << "event " << i;
    }
}

void FillEverything(CContact& c)
{
    c.FirstName = U("길동");
    c.LastName = U("홍");
    c.JobTitle = Tricky();
    c.NewOrganization(U("바르노 주식회사"), U("개발부"), U("팀장"), 1);
    c.NewOrganization(U(""), U("second"), U(""), 7);
    for (auto [type, number] : {std::pair{32u, "010-1234-5678"}, {1u, ""}, {36u, "+82 (2) 123"}, {1u, "p#*w"}}) {
        CTelephoneNumber* t = c.NewTelephone();
        t->SetType(type);
        t->SetNumber(U(number));
    }
    for (auto [type, address] : {std::pair{2u, "hong@example.kr"}, {0u, "'; DELETE FROM contact; --"}}) {
        CEmail* e = c.NewEmail();
        e->SetType(type);
        e->SetEmail(U(address));
    }
    CURL* url = c.NewURL();
    url->SetType(1);
    url->SetURL(U("https://예시.kr/?a=1;b=\"2\""));
    for (std::uint32_t type : {32u, 16u, 2u}) {
        CPostalAddress* a = c.NewAddress();
        a->SetType(type);
        a->Street = U("세종대로 ") + CString::FromUtf8(std::to_string(type));
        a->City = U("서울");
        a->Zip = type == 16 ? U("") : U("04524");
        a->Country = U("대한민국");
    }
    c.NewComment(U("첫 메모"));
    c.NewComment(U(""));
    c.NewComment(U("third; SELECT 1"));
    c.NewContactEvent(Date(1980, 2, 29), CONTACT_EVENT_BIRTHDAY);
    c.NewContactEvent(COleDateTimeNull(), CONTACT_EVENT_ANNIVERSARY);
    c.NewContactEvent(WithStatus(5.5, COleDateTime::invalid), 9);
    c.NewGroup(U("가족"));
}

TEST_F(ContactsTest, RoundTripKeepsEverySubEntryInOrder)
{
    CContacts saved;
    FillEverything(*saved.AddNew());
    saved.AddNew(); // a contact with nothing at all
    ASSERT_EQ(saved.SaveToDB(3, 0, true), 2);
    EXPECT_LT(saved[0]->ContactId, saved[1]->ContactId);
    EXPECT_LT(saved[1]->ContactId, 0x80000000u);

    CContacts loaded;
    ASSERT_EQ(loaded.OpenFromDB(3, 0), 2);
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(loaded[i]->ContactId, saved[i]->ContactId);
        EXPECT_EQ(Describe(*loaded[i]), Describe(*saved[i]));
        ExpectSameEvents(*saved[i], *loaded[i]);
    }
    EXPECT_EQ(loaded[0]->GetGroupCount(), 0) << "group names are not stored";
    EXPECT_EQ(Describe(*loaded[1]), std::vector<std::string>{"name ||"});
}

TEST_F(ContactsTest, BirthDateAndAnniversaryAreTheFirstEventsOfTheirKind)
{
    CContact contact;
    int index = 99;
    COleDateTimeNull date = Date(2000, 1, 1);
    EXPECT_FALSE(contact.GetBirthDate(index, date));
    EXPECT_EQ(index, -1);
    EXPECT_TRUE(SameDate(Date(2000, 1, 1), date)) << "left alone without a birthday";

    contact.NewContactEvent(Date(2010, 6, 1), CONTACT_EVENT_ANNIVERSARY);
    CContactEvent* event = contact.NewContactEvent(COleDateTimeNull(), 7);
    EXPECT_EQ(contact.GetEvent(1), event);
    contact.NewContactEvent(Date(1990, 3, 4), CONTACT_EVENT_BIRTHDAY);
    contact.NewContactEvent(Date(1991, 3, 4), CONTACT_EVENT_BIRTHDAY);

    EXPECT_TRUE(contact.GetBirthDate(index, date));
    EXPECT_EQ(index, 2);
    EXPECT_TRUE(SameDate(Date(1990, 3, 4), date));
    EXPECT_TRUE(contact.GetAnniversary(index, date));
    EXPECT_EQ(index, 0);
    EXPECT_TRUE(SameDate(Date(2010, 6, 1), date));
}

TEST_F(ContactsTest, EntriesAndGroupNamesBelongToTheContactAtOnce)
{
    CContact contact;
    CTelephoneNumber* telephone = contact.NewTelephone();
    EXPECT_EQ(contact.GetTelephoneCount(), 1);
    EXPECT_EQ(contact.GetTelephone(0), telephone);
    EXPECT_EQ(contact.GetTelephone(1), nullptr);
    EXPECT_EQ(contact.GetOrganization(0), nullptr);
    COrganization* organization = contact.NewOrganization(U("company"), U("department"), U("title"), 1);
    EXPECT_EQ(contact.GetOrganization(0), organization);
    EXPECT_EQ(organization->Company.ToUtf8(), "company");
    EXPECT_EQ(organization->Department.ToUtf8(), "department");
    EXPECT_EQ(organization->Title.ToUtf8(), "title");
    EXPECT_EQ(organization->GetType(), 1u);
    EXPECT_EQ(contact.GetComment(0).ToUtf8(), "");
    EXPECT_EQ(contact.NewComment(U("note")), 0);
    EXPECT_EQ(contact.GetComment(0).ToUtf8(), "note");

    EXPECT_EQ(contact.NewGroup(U("Friends")), 0);
    EXPECT_EQ(contact.NewGroup(U("")), 1);
    CString name = U("unchanged");
    EXPECT_FALSE(contact.GetGroup(2, name));
    EXPECT_EQ(name.ToUtf8(), "unchanged");
    EXPECT_TRUE(contact.GetGroup(0, name));
    EXPECT_EQ(name.ToUtf8(), "Friends");
    EXPECT_EQ(contact.GetGroupCount(), 2);
}

TEST_F(ContactsTest, ChangedSubEntriesReplaceTheStoredOnes)
{
    CContacts saved;
    FillEverything(*saved.AddNew());
    ASSERT_EQ(saved.SaveToDB(1, -1, false), 1);

    CContacts contacts;
    ASSERT_EQ(contacts.OpenFromDB(1, 0), 1);
    contacts[0]->GetTelephone(0)->SetNumber(U("011"));
    contacts[0]->NewComment(U("added"));
    contacts[0]->NewGroup(U("in memory only")); // not a stored change
    EXPECT_EQ(contacts.SaveToDB(1, 0, true), 1);

    CContacts reloaded;
    ASSERT_EQ(reloaded.OpenFromDB(1, 0), 1);
    EXPECT_EQ(Describe(*reloaded[0]), Describe(*contacts[0]));
    EXPECT_EQ(reloaded[0]->GetCommentCount(), 4);
    EXPECT_EQ(reloaded.SaveToDB(1, 0, true), 0);
    reloaded[0]->NewGroup(U("names are not data of the store"));
    EXPECT_EQ(reloaded.SaveToDB(1, 0, true), 0);
}

TEST_F(ContactsTest, ProfilesAndGroupsChooseWhatIsLoaded)
{
    CContacts first, second;
    for (const char* name : {"Kim", "Lee", "Park"})
        first.AddNew()->FirstName = U(name);
    second.AddNew()->FirstName = U("Choi");
    ASSERT_EQ(first.SaveToDB(1, 0, true), 3);
    ASSERT_EQ(second.SaveToDB(2, 0, true), 1);

    CContactGroups groups;
    groups.AddNew()->GroupName = U("Work");
    ASSERT_EQ(groups.SaveToDB(1, true), 1);
    CContactGroupPairs links;
    for (int i : {2, 0}) {
        CContactGroupPair* link = links.AddNew();
        link->ContactId = first[i]->ContactId;
        link->GroupId = groups[0]->GroupId;
    }
    ASSERT_EQ(links.SaveToDB(), 2);

    struct Case {
        int profile, groupId;
        std::vector<std::string> names;
    };
    const int work = static_cast<int>(groups[0]->GroupId);
    const Case cases[] = {
        {1, 0, {"Kim", "Lee", "Park"}},
        {2, 0, {"Choi"}},
        {3, 0, {}},
        {1, work, {"Kim", "Park"}},
        {2, work, {}},
        {1, work + 1000, {}},
    };
    for (const Case& c : cases) {
        CContacts loaded;
        EXPECT_EQ(loaded.OpenFromDB(c.profile, c.groupId), static_cast<long>(c.names.size()));
        std::vector<std::string> names;
        for (int i = 0; i < loaded.GetCount(); ++i)
            names.push_back(loaded[i]->FirstName.ToUtf8());
        EXPECT_EQ(names, c.names) << "profile " << c.profile << ", group " << c.groupId;
    }
}

TEST_F(ContactsTest, AFailureHalfwayLeavesTheStoreAndTheIdsAsTheyWere)
{
    CContacts before;
    before.AddNew()->FirstName = U("stored");
    ASSERT_EQ(before.SaveToDB(1, 0, true), 1);
    // A trigger stands in for a failure after some rows of the save went in.
    Sql(m_file, "CREATE TRIGGER fail BEFORE INSERT ON contact_email WHEN NEW.address = 'boom' "
                "BEGIN SELECT RAISE(ABORT, 'injected'); END");
    const std::string bytes = ReadFile(m_file);

    CContacts contacts;
    ASSERT_EQ(contacts.OpenFromDB(1, 0), 1);
    contacts[0]->FirstName = U("changed");
    contacts.AddNew()->NewEmail()->SetEmail(U("fine"));
    contacts.AddNew()->NewEmail()->SetEmail(U("boom"));
    contacts.AddNew()->FirstName = U("after");
    const std::uint32_t ids[] = {contacts[0]->ContactId, contacts[1]->ContactId, contacts[2]->ContactId,
                                 contacts[3]->ContactId};

    EXPECT_EQ(contacts.SaveToDB(1, 0, true), STOREERR_WRITE);
    EXPECT_EQ(ReadFile(m_file), bytes);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(contacts[i]->ContactId, ids[i]);

    Sql(m_file, "DROP TRIGGER fail");
    EXPECT_EQ(contacts.SaveToDB(1, 0, true), 4) << "the failed records are still to be written";
    CContacts reloaded;
    EXPECT_EQ(reloaded.OpenFromDB(1, 0), 4);
    EXPECT_EQ(reloaded[0]->FirstName.ToUtf8(), "changed");
}

} // namespace
