// (placeholder until the date reader lands)
#pragma once
#include "platform/CString.h"
#include <string>
#include <string_view>
namespace varno::host {
struct DateVerdict {
    enum class Kind { Keep, Replace, NoDate, Unreadable } kind = Kind::Keep;
    CString text;
};
DateVerdict CheckDateCell(std::u16string_view value, std::u16string_view time, bool joinsTime, const std::string& locale);
}
