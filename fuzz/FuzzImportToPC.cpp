// Feeds arbitrary bytes, as a file, through the host-held imports: contacts
// (with their group links rebuilt, option -1, or not) and text messages,
// each column mapped to the converter's field of the same position. Then the
// collections are written back with ExportFromPC, so that whatever import
// built is also something export can walk.
//
// Input: byte 0 picks the converter (bit 0: contacts or messages), the group
// road of contacts (bit 1) and the ANSI code page (byte / 4 % 3); the rest is
// the file.
#include "converters/CSVContact.h"
#include "converters/CSVMessage.h"
#include "fuzz/FuzzCommon.h"
#include "fuzz/ScratchFile.h"
#include "manager/CSVMng.h"
#include "platform/CodePage.h"
#include "store/ContactGroupPairs.h"
#include "store/ContactGroups.h"
#include "store/Contacts.h"
#include "store/Messages.h"

#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

ScratchFile& OutFile()
{
    static ScratchFile file(".out.csv");
    return file;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    const bool contacts = (data[0] & 1) == 0;
    const int option = data[0] & 2 ? -1 : 0;
    SetACP(kFuzzCodePages[data[0] / 4 % 3]);
    ++data, --size;
    if (!InputFile().Write(data, size))
        return 0;
    const RemoveAtEnd removedIn{InputFile()}, removedOut{OutFile()};
    const CString in = CString::FromUtf8(InputFile().Path()), out = CString::FromUtf8(OutFile().Path());
    CStringList fields, columns;
    long count = -7;
    if (contacts) {
        MapByPosition(CCSVContact::Layout(), in, fields, columns);
        CContacts records;
        CContactGroups groups;
        CContactGroupPairs links;
        CCSVContact converter;
        const _en_CSVError result =
            converter.ImportToPC(count, 0, in, fields, columns, &records, &groups, &links, option);
        // Success counts the rows and holds one contact for each.
        if (result == CSVERR_SUCCESS && (count < 0 || count != records.GetSize()))
            __builtin_trap();
        if (result != CSVERR_SUCCESS && (count != -7 || records.GetSize() != 0))
            __builtin_trap();
        (void)CCSVContact().ExportFromPC(0, out, &records, &groups, &links);
    } else {
        MapByPosition(CCSVMessage::Layout(), in, fields, columns);
        CMessages messages;
        CCSVMessage converter;
        const _en_CSVError result = converter.ImportToPC(count, 0, in, fields, columns, &messages);
        if (result == CSVERR_SUCCESS && (count < 0 || count != messages.GetSize()))
            __builtin_trap();
        if (result != CSVERR_SUCCESS && (count != -7 || messages.GetSize() != 0))
            __builtin_trap();
        (void)CCSVMessage().ExportFromPC(0, out, &messages);
    }
    return 0;
}
