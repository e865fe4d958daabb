// A guess at the code page a file was written in, for a host that checks
// the code page it was told before the library reads the file with it:
// code page 1252 decodes nearly every byte, and 949 many pairs of bytes, so
// a file read in the wrong one often decodes cleanly into nonsense.
#pragma once

#include "host/varnohost_export.h"

#include <optional>
#include <string>
#include <string_view>

namespace varno::host {

struct CharsetGuess {
    /// 65001, 1252 or 949; 0 when the guess is a charset that none of them
    /// reads (ISO-8859-2, Shift_JIS, KOI8-R ...) or ICU names none at all.
    unsigned codePage = 0;
    /// ICU's confidence in the guess, 0 to 100: for UTF-8 100 means four or
    /// more multi-byte sequences and no invalid one, 80 one to three; for
    /// EUC-KR 10 means ten pairs of bytes or fewer, and 0 Korean pairs that
    /// ICU did not rate (see GuessCodePage). See kConfidentGuess.
    int confidence = 0;
    /// ICU's name of the charset ("UTF-8", "windows-1252", "EUC-KR" ...);
    /// empty when ICU names none.
    std::string name;
};

/// A host may refuse a file read in code page C when the guess names
/// another code page G with a confidence above this (strictly) and the
/// file also decodes cleanly in G. Measured with ICU 72 on Korean, German,
/// French, Spanish and English files in every code page that holds them,
/// short and long: no wrong guess rose above it, and right ones do for more
/// than ten common Korean syllables in 949 or four UTF-8 characters beyond
/// ASCII. At 80 itself stands UTF-8 with one to three sequences, which a
/// Korean syllable or two in 949 can also be ("홍" is C8 AB, valid UTF-8).
inline constexpr int kConfidentGuess = 80;

/// ICU's charset detector's best guess among the code pages the library
/// reads, from a sample of the file's bytes (the first 1 MiB, say; a
/// character cut at its end does no harm). Only the words that hold a byte
/// above 7F are looked at, so that the ASCII of a mostly-ASCII file, which
/// every candidate reads alike, does not decide. Valid UTF-8 with at least
/// one multi-byte sequence is guessed UTF-8 even where ICU rates a
/// single-byte charset higher: text in 1252 is valid UTF-8 only when it
/// already holds UTF-8 read as 1252. Where ICU's best is ISO-8859-1 or
/// windows-1252 but the bytes above 7F pair up as Korean text in 949 does,
/// the guess is 949 with ICU's confidence in EUC-KR (0 when ICU did not
/// rate it, as for syllables that only 949 has): a few Korean syllables
/// read as Latin letters can reach 98 in ICU's rating of ISO-8859-1.
/// nullopt when every byte is below 80 (ASCII, which every code page reads
/// alike). Marks are not looked for: UTF-16 is for RecogniseUtf16.
[[nodiscard]] VARNO_HOST_EXPORT std::optional<CharsetGuess> GuessCodePage(std::string_view sample);

/// The code page of an ICU charset name: "UTF-8" 65001, "ISO-8859-1" and
/// "windows-1252" 1252, "EUC-KR" 949, any other 0.
[[nodiscard]] VARNO_HOST_EXPORT unsigned CodePageOfCharset(std::string_view icuName);

} // namespace varno::host
