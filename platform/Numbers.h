// Reading numbers from the start of a text as the C run-time reads them
// (_wtoi for integers, atof for reals), since files written for the phone
// suite are read that way. Both read as much as fits and ignore the rest.
#pragma once

#include "platform/varnoplatform_export.h"

#include <string_view>

namespace varno {

/// The integer at the start of `text`, as _wtoi reads it: leading white
/// space (space, tab, LF, VT, FF, CR) skipped, an optional "+" or "-", then
/// the decimal digits that follow; no digits give 0. A value beyond the
/// range of int gives INT_MAX or INT_MIN.
[[nodiscard]] VARNO_PLATFORM_EXPORT int ReadLeadingInt(std::u16string_view text) noexcept;

/// The real number at the start of `bytes`, as atof reads it in the "C"
/// locale: leading white space skipped, an optional sign, then a decimal
/// number with "." as the decimal point and an optional exponent, a
/// hexadecimal one ("0x1.8p3"), or "inf", "infinity" or "nan" in any case.
/// No number gives 0.0; a number too large gives plus or minus infinity.
[[nodiscard]] VARNO_PLATFORM_EXPORT double ReadLeadingDouble(std::string_view bytes);

} // namespace varno
