// The field guide says which header names fill a field with no --map: the
// auto-mapping must do what it says, and every field has its words.
#include "host/FieldGuide.h"
#include "host/Mapping.h"

#include <gtest/gtest.h>

namespace varno::host {
namespace {

TEST(FieldGuide, EveryHeaderNameItListsIsMappedToItsField)
{
    for (const RecordType& type : RecordTypes()) {
        const std::vector<FieldGuide> guides = DescribeFields(type, "en_US");
        ASSERT_EQ(guides.size(), type.layout().columns.size()) << type.name;
        for (const FieldGuide& guide : guides) {
            SCOPED_TRACE(std::string(type.name) + " " + guide.field);
            EXPECT_FALSE(guide.about.empty());
            for (const std::string& name : guide.headers) {
                Header header;
                header.names.Add(CString::FromUtf8(name));
                const Mapping mapping = AutoMapping(type, header);
                ASSERT_FALSE(mapping.fieldNames.IsEmpty()) << name;
                EXPECT_EQ(mapping.fieldNames.begin()->ToUtf8(), guide.field) << name;
            }
        }
    }
}

TEST(FieldGuide, SaysHowCellsAreReadAndWhichLayoutsFillAField)
{
    const struct {
        const char* type;
        const char* field;
        bool principal;
        std::string inFormat, inLayouts; ///< "" when the field has none
    } rows[] = {
        {"todo", "start_time", false, "(\"3/4/26, 2:30", "the Korean to-do layout: \"시작 날짜\""},
        {"todo", "priority", false, "1 also from High, Hoch, Haute", "\"우선 순위\""},
        {"contact", "TEL_MOBILE1", true, "a \"(0)\" after a country code is dropped",
         "the contacts export of a web mail service: \"Phone N - Value\" by its type"},
        {"contact", "BIRTHDAY", false, "a date and time",
         "\"Birth Year\", \"Birth Month\", \"Birth Day\" (year, month, day)"},
        {"contact", "GROUP_NAME", false, "link the contact to each", "\"Group Membership\""},
        {"memo", "memo", true, "", ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.type) + " " + row.field);
        const std::vector<FieldGuide> guides = DescribeFields(*FindRecordType(row.type), "en_US");
        const auto guide = std::find_if(guides.begin(), guides.end(),
                                        [&](const FieldGuide& g) { return g.field == row.field; });
        ASSERT_NE(guide, guides.end());
        EXPECT_EQ(guide->principal, row.principal);
        if (row.inFormat.empty())
            EXPECT_EQ(guide->format, "");
        else
            EXPECT_NE(guide->format.find(row.inFormat), std::string::npos) << guide->format;
        std::string layouts;
        for (const std::string& layout : guide->layouts)
            layouts += layout + "\n";
        if (row.inLayouts.empty())
            EXPECT_EQ(layouts, "");
        else
            EXPECT_NE(layouts.find(row.inLayouts), std::string::npos) << layouts;
    }
}

} // namespace
} // namespace varno::host
