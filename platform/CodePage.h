// Code pages: the process's one ANSI code page and conversions between it and
// UTF-16, on ICU.
//
// Supported: 1252 (Western), 949 (Korean) and 65001 (UTF-8). The ANSI code
// page comes from the environment's locale (LC_ALL, LC_CTYPE, LANG, first one
// set): a codeset of EUC-KR/CP949 gives 949, ISO-8859-1/CP1252 gives 1252, and
// anything else (UTF-8, C, POSIX, unset) gives 65001. A host may set it.
//
// Note that the CSV engine also uses 65001 as its marker for "UTF-16 text";
// that marker is a parameter of the engine and never the process setting.
#pragma once

#include "platform/varnoplatform_export.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

constexpr unsigned CP_ACP = 0;      ///< "the ANSI code page of the process"
constexpr unsigned CP_UTF8 = 65001;

/// The code page of a locale's codeset ("EUC-KR", "cp949", "ISO-8859-1",
/// "UTF-8" ...; case, "-" and "_" do not matter): 949, 1252, or 65001 for
/// anything else.
[[nodiscard]] VARNO_PLATFORM_EXPORT unsigned CodePageOfCodeset(std::string_view codeset);
/// The process's ANSI code page (1252, 949 or 65001).
[[nodiscard]] VARNO_PLATFORM_EXPORT unsigned GetACP();
/// Sets the process's ANSI code page; returns false (and changes nothing) for
/// a code page that is not supported. SetACP(CP_ACP) goes back to the locale.
VARNO_PLATFORM_EXPORT bool SetACP(unsigned codePage);
/// Whether `codePage` can be converted (CP_ACP counts).
[[nodiscard]] VARNO_PLATFORM_EXPORT bool IsSupportedCodePage(unsigned codePage) noexcept;

/// Decodes `bytes` in `codePage` (CP_ACP: the process's). Bytes that the code
/// page does not define become U+FFFD. An unsupported code page gives "".
[[nodiscard]] VARNO_PLATFORM_EXPORT std::u16string MultiByteToWideChar(unsigned codePage, std::string_view bytes);
/// Encodes `text` in `codePage` (CP_ACP: the process's). A character that the
/// code page cannot represent becomes a similar one where there is one (the
/// base letter of an accented letter, the ASCII form of a full-width one),
/// else "?". For UTF-8 an unpaired surrogate becomes U+FFFD.
[[nodiscard]] VARNO_PLATFORM_EXPORT std::string WideCharToMultiByte(unsigned codePage, std::u16string_view text);
/// The same into `out`, whose bytes are replaced and whose storage is reused:
/// a writer converting piece after piece allocates only for the first.
VARNO_PLATFORM_EXPORT void WideCharToMultiByte(unsigned codePage, std::u16string_view text, std::string& out);

namespace varno {

/// Decodes the bytes of one code page a piece at a time, giving exactly the
/// text that MultiByteToWideChar gives for all the pieces at once (a
/// character cut between two pieces comes out whole), and notes the first
/// byte that the code page does not define: an illegal sequence or an
/// unassigned byte. Such bytes still become U+FFFD in the text; a U+FFFD
/// that the bytes really encode (EF BF BD in UTF-8) is text like any other
/// and is not noted. The library reads files with it; hosts use the note to
/// check a file before handing it to the library.
class VARNO_PLATFORM_EXPORT Decoder {
public:
    /// `codePage` as for MultiByteToWideChar (CP_ACP: the process's, as it
    /// is now). An unsupported code page decodes everything to nothing.
    explicit Decoder(unsigned codePage);
    ~Decoder();
    Decoder(const Decoder&) = delete;
    Decoder& operator=(const Decoder&) = delete;

    /// Appends the text of `bytes` to `out`. `last` marks the final piece:
    /// an incomplete character at its end then becomes U+FFFD (and counts
    /// as undecodable).
    void Decode(std::string_view bytes, bool last, std::u16string& out);
    /// Offset of the first undecodable byte among all bytes given so far, or
    /// -1 when there is none.
    [[nodiscard]] int64_t FirstBadByte() const noexcept { return m_firstBad; }
    /// Where its U+FFFD stands in the text appended so far (counting every
    /// text of every Decode call), or -1.
    [[nodiscard]] int64_t FirstBadUnit() const noexcept { return m_firstBadUnit; }

private:
    /// ICU's decoding of `bytes`, which start at `offset` of this piece.
    void DecodeWithIcu(std::string_view bytes, int64_t offset, bool flush, std::u16string& out);

    struct Impl;
    std::unique_ptr<Impl> m_impl;
    int64_t m_firstBad = -1;
    int64_t m_firstBadUnit = -1;
};

} // namespace varno

/// Characters that WideCharToMultiByte on the calling thread could not write
/// as themselves (replaced by a similar character or "?", or an unpaired
/// surrogate written as U+FFFD in UTF-8) since the last reset. Conversions
/// count them always; a host reads and resets the count around a call.
struct ConversionLosses {
    uint64_t count = 0;
    char32_t first = 0; ///< the first such character (0 when none)
};
[[nodiscard]] VARNO_PLATFORM_EXPORT ConversionLosses GetConversionLosses() noexcept;
VARNO_PLATFORM_EXPORT void ResetConversionLosses() noexcept;
/// Adds losses counted on another thread (a library's worker writing part
/// of the same text) to the calling thread's count, as if they were its own.
VARNO_PLATFORM_EXPORT void AddConversionLosses(const ConversionLosses& losses) noexcept;
