// The vCard reader on arbitrary bytes: it either refuses the text with a
// host Error or hands over rows as wide as the contact layout; every row it
// hands over, written as a 3.0 and a 4.0 vCard, gives lines of at most 75
// octets with CRLF and reads back as exactly one vCard without a refusal.
// The count of the text is the number of rows handed over, or the same
// refusal word for word.
//
// Input: the whole text.
#include "host/Session.h"
#include "host/VCard.h"

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
    using namespace varno::host;
    static const size_t width = FindRecordType("contact")->layout().columns.size();
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::string counted, read;
    try {
        counted = std::to_string(CountVCards(text, "fuzz.vcf"));
    } catch (const Error& error) {
        counted = error.what();
    }
    long long rows = 0;
    try {
        ReadVCards(text, "fuzz.vcf", [&rows](const LayoutRow& row, int64_t line) {
            ++rows;
            Check(row.size() == width && line >= 1);
            for (const int version : {3, 4}) {
                const std::string written = VCardWriter(version).Write(row);
                for (size_t start = 0; start < written.size();) {
                    const size_t end = written.find("\r\n", start);
                    Check(end != std::string::npos && end - start <= 75);
                    start = end + 2;
                }
                int cards = 0;
                try {
                    ReadVCards(written, "written.vcf", [&](const LayoutRow&, int64_t) { ++cards; },
                               [](const std::string&) {});
                } catch (const Error&) {
                    Check(false); // not the outer catch's: what is written must read back
                }
                Check(cards == 1);
            }
        }, [](const std::string& note) { Check(!note.empty()); });
        read = std::to_string(rows);
    } catch (const Error& error) {
        Check(error.GetKind() == Error::Kind::Refused);
        read = error.what();
    }
    Check(counted == read);
    return 0;
}
