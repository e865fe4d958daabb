// (placeholder until the telephone reader lands)
#pragma once
#include "platform/CString.h"
#include <string>
#include <string_view>
namespace varno::host {
struct PhoneVerdict {
    enum Change : unsigned { None = 0, TrunkDropped = 1, Extension = 2, Letters = 4, Word = 8, WordsBeside = 16 };
    unsigned changes = None;
    CString text;
};
PhoneVerdict CheckPhoneCell(std::u16string_view value, const std::string& region);
std::string RegionOfLocale(const std::string& locale);
}
