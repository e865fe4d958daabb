// The code-page decoders on arbitrary bytes: the whole text at once against
// the same bytes fed to one Decoder in arbitrary pieces (the ASCII fast path
// and ICU's converter state across pieces must agree, and so must the
// offset of the first undecodable byte); a text without bad bytes must
// encode back to the bytes it came from in UTF-8 and 1252; and encoding any
// text, lone surrogates included, must not fail.
//
// Input: byte 0 picks the code page (1252, 949, 65001), byte 1 seeds the
// piece lengths; the rest is the text.
#include "platform/CodePage.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace {

void Check(bool ok)
{
    if (!ok)
        __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2)
        return 0;
    static const unsigned codePages[] = {1252, 949, 65001};
    const unsigned codePage = codePages[data[0] % 3];
    unsigned pieces = data[1] | 1u;
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

    // The bytes taken as UTF-16 units, lone surrogates and all, encode in
    // every code page without an exception.
    std::u16string units;
    for (size_t i = 0; i + 1 < bytes.size(); i += 2)
        units += static_cast<char16_t>(static_cast<uint8_t>(bytes[i]) | static_cast<uint8_t>(bytes[i + 1]) << 8);
    for (unsigned target : codePages)
        (void)WideCharToMultiByte(target, units);
    return 0;
}
