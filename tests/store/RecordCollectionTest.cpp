// What every store collection does in memory: AddNew, provisional ids,
// GetAt/operator[], Find, Delete, RemoveAll, and objects of another class.
#include "StoreTestSupport.h"

#include <set>

using namespace storetest;

namespace {

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
    EXPECT_EQ(ids.size(), 3u) << "provisional ids are unique";

    collection.Add(new CObject);
    EXPECT_EQ(collection.GetAt(3), nullptr) << "an object of another class is owned but not typed";
}

TYPED_TEST(RecordCollectionTest, DeleteRemovesAndFreesTheRecord)
{
    TypeParam collection, other;
    auto* first = collection.AddNew();
    collection.AddNew();
    auto* third = collection.AddNew();

    EXPECT_TRUE(collection.Delete(1));
    ASSERT_EQ(collection.GetCount(), 2);
    EXPECT_EQ(collection.GetAt(1), third);
    EXPECT_TRUE(collection.Delete(third));
    EXPECT_EQ(collection.Find(third), -1);
    for (bool deleted : {collection.Delete(1), collection.Delete(-1), collection.Delete(other.AddNew())})
        EXPECT_FALSE(deleted);
    ASSERT_EQ(collection.GetCount(), 1);
    EXPECT_EQ(collection.GetAt(0), first);
    collection.RemoveAll(); // frees: sanitizer builds see leaks and double frees
    EXPECT_EQ(collection.GetCount(), 0);
}

} // namespace
