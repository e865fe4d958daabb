// Feeds arbitrary bytes through the date parsers: the locale-aware parser
// directly and the import dispatcher of the converter base.
//
// Input: byte 0 picks the locale (en_US, en_GB, de_DE, ko_KR) and whether the
// rest is read as UTF-8 or as UTF-16LE units (lone surrogates and NULs
// included); byte 1 picks where the text is cut into the date and time
// columns. A parsed value must be valid and name a moment of years 100 to
// 9999. The dispatcher gives null exactly for an empty date; its locale-aware
// road may give an invalid value (local times in the first hours of year 100
// turn into UTC before the range), but a valid one must be in range.
#include "engine/CSVItem.h"
#include "fuzz/FuzzCommon.h"
#include "platform/DateParser.h"
#include "platform/Locale.h"
#include "tests/engine/TestItem.h"

#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <string>

namespace {

void CheckInRange(const COleDateTime& dt)
{
    const auto f = dt.GetFields();
    if (dt.GetStatus() != COleDateTime::valid || !f || f->year < 100 || f->year > 9999 || f->month < 1 ||
        f->month > 12 || f->day < 1 || f->day > 31 || f->hour < 0 || f->hour > 23 || f->minute < 0 ||
        f->minute > 59 || f->second < 0 || f->second > 59)
        __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2)
        return 0;
    static const char* const locales[] = {"en_US", "en_GB", "de_DE", "ko_KR"};
    const std::string locale = locales[data[0] % 4];
    const bool utf16 = (data[0] & 4) != 0;
    const size_t cut = data[1];
    data += 2, size -= 2;

    CString text;
    if (utf16) {
        std::u16string units;
        for (size_t i = 0; i + 1 < size; i += 2)
            units += static_cast<char16_t>(data[i] | data[i + 1] << 8);
        text = CString(std::move(units));
    } else {
        text = CString::FromUtf8(std::string_view(reinterpret_cast<const char*>(data), size));
    }

    if (auto parsed = varno::ParseLocaleDateTime(text.str(), locale))
        CheckInRange(*parsed);

    varno::SetUserLocale(locale);
    const int at = static_cast<int>(cut % (static_cast<size_t>(text.GetLength()) + 1));
    const CString date = text.Left(at), time = text.Mid(at);
    varno::test::TestItem item;
    const COleDateTimeNull value = item.String2OLEDate(date, time);
    if (value.IsNull() != date.IsEmpty())
        __builtin_trap();
    // The locale road (a date with "-", "/" or ":", or eight characters
    // without "."): what was parsed, or now, turned into UTC, which leaves
    // a moment of the first hours of the year 100 east of UTC invalid.
    const bool localeRoad = date.Find(u'-') >= 0 || date.Find(u'/') >= 0 || date.Find(u':') >= 0 ||
                            (date.GetLength() == 8 && date.Find(u'.') < 0);
    if (localeRoad) {
        if (value.GetStatus() == COleDateTime::valid)
            CheckInRange(value);
    } else if (!date.IsEmpty() && value.GetStatus() != COleDateTime::valid) {
        __builtin_trap(); // a number of days is always valid
    }
    return 0;
}
