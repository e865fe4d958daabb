// contacts_roundtrip: a program built against the installed VarnoCSVMgr
// package. It imports a contacts file (UTF-8, or UTF-16LE with a byte-order
// mark; the library's own 40-column layout or any layout whose columns the
// host library can map by itself) into a fresh store, exports the store,
// imports that export into a second fresh store and exports again.
// The round trip holds when every step moved every record and the two
// exports are the same byte for byte (the first export may differ from the
// input: export writes telephone numbers without their spaces and dashes,
// for example).
//
//   contacts_roundtrip CONTACTS.csv [WORK_FOLDER]
//
// WORK_FOLDER (default: a new folder under $TMPDIR or /tmp, removed at the
// end) receives store-1.db, export-1.csv, store-2.db and export-2.csv.
// Exit status 0 when the round trip holds, 1 when it does not, 2 on bad use.
#include "host/Registry.h"
#include "host/Session.h"
#include "platform/CodePage.h"
#include "store/Store.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>

namespace fs = std::filesystem;

namespace {

std::string ReadAll(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// One generation: `input` into the fresh store `store`, then the store out to
// `output`. Returns whether the file's records all went in and came out.
bool ImportAndExport(const fs::path& input, const fs::path& store, const fs::path& output)
{
    SetStorePath(CString::FromUtf8(store.string()));
    // The host library checks the file and maps its header columns to the
    // contact's fields; it says what it chose and what it noticed through
    // the note callback (here only its warnings are shown), and a refusal
    // is an Error.
    auto warn = [](const std::string& note) {
        if (note.rfind("warning", 0) == 0)
            std::cerr << note << "\n";
    };
    varno::host::Session session({.profile = 1, .fileNameCodePage = 65001, .note = warn});
    const varno::host::RecordType& contacts = *varno::host::FindRecordType("contact");
    try {
        const varno::host::ReadRequest request{input.string(), {}};
        const long inFile = session.Count(contacts, request);
        const long saved = session.Import(contacts, request, -1, false);
        const long exported = session.Export(contacts, {output.string(), {}, {}}).written;
        std::cout << input.filename().string() << ": " << inFile << " contacts in the file, " << saved
                  << " saved to " << store.filename().string() << ", " << exported << " exported to "
                  << output.filename().string() << "\n";
        return inFile > 0 && saved == inFile && exported == inFile;
    } catch (const varno::host::Error& error) {
        std::cerr << "cannot move " << input << " through " << store << ": " << error.what() << "\n";
        return false;
    }
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2 || argc > 3) {
        std::cerr << "usage: contacts_roundtrip CONTACTS.csv [WORK_FOLDER]\n";
        return 2;
    }
    const fs::path input = argv[1];
    fs::path work;
    bool removeWork = false;
    if (argc == 3) {
        work = argv[2];
        fs::create_directories(work);
    } else {
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/contacts_roundtrip-XXXXXX";
        if (!mkdtemp(pattern.data())) {
            std::perror("mkdtemp");
            return 1;
        }
        work = pattern;
        removeWork = true;
    }

    SetACP(65001); // the file is UTF-8 (a UTF-16 file carries its own byte-order mark)
    const bool moved = ImportAndExport(input, work / "store-1.db", work / "export-1.csv") &&
                       ImportAndExport(work / "export-1.csv", work / "store-2.db", work / "export-2.csv");
    const bool same = moved && ReadAll(work / "export-1.csv") == ReadAll(work / "export-2.csv");
    if (same)
        std::cout << "round trip holds: export-1.csv and export-2.csv are the same byte for byte\n";
    else if (moved)
        std::cout << "round trip broken: export-1.csv and export-2.csv differ (kept in " << work << ")\n";

    if (removeWork && (same || !moved))
        fs::remove_all(work);
    return same ? 0 : 1;
}
