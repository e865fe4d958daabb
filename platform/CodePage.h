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

#include <memory>
#include <string>
#include <string_view>

constexpr unsigned CP_ACP = 0;      ///< "the ANSI code page of the process"
constexpr unsigned CP_UTF8 = 65001;

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

namespace varno {

/// Decodes the bytes of one code page a piece at a time, giving exactly the
/// text that MultiByteToWideChar gives for all the pieces at once: a
/// character cut between two pieces comes out whole.
class VARNO_PLATFORM_EXPORT Decoder {
public:
    /// `codePage` as for MultiByteToWideChar (CP_ACP: the process's, as it
    /// is now). An unsupported code page decodes everything to nothing.
    explicit Decoder(unsigned codePage);
    ~Decoder();
    Decoder(const Decoder&) = delete;
    Decoder& operator=(const Decoder&) = delete;

    /// Appends the text of `bytes` to `out`. `last` marks the final piece:
    /// an incomplete character at its end then becomes U+FFFD.
    void Decode(std::string_view bytes, bool last, std::u16string& out);

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

} // namespace varno
