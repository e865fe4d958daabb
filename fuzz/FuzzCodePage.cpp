// The code-page decoders on arbitrary bytes: the whole text at once against
// the same bytes fed to one Decoder in arbitrary pieces (the ASCII fast path
// and ICU's converter state across pieces must agree, and so must the
// offset of the first undecodable byte); a text without bad bytes must
// encode back to the bytes it came from in UTF-8 and 1252; and encoding any
// text, lone surrogates included, must not fail. The file inspector that
// hosts run before an import reads the same bytes as a file, whole and in
// those pieces, and must find the same.
//
// Input: byte 0 picks the code page (1252, 949, 65001) and whether the
// inspector splits at ";" (bit 3), byte 1 seeds the piece lengths; the rest
// is the text.
#include "engine/CSVInspect.h"
#include "platform/CodePage.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace {

void Check(bool ok)
{
    if (!ok)
        __builtin_trap();
}

bool Same(const varno::CSVInspection& a, const varno::CSVInspection& b)
{
    return a.utf16 == b.utf16 && a.nulOffset == b.nulOffset && a.badByteOffset == b.badByteOffset &&
           a.badByteLine == b.badByteLine && a.oddByteOffset == b.oddByteOffset && a.separator == b.separator &&
           a.header == b.header && a.rows == b.rows && a.longRows == b.longRows &&
           a.firstLongRowLine == b.firstLongRowLine && a.shortRows == b.shortRows &&
           a.firstShortRowLine == b.firstShortRowLine && a.openQuoteLine == b.openQuoteLine;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2)
        return 0;
    static const unsigned codePages[] = {1252, 949, 65001};
    const unsigned codePage = codePages[data[0] % 3];
    const bool semicolons = (data[0] & 8) != 0;
    unsigned pieces = data[1] | 1u;
    const unsigned firstPieces = pieces;
    const std::string_view bytes(reinterpret_cast<const char*>(data + 2), size - 2);

    varno::Decoder whole(codePage);
    std::u16string all;
    whole.Decode(bytes, true, all);
    Check(all == MultiByteToWideChar(codePage, bytes));

    varno::Decoder cut(codePage);
    std::u16string joined;
    for (size_t at = 0; at < bytes.size();) {
        const size_t length = std::min<size_t>(bytes.size() - at, pieces % 7 + 1);
        pieces = pieces * 1103515245u + 12345u;
        cut.Decode(bytes.substr(at, length), at + length == bytes.size(), joined);
        at += length;
    }
    if (bytes.empty())
        cut.Decode({}, true, joined);
    Check(joined == all);
    Check(cut.FirstBadByte() == whole.FirstBadByte());
    Check(cut.FirstBadUnit() == whole.FirstBadUnit());
    Check((whole.FirstBadByte() < 0) == (whole.FirstBadUnit() < 0));

    if (whole.FirstBadByte() < 0 && codePage != 949)
        Check(WideCharToMultiByte(codePage, all) == bytes);

    const varno::CSVInspection found = varno::InspectCSV(bytes, codePage, semicolons);
    varno::CSVInspector inspector(codePage, semicolons);
    std::vector<CStringArray> records;
    inspector.OnRecord([&records](CStringArray& values, int64_t) { records.push_back(values); });
    pieces = firstPieces;
    for (size_t at = 0; at < bytes.size();) {
        const size_t length = std::min<size_t>(bytes.size() - at, pieces % 7 + 1);
        pieces = pieces * 1103515245u + 12345u;
        inspector.Feed(bytes.substr(at, length));
        at += length;
    }
    const varno::CSVInspection& cutFound = inspector.Finish();
    Check(Same(found, cutFound));
    // The header, when there is one, and every data row.
    const auto rows = static_cast<int64_t>(records.size());
    Check(rows == found.rows || rows == found.rows + 1);

    // The bytes taken as UTF-16 units, lone surrogates and all, encode in
    // every code page without an exception.
    std::u16string units;
    for (size_t i = 0; i + 1 < bytes.size(); i += 2)
        units += static_cast<char16_t>(static_cast<uint8_t>(bytes[i]) | static_cast<uint8_t>(bytes[i + 1]) << 8);
    for (unsigned target : codePages)
        (void)WideCharToMultiByte(target, units);
    return 0;
}
