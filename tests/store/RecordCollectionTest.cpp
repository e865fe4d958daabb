// What every store collection does in memory: AddNew, ids before a save,
// GetAt/operator[], Find, Delete, RemoveAll, and the run-time type test that
// hosts use on a CObArray pointer.
#include "store/Calendars.h"
#include "store/ContactGroupPairs.h"
#include "store/ContactGroups.h"
#include "store/Contacts.h"
#include "store/Messages.h"
#include "store/MsgEmails.h"

#include <gtest/gtest.h>

#include <set>

namespace {

std::uint32_t IdOf(const CCalendar* r) { return r->CalendarId; }
std::uint32_t IdOf(const CContact* r) { return r->ContactId; }
std::uint32_t IdOf(const CContactGroup* r) { return r->GroupId; }
std::uint32_t IdOf(const CContactGroupPair* r) { return r->PairId; }
std::uint32_t IdOf(const CMessage* r) { return r->MessageId; }
std::uint32_t IdOf(const CMsgEmail* r) { return r->EmailId; }

template <class Collection>
class RecordCollectionTest : public ::testing::Test {};

using Collections =
    ::testing::Types<CCalendars, CContacts, CContactGroups, CContactGroupPairs, CMessages, CMsgEmails>;
TYPED_TEST_SUITE(RecordCollectionTest, Collections);

TYPED_TEST(RecordCollectionTest, AddNewAppendsACountedRecordWithAProvisionalId)
{
    TypeParam collection;
    std::set<std::uint32_t> ids;
    for (int i = 0; i < 3; ++i) {
        auto* record = collection.AddNew();
        ASSERT_NE(record, nullptr);
        EXPECT_EQ(collection.GetCount(), i + 1);
        EXPECT_EQ(collection.GetAt(i), record);
        EXPECT_EQ(collection[i], record);
        EXPECT_EQ(collection.Find(record), i);
        EXPECT_GE(IdOf(record), 0x80000000u) << "a provisional id must not look like a database key";
        ids.insert(IdOf(record));
    }
    EXPECT_EQ(ids.size(), 3u) << "provisional ids must be unique within the collection";

    CObArray* asHostSeesIt = &collection;
    EXPECT_EQ(dynamic_cast<TypeParam*>(asHostSeesIt), &collection);
}

TYPED_TEST(RecordCollectionTest, DeleteRemovesAndFreesTheRecord)
{
    TypeParam collection;
    auto* first = collection.AddNew();
    collection.AddNew();
    auto* third = collection.AddNew();

    EXPECT_TRUE(collection.Delete(1));
    ASSERT_EQ(collection.GetCount(), 2);
    EXPECT_EQ(collection.GetAt(1), third);

    EXPECT_TRUE(collection.Delete(third));
    EXPECT_EQ(collection.GetCount(), 1);
    EXPECT_EQ(collection.Find(third), -1);

    EXPECT_FALSE(collection.Delete(1));
    EXPECT_FALSE(collection.Delete(-1));
    TypeParam other;
    EXPECT_FALSE(collection.Delete(other.AddNew()));
    EXPECT_EQ(collection.GetAt(0), first);

    collection.RemoveAll();
    EXPECT_EQ(collection.GetCount(), 0);
    // Freed records show up as leaks or double frees under the sanitizers.
}

TYPED_TEST(RecordCollectionTest, AnObjectOfAnotherClassIsOwnedButNotTyped)
{
    TypeParam collection;
    collection.Add(new CObject);
    ASSERT_EQ(collection.GetCount(), 1);
    EXPECT_EQ(collection.GetAt(0), nullptr);
}

} // namespace
