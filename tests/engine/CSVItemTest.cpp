// CCSVItem: the in-memory table (capacity, rows) and the column index of import.
#include "tests/engine/TestItem.h"

#include <gtest/gtest.h>

namespace varno::test {
namespace {

TEST(CSVItem, AddValueDoublesTheCapacityAndKeepsRows)
{
    for (int asked : {0, -3})
        EXPECT_EQ(TestItem(asked).m_nBufferSize, 1) << asked;
    TestItem item;
    const std::vector<Texts> rows{{"a", "b"}, {}, {"한", "\""}, {"d"}, {"e"}};
    const int capacity[] = {1, 2, 4, 4, 8};
    for (size_t i = 0; i < rows.size(); ++i) {
        CStringArray row = Array(rows[i]);
        item.AddValue(row);
        row.Add(u"changed after"); // the table holds its own copy
        EXPECT_EQ(item.m_nBufferSize, capacity[i]) << i;
        EXPECT_EQ(item.Utf8Rows(), std::vector<Texts>(rows.begin(), rows.begin() + static_cast<long>(i) + 1));
    }
}

TEST(CSVItem, SetBufferSizeIgnoresSizesThatWouldLoseRows)
{
    TestItem item;
    item.SetBufferSize(0);
    item.SetBufferSize(-5);
    EXPECT_EQ(item.m_nBufferSize, 1); // an empty table too
    const std::vector<Texts> rows{{"a"}, {"b", "c"}, {"d"}};
    for (const Texts& r : rows) {
        CStringArray row = Array(r);
        item.AddValue(row); // 3 rows in 4
    }
    const std::pair<int, int> steps[] = {{0, 4}, {-5, 4}, {2, 4}, {10, 10}, {3, 3}}; // size, capacity after
    for (const auto& [size, capacity] : steps) {
        item.SetBufferSize(size);
        EXPECT_EQ(item.m_nBufferSize, capacity) << size;
        EXPECT_EQ(item.Utf8Rows(), rows) << size;
    }
    CStringArray row = Array({"e"});
    item.AddValue(row); // full at 3: doubles to 6
    EXPECT_EQ(item.m_nBufferSize, 6);
}

TEST(CSVItem, MakeIndexFileFieldTakesTheFirstWholeCaseBlindMatch)
{
    // The expected index starts with the 99 put there before: MakeIndexFileField appends.
    const struct Case { Texts header, columns; std::vector<int> expected; } cases[] = {
        {{"Name", "PHONE", "Mail"}, {"phone", "Fax", "name"}, {99, 1, -1, 0}},
        {{"A", "B", "a"}, {"a"}, {99, 0}},                                    // the first match wins
        {{"Name"}, {" name", "name ", "nam", "names"}, {99, -1, -1, -1, -1}}, // whole names, untrimmed
        {{"이름", "ÄRGER", "ΣΟΦΟΣ"}, {"ärger", "σοφος", "이름"}, {99, 1, 2, 0}},
        {{}, {"x"}, {99, -1}},
    };
    for (const Case& c : cases) {
        TestItem item;
        CStringArray header = Array(c.header);
        item.AddField(header);
        CStringList columns;
        for (const std::string& name : c.columns)
            columns.AddTail(CString::FromUtf8(name));
        CArray<int, const int&> index;
        index.Add(99);
        EXPECT_EQ(item.MakeIndexFileField(index, columns), 1);
        EXPECT_EQ(std::vector<int>(index.begin(), index.end()), c.expected) << c.columns[0];
    }
}

} // namespace
} // namespace varno::test
