// The locale-aware date parser behind COleDateTime::ParseDateTime.
#pragma once

#include "platform/COleDateTime.h"
#include "platform/varnoplatform_export.h"

#include <optional>
#include <string>
#include <string_view>

namespace varno {

/// Reads `text` as a date, a time, or both (in either order), written as
/// people write them in `locale` (an ICU locale name such as "en_US"; a name
/// ICU does not know gets what ICU falls back to for it).
///
/// - Dates are three numbers separated by "/", "-", "." or spaces, in the
///   order of the locale's short date pattern (en_US 1/31/2012, de_DE
///   31.01.2012, ko_KR 2012. 1. 31.). A number of three or four digits or
///   above 31 is the year, and written first it makes the order
///   year-month-day (2012-01-31 in every locale). With the year last, a
///   month above 12 and a day up to 12 are read the other way round.
/// - A month may be a name or abbreviation of the locale or of English, in
///   any case ("31. Januar 2012", "Jan 31, 2012"); numbers may carry the
///   locale's year, month and day letters ("2012년 1월 31일").
/// - Two-digit years (one or two digits) fall in 1930 to 2029: 00-29 give
///   2000-2029, 30-99 give 1930-1999. Three or four digits are taken as
///   written.
/// - Times are hour:minute or hour:minute:second, with an optional AM/PM
///   word of the locale or of English ("PM", "pm", "p.m.") before or after
///   them; a bare hour before such a word ("3 PM") is read too. 12 AM is
///   00, 12 PM is 12; an hour above 12 with a word is rejected.
/// - White space around the parts is ignored, as is a final "." after the
///   last part.
///
/// A time alone gives that time on 30 December 1899 (day 0); a date alone
/// gives its midnight. Nothing for the empty text, any other letters or
/// characters, more than three date numbers, a field out of its range (month
/// 13, 31 April, 25:00) or a moment outside years 100 to 9999. Safe to call
/// from several threads; the locale's data is looked up once per name.
[[nodiscard]] VARNO_PLATFORM_EXPORT std::optional<COleDateTime> ParseLocaleDateTime(std::u16string_view text,
                                                                                    const std::string& locale);

} // namespace varno
