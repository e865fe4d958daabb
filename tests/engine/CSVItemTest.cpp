// CCSVItem: the in-memory table (capacity, rows) and the column index of import.
#include "tests/engine/TestItem.h"

#include <gtest/gtest.h>

namespace varno::test {
namespace {

// The table holds copies of its rows. Its capacity starts at 1 at least and
// doubles when full; SetBufferSize takes no size below 1 or below the rows
// held.
TEST(CSVItem, TheTableKeepsItsRowsWhateverItsCapacity)
{
    for (int asked : {0, -3})
        EXPECT_EQ(TestItem(asked).m_nBufferSize, 1) << asked;
    TestItem item;
    const std::vector<Texts> rows{{"a", "b"}, {}, {"한", "\""}, {"d"}, {"e"}, {"f"}};
    const struct { int added, resize, resized; } steps[] = { // capacity after AddValue, after SetBufferSize
        {1, 0, 1}, {2, -5, 2}, {4, 2, 4}, {4, 10, 10}, {10, 5, 5}, {10, 0, 10}};
    for (size_t i = 0; i < rows.size(); ++i) {
        CStringArray row = Array(rows[i]);
        item.AddValue(row);
        row.Add(u"changed after");
        EXPECT_EQ(item.m_nBufferSize, steps[i].added) << i;
        item.SetBufferSize(steps[i].resize);
        EXPECT_EQ(item.m_nBufferSize, steps[i].resized) << i;
        EXPECT_EQ(item.Utf8Rows(), std::vector<Texts>(rows.begin(), rows.begin() + static_cast<long>(i) + 1)) << i;
    }
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
