// vCard files (versions 2.1, 3.0 and 4.0) translated to and from the
// contact type's own CSV layout (the columns `varnocsv export contact`
// writes), so that importing a .vcf goes through exactly the path of a CSV
// import, and exporting one is the own-layout export re-written.
#pragma once

#include "host/LayoutRow.h"
#include "host/varnohost_export.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace varno::host {

/// The longest logical (unfolded) line a vCard may have: a longer one is
/// refused rather than held (a photo of a few megabytes is the largest
/// honest value).
inline constexpr size_t kVCardLineLimit = 16u << 20;

/// The kinds of loss said one by one; those beyond are said together.
inline constexpr size_t kVCardNoteKinds = 32;

/// Reads the whole text, handing `each` every vCard as a contact row with
/// the line its BEGIN is on. What the layout cannot hold (a third telephone
/// of a kind when the other slots are taken, a photo, a property nothing
/// reads, a date without a year) is said through `note` once per kind,
/// counted, naming `shown` and the first line. A file it cannot read
/// (unterminated BEGIN, END without BEGIN, a vCard inside a vCard, a folded
/// line beyond kVCardLineLimit, bytes that are not UTF-8 in a 3.0 or 4.0
/// vCard, no vCard at all) throws Error(Error::Kind::Refused, ...) naming
/// `shown`, the line and what to do; `each` may have been called by then,
/// and the caller stores nothing.
VARNO_HOST_EXPORT void ReadVCards(std::string_view text, const std::string& shown, const LayoutRowSink& each,
                                  const NoteSink& note);

/// The number of vCards ReadVCards would hand `each` for the same text, or
/// the Error it would throw; says nothing of what the layout cannot hold.
/// Much faster than reading: values are looked at only where they could be
/// refused. `counted`, when given, is called after each vCard counted: the
/// text before it is not looked at again.
[[nodiscard]] VARNO_HOST_EXPORT long long CountVCards(std::string_view text, const std::string& shown,
                                                      const std::function<void()>& counted = {});

/// Writes contacts given in the own layout as vCards.
class VARNO_HOST_EXPORT VCardWriter {
public:
    /// `version` 3 (3.0, the default) or 4 (4.0); any other is taken as 3.
    explicit VCardWriter(int version = 3);
    /// One BEGIN:VCARD..END:VCARD with CRLF line ends, lines folded at 75
    /// octets without splitting a UTF-8 sequence, values escaped. A row
    /// shorter than the layout is read as if its missing cells were empty.
    [[nodiscard]] std::string Write(const LayoutRow& row);
    /// Appends what Write(row) returns to `out`.
    void Write(const LayoutRow& row, std::string& out);

private:
    int m_version;
    std::string m_line; ///< a line being folded
};

} // namespace varno::host
