// The locale-aware date parser behind COleDateTime::ParseDateTime.
#pragma once

#include "platform/COleDateTime.h"
#include "platform/varnoplatform_export.h"

#include <optional>
#include <string>
#include <string_view>

namespace varno {

/// Reads `text` as a date, a time, or a date followed by a time, written as
/// people write them in `locale` (an ICU locale name such as "en_US").
/// Leading and trailing white space is ignored. A time alone gives that time
/// on 30 December 1899 (day 0); a date alone gives its midnight. Nothing
/// when the text is not a date or names no existing moment of years 100 to
/// 9999.
[[nodiscard]] VARNO_PLATFORM_EXPORT std::optional<COleDateTime> ParseLocaleDateTime(std::u16string_view text,
                                                                                    const std::string& locale);

} // namespace varno
