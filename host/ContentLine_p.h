// Internal: the end of a content line as the vCard and iCalendar writers
// write it. A writer appends the line's name, parameters and value to its
// output and then ends the line here, so that a line is built in place
// and copied again only in the rare case that it is folded.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace varno::host::detail {

/// The octets a content line may hold before it is folded (RFC 5545 3.1,
/// RFC 6350 3.2); a continuation's leading space counts.
inline constexpr std::size_t kFoldOctets = 75;

/// Ends the content line that begins at `out[start]` and runs to the end of
/// `out`: folds it so that no line holds more than kFoldOctets octets (a
/// continuation begins with a space), never inside a UTF-8 sequence as long
/// as the line has a character boundary to fold at, and appends CR LF.
/// `scratch` holds the line while it is folded (kept by the caller so that
/// its memory serves every line).
inline void EndContentLine(std::string& out, std::size_t start, std::string& scratch)
{
    if (out.size() - start > kFoldOctets) {
        scratch.assign(out, start);
        out.resize(start);
        std::string_view rest = scratch;
        std::size_t room = kFoldOctets;
        while (rest.size() > room) {
            // Back to the start of the character the fold would cut; a run
            // of continuation octets longer than the line (not UTF-8) is cut
            // anyway, after its first octet, so that every line makes way.
            std::size_t cut = room;
            while (cut > 1 && (static_cast<unsigned char>(rest[cut]) & 0xC0) == 0x80)
                --cut;
            out.append(rest.substr(0, cut)).append("\r\n ");
            rest.remove_prefix(cut);
            room = kFoldOctets - 1;
        }
        out.append(rest);
    }
    out.append("\r\n");
}

} // namespace varno::host::detail
