// Telephone cells of files that other programs wrote, checked before the
// library reads them.
//
// The library keeps only the digits and "p P w W # * +" of a telephone cell.
// Numbers as people type them then turn into other numbers: the trunk zero
// in "+49 (0)30 1234567" stays ("+490301234567"), an extension is glued on
// ("+1 212-555-0147 x89" gives "+1212555014789"), the letters of
// "1-800-FLOWERS" go except the W ("1800W"), and words keep their p and w
// ("555 1234 (work)" gives "5551234w"). CheckPhoneCell hands the library a
// text that it cleans into the number meant.
#pragma once

#include "platform/CString.h"
#include "host/varnohost_export.h"

#include <string>
#include <string_view>

namespace varno::host {

struct PhoneVerdict {
    /// What was changed, as a set of bits.
    enum Change : unsigned {
        None = 0,
        TrunkDropped = 1, ///< "(0)" after the country code removed
        Extension = 2,    ///< extension written after a pause: "main p extension"
        Letters = 4,      ///< the letters of a vanity number turned into keypad digits
        Word = 8,         ///< no digit at all ("none", "n/a", "-"): `text` is empty
        WordsBeside = 16, ///< words beside the number removed
    };
    unsigned changes = None;
    /// What to hand the library: the cell itself when `changes` is None.
    CString text;
};

/// Checks one telephone cell before the library reads it. `region` is the
/// ISO 3166 region whose national numbers the file holds ("DE", "US"; see
/// RegionOfLocale); numbers starting with "+" are read in their own country.
/// A region libphonenumber does not know is read as "US".
///
/// | cell | text handed | changes |
/// |---|---|---|
/// | empty, or digits with only spaces and "+-()./" ("+1 (212) 555-0147") | the cell | None |
/// | no digit at all ("none", "n/a", "ask Bob", "-") | empty | Word |
/// | "(0)" right after "+CC" or "00CC" ("+49 (0)30 1234567", "0049 (0)30 1234567"), where the country does not dial that zero from abroad | "+49 30 1234567" | TrunkDropped |
/// | the same where it does (libphonenumber's Italian leading zero: "+39 (0)6 12345678"), unless only the number without it is valid ("+1 (0) 212 555 0147" loses it), or where libphonenumber cannot read the number | the cell | None |
/// | an extension libphonenumber finds after the number ("x89", "ext. 89", "extension 89", "#123", ";ext=89", ", 89") | the number as written, "p", the extension's digits: "+1 212-555-0147p89" | Extension |
/// | letters that spell the number (libphonenumber's alpha number) glued to it by "-", "." or nothing and all capitals ("1-800-FLOWERS"), or that make a valid number of `region` as keypad digits ("1 800 flowers") | "1-800-3569377" | Letters |
/// | any other words ("030 4567890 (home)", "Tel. 030 123", "555 1234 work", "Büro: 030 123") | the cell without them, its brackets and the separators left at its ends: "030 4567890" | WordsBeside |
/// | p, P, w or W right after a digit, "#" or "*" ("5551234p89", "5551234w", "5551234pp1") | the cell | None: dial pauses and waits the library keeps |
///
/// Changes combine ("1-800-FLOWERS x12 (shop)": Letters, Extension and
/// WordsBeside). Extension markers ("x", "ext", "extn", "extension",
/// "anexo", "int", "доб") that libphonenumber does not take for one count
/// as words. Pure: no state of its own, safe from any thread; cells of the
/// plain kind are decided without libphonenumber.
[[nodiscard]] VARNO_HOST_EXPORT PhoneVerdict CheckPhoneCell(std::u16string_view value, const std::string& region);

/// The region (ISO 3166, as libphonenumber names it) of a locale name:
/// its own region ("de_DE" gives "DE", "ko_KR.UTF-8" "KR", "sr_Latn_RS"
/// "RS"), else the region ICU finds likeliest for the language ("de" gives
/// "DE", "ko" "KR", "en" "US"); "US" for "C", "POSIX", the empty name and
/// anything else without a region libphonenumber knows, as the user's locale
/// itself falls back to en_US.
[[nodiscard]] VARNO_HOST_EXPORT std::string RegionOfLocale(const std::string& locale);

} // namespace varno::host
