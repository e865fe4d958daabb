// CCSVItem: the in-memory table (columns, rows, capacity) and the column
// index of import.
#include "engine/CSVItem.h"

#include "tests/engine/TestItem.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using varno::test::Row;
using varno::test::Show;
using varno::test::TestItem;

TEST(CSVItem, StartsEmptyWithACommaAndRoomForOneRow)
{
    for (int asked : {1, 0, -3}) {
        TestItem item(asked);
        EXPECT_EQ(item.m_nBufferSize, 1) << asked;
    }
    TestItem item;
    EXPECT_EQ(item.GetFieldCount(), 0);
    EXPECT_EQ(item.GetValueCount(), 0);
    EXPECT_EQ(item.m_strSeparator, CString(u","));
    EXPECT_FALSE(item.m_bDateLayout);
    EXPECT_FALSE(item.m_bSubjectLayout);
    EXPECT_EQ(item.m_nBufferSize, 1);
    EXPECT_TRUE(item.RowAt(0).IsEmpty());
    EXPECT_EQ(TestItem(5).m_nBufferSize, 5);
}

TEST(CSVItem, AddValueDoublesTheCapacityAndKeepsRows)
{
    TestItem item;
    const std::vector<CStringArray> rows{Row({"a", "b"}), Row({}), Row({"한", "\"", "x"}), Row({"d"}), Row({"e"})};
    const int capacity[] = {1, 2, 4, 4, 8};
    for (size_t i = 0; i < rows.size(); ++i) {
        CStringArray copy = rows[i];
        item.AddValue(copy);
        copy.Add(u"changed after"); // the table holds its own copy
        EXPECT_EQ(item.GetValueCount(), static_cast<int>(i + 1));
        EXPECT_EQ(item.m_nBufferSize, capacity[i]);
        for (size_t j = 0; j <= i; ++j)
            EXPECT_EQ(item.RowAt(static_cast<int>(j)), rows[j]) << "after " << i << ": " << Show(item.RowAt(j));
    }
    for (int j = item.GetValueCount(); j < item.m_nBufferSize; ++j)
        EXPECT_TRUE(item.RowAt(j).IsEmpty());
}

TEST(CSVItem, AddFieldReplacesTheColumns)
{
    TestItem item;
    CStringArray first = Row({"a", "b", "c"}), second = Row({"x"});
    item.AddField(first);
    item.AddField(second);
    EXPECT_EQ(item.GetFieldCount(), 1);
    EXPECT_EQ(item.m_arrField, second);
    CStringArray none;
    item.AddField(none);
    EXPECT_EQ(item.GetFieldCount(), 0);
}

TEST(CSVItem, SetBufferSizeIgnoresSizesThatWouldLoseRows)
{
    struct Step {
        int size;
        int capacity; // afterwards
    };
    TestItem item;
    CStringArray a = Row({"a"}), b = Row({"b", "c"}), c = Row({"d"});
    item.AddValue(a), item.AddValue(b), item.AddValue(c); // 3 rows in 4
    for (const Step& s : {Step{0, 4}, Step{-5, 4}, Step{2, 4}, Step{10, 10}, Step{3, 3}, Step{3, 3}}) {
        item.SetBufferSize(s.size);
        EXPECT_EQ(item.m_nBufferSize, s.capacity) << s.size;
        EXPECT_EQ(item.GetValueCount(), 3);
        EXPECT_EQ(item.RowAt(0), a);
        EXPECT_EQ(item.RowAt(1), b);
        EXPECT_EQ(item.RowAt(2), c);
    }
    CStringArray d = Row({"e"});
    item.AddValue(d); // full at 3: doubles to 6
    EXPECT_EQ(item.m_nBufferSize, 6);
    EXPECT_EQ(item.RowAt(3), d);
}

struct IndexCase {
    std::vector<const char*> header;
    std::vector<const char*> fileColumns;
    std::vector<int> expected;
};

class CSVItemIndex : public ::testing::TestWithParam<IndexCase> {};

TEST_P(CSVItemIndex, FirstWholeCaseBlindMatchOrMinusOne)
{
    const IndexCase& c = GetParam();
    TestItem item;
    CStringArray header;
    for (const char* name : c.header)
        header.Add(varno::test::U8(name));
    item.AddField(header);
    CStringList columns;
    for (const char* name : c.fileColumns)
        columns.AddTail(varno::test::U8(name));

    CArray<int, const int&> index;
    index.Add(99); // appended to, not cleared
    EXPECT_EQ(item.MakeIndexFileField(index, columns), 1);
    std::vector<int> got(index.begin(), index.end());
    std::vector<int> expected{99};
    expected.insert(expected.end(), c.expected.begin(), c.expected.end());
    EXPECT_EQ(got, expected);
}

INSTANTIATE_TEST_SUITE_P(Table, CSVItemIndex, ::testing::Values(
    IndexCase{{"Name", "PHONE", "Mail"}, {"phone", "Fax", "name"}, {1, -1, 0}},
    IndexCase{{"A", "B", "A"}, {"a"}, {0}},
    IndexCase{{"B", "a", "A"}, {"A", "b", "B"}, {1, 0, 0}},
    IndexCase{{"Name"}, {" name", "name ", "nam", "names"}, {-1, -1, -1, -1}}, // whole, untrimmed
    IndexCase{{"이름", "ÄRGER", "ΣΟΦΟΣ"}, {"ärger", "σοφος", "이름"}, {1, 2, 0}},
    IndexCase{{"x", ""}, {"", "X"}, {1, 0}},
    IndexCase{{}, {"x"}, {-1}},
    IndexCase{{"x"}, {}, {}}));

} // namespace
