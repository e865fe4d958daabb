// UTF-16 that the library would misread, and its conversion into the
// UTF-16LE with a byte-order mark that it reads. The library takes a file
// as UTF-16LE only when it starts with FF FE; big-endian UTF-16, and
// UTF-16 without a mark, it reads in the ANSI code page, where the zero
// byte of the first ASCII character ends its text.
#pragma once

#include "host/varnohost_export.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace varno::host {

enum class Utf16Form {
    None,         ///< not UTF-16 that needs converting (FF FE files included: the library reads them)
    LittleNoMark, ///< UTF-16LE without FF FE
    BigWithMark,  ///< UTF-16BE starting with FE FF
    BigNoMark,    ///< UTF-16BE without a mark
};

/// How many of a file's first bytes RecogniseUtf16 looks at.
inline constexpr size_t kUtf16Head = 4096;

/// Recognises, from the first bytes of a file (up to kUtf16Head; more are
/// not looked at), UTF-16 that the library would misread. FE FF is
/// BigWithMark. Without a mark the recogniser needs the zero bytes of
/// ASCII characters: an eighth or more of the units (and at least four,
/// two of them side by side) must be ASCII text (printable, tab, CR, LF)
/// in one byte order, with at most an eighth as many in the other order
/// and at most an eighth as many zero units and control characters
/// (U+0080 to U+00FF count as neither); zeros at odd offsets make
/// LittleNoMark, at even ones BigNoMark. Text with fewer ASCII characters
/// (Korean with hardly a space, quote, comma or line end in its first
/// bytes) is None, as are text in UTF-8, 1252 or 949 (with or without a
/// stray NUL byte), files starting with FF FE, and the empty file.
[[nodiscard]] VARNO_HOST_EXPORT Utf16Form RecogniseUtf16(std::string_view head);

/// Converts the pieces of a file in one of the UTF-16 forms to UTF-16LE
/// without a mark; the caller writes FF FE before the first piece. Pieces
/// come in file order and may be cut anywhere, inside a unit too. A
/// BigWithMark file's FE FF is dropped, so that with the caller's FF FE
/// every byte keeps its offset; for the forms without a mark the offsets
/// move up by the two bytes of FF FE. None and LittleNoMark pass through
/// unchanged.
class VARNO_HOST_EXPORT Utf16ToLittleEndian {
public:
    explicit Utf16ToLittleEndian(Utf16Form form) noexcept : m_form(form) {}

    /// The next piece, converted; the last byte of a unit cut at the end of
    /// the piece waits for the next one.
    [[nodiscard]] std::string Convert(std::string_view piece);
    /// At the end of the file: a last byte without its pair, unchanged (so
    /// that the library, which drops it, and the host's inspection, which
    /// reports it, see the file's odd length); "" when there is none.
    [[nodiscard]] std::string Finish();

private:
    Utf16Form m_form;
    std::uint64_t m_offset = 0; ///< bytes of the file seen so far
    std::string m_pending;      ///< the first byte of a unit cut at the end of the last piece
};

} // namespace varno::host
