// Contact groups and contact-group links through a real store file, in the
// order the contact import uses them.
#include "store/ContactGroupPairs.h"
#include "store/ContactGroups.h"
#include "store/Contacts.h"

#include "StoreTestSupport.h"

#include <utility>
#include <vector>

using namespace storetest;

namespace {

class ContactGroupsTest : public TempStore {
protected:
    /// Saves contacts with these first names into `profile`; returns their ids.
    std::vector<std::uint32_t> SaveContacts(int profile, std::vector<const char*> names)
    {
        CContacts contacts;
        for (const char* name : names)
            contacts.AddNew()->FirstName = U(name);
        EXPECT_EQ(contacts.SaveToDB(profile, 0, true), static_cast<long>(names.size()));
        std::vector<std::uint32_t> ids;
        for (int i = 0; i < contacts.GetCount(); ++i)
            ids.push_back(contacts[i]->ContactId);
        return ids;
    }

    static std::vector<std::pair<std::uint32_t, std::uint32_t>> Links(const CContactGroupPairs& pairs)
    {
        std::vector<std::pair<std::uint32_t, std::uint32_t>> out;
        for (int i = 0; i < pairs.GetCount(); ++i)
            out.emplace_back(pairs[i]->ContactId, pairs[i]->GroupId);
        return out;
    }
};

TEST_F(ContactGroupsTest, ANewGroupGetsItsIdAndIsListedWhenReopened)
{
    const auto contactIds = SaveContacts(1, {"홍길동"});
    CContactGroups open;
    ASSERT_EQ(open.OpenFromDB(1), 0);

    CContactGroups created;
    CContactGroup* group = created.AddNew();
    group->GroupName = U("친구 'n' \"가족\"; DROP TABLE contact_group");
    ASSERT_EQ(created.SaveToDB(1, true), 1);
    EXPECT_LT(group->GroupId, 0x80000000u);
    EXPECT_GT(group->GroupId, 0u);

    open.RemoveAll();
    ASSERT_EQ(open.OpenFromDB(1), 1);
    EXPECT_EQ(open[0]->GroupId, group->GroupId);
    EXPECT_EQ(open[0]->GroupName.ToUtf8(), group->GroupName.ToUtf8());

    CContactGroupPairs links;
    CContactGroupPair* link = links.AddNew();
    link->ContactId = contactIds[0];
    link->GroupId = group->GroupId;
    ASSERT_EQ(links.SaveToDB(), 1);
    EXPECT_LT(link->PairId, 0x80000000u);

    CContactGroupPairs loaded;
    ASSERT_EQ(loaded.OpenFromDB(), 1);
    EXPECT_EQ(loaded[0]->PairId, link->PairId);
    EXPECT_EQ(Links(loaded), Links(links));
}

TEST_F(ContactGroupsTest, GroupsBelongToTheirProfileAndLinksToNone)
{
    const auto inFirst = SaveContacts(1, {"Kim", "Lee"});
    const auto inSecond = SaveContacts(2, {"Park"});
    CContactGroups first, second;
    first.AddNew()->GroupName = U("Work");
    first.AddNew()->GroupName = U("");
    second.AddNew()->GroupName = U("Home");
    ASSERT_EQ(first.SaveToDB(1, true), 2);
    ASSERT_EQ(second.SaveToDB(2, false), 1);

    CContactGroups loaded;
    ASSERT_EQ(loaded.OpenFromDB(2), 1);
    EXPECT_EQ(loaded[0]->GroupName.ToUtf8(), "Home");
    loaded.RemoveAll();
    ASSERT_EQ(loaded.OpenFromDB(1), 2);
    EXPECT_EQ(loaded[1]->GroupName.ToUtf8(), "");

    CContactGroupPairs links;
    const std::vector<std::pair<std::uint32_t, std::uint32_t>> wanted = {
        {inFirst[1], first[0]->GroupId},
        {inSecond[0], second[0]->GroupId},
        {inFirst[1], first[0]->GroupId}, // the same membership twice is kept twice
        {inFirst[0], first[1]->GroupId},
    };
    for (auto [contactId, groupId] : wanted) {
        CContactGroupPair* link = links.AddNew();
        link->ContactId = contactId;
        link->GroupId = groupId;
    }
    ASSERT_EQ(links.SaveToDB(), 4);

    CContactGroupPairs all;
    ASSERT_EQ(all.OpenFromDB(), 4);
    EXPECT_EQ(Links(all), wanted);

    all[3]->GroupId = second[0]->GroupId;
    EXPECT_EQ(all.SaveToDB(), 1) << "only the changed link is written";
    CContactGroupPairs reloaded;
    ASSERT_EQ(reloaded.OpenFromDB(), 4);
    EXPECT_EQ(reloaded[3]->GroupId, second[0]->GroupId);
}

TEST_F(ContactGroupsTest, ALinkToAnUnsavedRecordFailsTheWholeSave)
{
    const auto contactIds = SaveContacts(1, {"Kim"});
    CContactGroups groups;
    groups.AddNew()->GroupName = U("Work");
    ASSERT_EQ(groups.SaveToDB(1, true), 1);
    const std::string bytes = ReadFile(m_file);

    CContacts unsaved;
    CContactGroupPairs links;
    CContactGroupPair* good = links.AddNew();
    good->ContactId = contactIds[0];
    good->GroupId = groups[0]->GroupId;
    CContactGroupPair* bad = links.AddNew();
    bad->ContactId = unsaved.AddNew()->ContactId; // provisional: never stored
    bad->GroupId = groups[0]->GroupId;
    const std::uint32_t goodId = good->PairId, badId = bad->PairId;

    EXPECT_EQ(links.SaveToDB(), STOREERR_WRITE);
    EXPECT_EQ(ReadFile(m_file), bytes);
    EXPECT_EQ(good->PairId, goodId);
    EXPECT_EQ(bad->PairId, badId);
    CContactGroupPairs stored;
    EXPECT_EQ(stored.OpenFromDB(), 0);
}

} // namespace
