// The registry is the library's list of record types as hosts find them,
// and the facade serves exactly the types it lists.
#include "host/Registry.h"
#include "manager/CSVMng.h"

#include <gtest/gtest.h>

#include <memory>
#include <set>

namespace varno::host {
namespace {

TEST(Registry, FindsTypesByNameInAnyCaseOrByCode)
{
    const struct {
        std::string_view word;
        unsigned long code; ///< 0: none
    } rows[] = {
        {"contact", 1}, {"CALENDAR", 2}, {"ToDo", 3}, {"4", 4}, {"5", 5}, {"email", 6},
        {"memos", 0},   {"7", 0},        {"0", 0},    {"", 0},  {"+4", 0}, {"4 ", 0}, {"e-mail", 0},
    };
    for (const auto& row : rows) {
        const RecordType* type = FindRecordType(row.word);
        EXPECT_EQ(type ? type->code : 0, row.code) << row.word;
    }
    EXPECT_EQ(TypeNames(), "contact, calendar, todo, memo, message, email");
    EXPECT_EQ(TypeCodes(), "1 to 6");
    EXPECT_EQ(Counted(*FindRecordType("todo"), 1), "1 to-do item");
    EXPECT_EQ(Counted(*FindRecordType("todo"), 0), "0 to-do items");
    EXPECT_EQ(Counted(*FindRecordType("calendar"), 2), "2 calendar entries");
}

// Each entry is whole: its converter, a layout with a principal field,
// and the facade gives it exactly for the codes the list holds.
TEST(Registry, EveryTypeIsWholeAndTheFacadeServesExactlyThese)
{
    std::set<unsigned long> codes;
    for (const RecordType& type : RecordTypes()) {
        SCOPED_TRACE(std::string(type.name));
        EXPECT_TRUE(codes.insert(type.code).second) << "a code listed twice";
        const std::unique_ptr<CCSVItem> converter(type.create());
        ASSERT_NE(converter, nullptr);
        converter->MakeField();
        const CSVLayout& layout = type.layout();
        ASSERT_EQ(converter->m_arrField.GetSize(), static_cast<int>(layout.columns.size()));
        bool principal = false;
        for (size_t i = 0; i < layout.columns.size(); ++i) {
            EXPECT_EQ(converter->m_arrField[static_cast<int>(i)], CString(layout.columns[i].exportName));
            principal = principal || layout.columns[i].principal;
        }
        EXPECT_TRUE(principal);
        EXPECT_NE(type.loadStored, nullptr);
        EXPECT_NE(type.makeRecords, nullptr);
        EXPECT_EQ(CSVMng::GetLayout(type.code), &layout);
    }
    // What the facade does with the other codes is CSVMngTest's.
    for (unsigned long code : {0ul, 7ul, 100ul})
        EXPECT_EQ(CSVMng::GetLayout(code), nullptr) << code;
}

} // namespace
} // namespace varno::host
