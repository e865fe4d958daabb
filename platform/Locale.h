// The user's locale for reading dates (order of day, month and year, month
// names, AM/PM words). It comes from the environment (LC_ALL, LC_TIME, LANG,
// the first one set; "C"/"POSIX" or none give "en_US"); a host may set it.
#pragma once

#include "platform/varnoplatform_export.h"

#include <string>

namespace varno {

/// The locale name in ICU form, for example "en_US", "de_DE", "ko_KR".
[[nodiscard]] VARNO_PLATFORM_EXPORT std::string GetUserLocale();
/// Sets the locale ("de_DE", "ko_KR.UTF-8" and "de-DE" are all accepted; the
/// codeset is dropped). An empty name goes back to the environment.
VARNO_PLATFORM_EXPORT void SetUserLocale(const std::string& name);

} // namespace varno
