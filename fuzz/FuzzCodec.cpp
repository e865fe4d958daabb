// The line codec against the plain reference model of the tests: GetLine,
// nextSeparator and ReadLine on arbitrary texts, then ImportFile of the same
// text as a file, UTF-8 or UTF-16LE with its mark. Any difference traps.
//
// Input: byte 0 picks the separator for the line operations and the file
// encoding; each further byte is one UTF-16 unit, the bytes 0xF8 to 0xFF
// standing for the units that matter most (a quote, CR, LF, NUL, a lead and
// a trail surrogate, a Korean letter, a separator), so short inputs reach
// every rule of the codec.
#include "engine/CSVInspect.h"
#include "fuzz/ScratchFile.h"
#include "platform/CodePage.h"
#include "tests/engine/CodecReference.h"
#include "tests/engine/TestItem.h"

#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

void Check(bool same)
{
    if (!same)
        __builtin_trap();
}

ScratchFile& File()
{
    static ScratchFile file;
    return file;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    SetACP(65001);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace varno::test;
    if (size == 0 || size > 4096)
        return 0;
    const CString separator = data[0] & 1 ? CString(u"\t") : CString(u",");
    const bool utf16File = (data[0] & 2) != 0;
    static const char16_t special[8] = {u'"', u'\r', u'\n', 0, 0xD83D, 0xDE00, 0xD55C, u','};
    std::u16string text;
    for (size_t i = 1; i < size; ++i)
        text += data[i] >= 0xF8 ? special[data[i] - 0xF8] : static_cast<char16_t>(data[i]);

    varno::test::TestItem item;
    CString ours(text), ref(text);
    while (!ref.IsEmpty()) {
        Check(item.GetLine(ours) == RefGetLine(ref));
        Check(ours == ref);
    }
    Check(ours.IsEmpty());

    item.SetSeparator(separator);
    Check(item.nextSeparator(CString(text)) == RefNextSeparator(CString(text), separator));
    CStringArray a, b;
    item.ReadLine(CString(text), a);
    RefReadLine(CString(text), separator, b);
    Check(a == b);

    // The file road ends the text at its first zero, as the reference is told.
    std::string bytes;
    if (utf16File) {
        bytes = "\xFF\xFE";
        for (char16_t c : text)
            bytes += static_cast<char>(c & 0xFF), bytes += static_cast<char>(c >> 8);
    } else {
        bytes = CString(text).ToUtf8();
    }
    if (!File().Write(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()))
        return 0;
    const RemoveAtEnd removed{File()};
    // Lone surrogates do not survive UTF-8, so the reference reads what the
    // file really holds.
    std::u16string held = utf16File ? text : MultiByteToWideChar(65001, bytes);
    held = held.substr(0, held.find(u'\0'));
    const RefTable expected = RefImport(CString(held));
    varno::test::TestItem file;
    CStringList unused;
    Check(file.ImportFile(CString::FromUtf8(File().Path()), unused, unused) == expected.result);
    Check(file.m_strSeparator == expected.separator);
    Check(file.m_arrField == expected.fields);
    std::vector<CStringArray> rows;
    for (int i = 0; i < file.GetValueCount(); ++i)
        rows.push_back(file.m_pValue[static_cast<size_t>(i)]);
    Check(rows == expected.rows);

    // The inspector counts the header's cells as a CSV reader does, in its
    // own walk over quotes and separators.
    const varno::CSVInspection inspection = varno::InspectCSV(bytes, 65001);
    CString rest(held);
    const CString header = RefGetLine(rest);
    Check(held.empty() || inspection.headerCells == RefCellCount(header, expected.separator));
    return 0;
}
