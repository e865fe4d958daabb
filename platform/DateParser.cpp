// Interim: reads only year-month-day with an optional hour:minute[:second].
#include "platform/DateParser.h"

#include <cctype>
#include <vector>

namespace varno {

std::optional<COleDateTime> ParseLocaleDateTime(std::u16string_view text, const std::string& /*locale*/)
{
    std::vector<int> numbers;
    std::vector<char16_t> separators;
    size_t i = 0;
    while (i < text.size()) {
        if (text[i] >= u'0' && text[i] <= u'9') {
            int n = 0;
            for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i)
                n = n * 10 + (text[i] - u'0') % 100000;
            numbers.push_back(n);
        } else {
            separators.push_back(text[i++]);
        }
    }
    if (numbers.size() < 3 || numbers.size() > 6)
        return std::nullopt;
    numbers.resize(6, 0);
    COleDateTime value(numbers[0], numbers[1], numbers[2], numbers[3], numbers[4], numbers[5]);
    if (value.GetStatus() != COleDateTime::valid)
        return std::nullopt;
    return value;
}

} // namespace varno
