// The line codec's block search against its plain one: the input's first
// six bytes are the three units sought, the rest the text (UTF-16LE), and
// every start in it must give the same position both ways.
#include "engine/CSVScan_p.h"

#include <cstdint>
#include <cstring>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 6)
        return 0;
    char16_t wanted[3];
    std::memcpy(wanted, data, sizeof wanted);
    std::vector<char16_t> text((size - 6) / 2);
    std::memcpy(text.data(), data + 6, text.size() * 2);
    for (size_t from = 0; from <= text.size(); ++from)
        if (varno::detail::FindFirstOf(text.data(), from, text.size(), wanted[0], wanted[1], wanted[2]) !=
            varno::detail::FindFirstOfPlain(text.data(), from, text.size(), wanted[0], wanted[1], wanted[2]))
            __builtin_trap();
    return 0;
}
