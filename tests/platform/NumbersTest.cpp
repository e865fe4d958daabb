// The C run-time number readers: what _wtoi and atof make of the start of a
// text, including signs, white space, overflow and the forms atof accepts.
#include "platform/Numbers.h"

#include "platform/CString.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <limits>

namespace varno {
namespace {

TEST(Numbers, ReadLeadingIntReadsAsWtoiDoes)
{
    const std::pair<std::u16string_view, int> cases[] = {
        {u" \t\n\v\f\r42abc", 42}, {u"+7", 7}, {u"-7", -7}, {u"0012", 12}, {u"1e3", 1}, {u"0x10", 0},
        {u"- 7", 0}, {u"+-5", 0}, {u"--5", 0}, {u"abc", 0}, {u"", 0},
        {u"\u00A05", 0}, {u"\uFF15", 0}, // no-break space, full-width 5
        {u"2147483647", INT_MAX}, {u"2147483648", INT_MAX}, {u"99999999999999999999", INT_MAX},
        {u"-2147483648", INT_MIN}, {u"-2147483649", INT_MIN}, {u"-99999999999999999999", INT_MIN},
    };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(ReadLeadingInt(text), expected) << CString(text).ToUtf8();
}

TEST(Numbers, ReadLeadingDoubleReadsAsAtofDoesInTheCLocale)
{
    constexpr double inf = std::numeric_limits<double>::infinity();
    const std::pair<std::string_view, double> cases[] = {
        {" 40939.5xyz", 40939.5}, {"-1.25", -1.25}, {"+2.", 2.0}, {".5", 0.5}, {"31.01.2012", 31.01},
        {"1,5", 1.0}, {"1e3", 1000.0}, {"1e", 1.0}, {"0x10", 16.0}, {"0x1.8p3", 12.0},
        {"inf", inf}, {"-Infinity", -inf}, {"1e999", inf}, {"abc", 0.0}, {"", 0.0}, {"- 1", 0.0},
        {std::string_view("1\0" "2", 3), 1.0}, // a NUL ends the text
    };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(ReadLeadingDouble(text), expected) << text;
    EXPECT_TRUE(std::isnan(ReadLeadingDouble("nan(1)")));
}

} // namespace
} // namespace varno
