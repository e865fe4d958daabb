// UTF-16 without a mark is recognised by the zero bytes of its ASCII
// characters, which every CSV file has in its first kilobytes (quotes,
// separators, line ends, digits, usually the header). The rules are
// counted in units (byte pairs at even offsets) and read the same pairs
// both ways, so that the two byte orders are told apart by where the
// zeros are and a file with stray NUL bytes is not taken for UTF-16: a NUL
// byte in text makes one unit at most, and rarely two side by side.
#include "host/Utf16.h"

#include <algorithm>

namespace varno::host {

namespace {

struct UnitCounts {
    size_t ascii = 0;    ///< units that are an ASCII text character in this byte order
    size_t adjacent = 0; ///< pairs of such units side by side
    size_t control = 0;  ///< units below U+0020 other than tab, CR and LF (U+0000 included)
};

/// Whether U+00xx is an ASCII text character: printable, tab, CR or LF.
/// (Latin-1 letters are left out: read in the other byte order, Korean
/// syllables such as U+AC00 would look like them.)
bool TextByte(unsigned char c)
{
    return (c >= 0x20 && c < 0x7F) || c == '\t' || c == '\r' || c == '\n';
}

/// The units of `head` read with their high byte at `high` (1: little
/// endian, 0: big endian) of each pair.
UnitCounts Count(std::string_view head, size_t high)
{
    UnitCounts counts;
    bool previous = false;
    for (size_t i = 0; i + 1 < head.size(); i += 2) {
        const auto hi = static_cast<unsigned char>(head[i + high]);
        const auto lo = static_cast<unsigned char>(head[i + 1 - high]);
        const bool ascii = hi == 0 && TextByte(lo);
        counts.ascii += ascii;
        counts.adjacent += ascii && previous;
        counts.control += hi == 0 && !TextByte(lo) && lo < 0x80;
        previous = ascii;
    }
    return counts;
}

bool LooksLikeUtf16(const UnitCounts& counts, const UnitCounts& otherOrder, size_t units)
{
    return counts.ascii >= 4 && counts.adjacent >= 1 && counts.ascii * 8 >= units &&
           otherOrder.ascii * 8 <= counts.ascii && counts.control * 8 <= counts.ascii;
}

} // namespace

Utf16Form RecogniseUtf16(std::string_view head)
{
    if (head.starts_with("\xFF\xFE"))
        return Utf16Form::None;
    if (head.starts_with("\xFE\xFF"))
        return Utf16Form::BigWithMark;
    head = head.substr(0, kUtf16Head);
    const size_t units = head.size() / 2;
    const UnitCounts little = Count(head, 1);
    const UnitCounts big = Count(head, 0);
    if (LooksLikeUtf16(little, big, units))
        return Utf16Form::LittleNoMark;
    if (LooksLikeUtf16(big, little, units))
        return Utf16Form::BigNoMark;
    return Utf16Form::None;
}

std::string Utf16ToLittleEndian::Convert(std::string_view piece)
{
    const uint64_t start = m_offset;
    m_offset += piece.size();
    if (m_form == Utf16Form::None || m_form == Utf16Form::LittleNoMark)
        return std::string(piece);
    if (m_form == Utf16Form::BigWithMark && start < 2) // the mark, which may be cut too
        piece.remove_prefix(std::min<size_t>(piece.size(), static_cast<size_t>(2 - start)));
    std::string out;
    out.reserve(m_pending.size() + piece.size());
    if (!m_pending.empty() && !piece.empty()) {
        out.push_back(piece.front());
        out.push_back(m_pending.front());
        m_pending.clear();
        piece.remove_prefix(1);
    }
    size_t i = 0;
    for (; i + 1 < piece.size(); i += 2) {
        out.push_back(piece[i + 1]);
        out.push_back(piece[i]);
    }
    if (i < piece.size())
        m_pending.assign(1, piece[i]);
    return out;
}

std::string Utf16ToLittleEndian::Finish()
{
    std::string last;
    last.swap(m_pending);
    return last;
}

} // namespace varno::host
