// Internal: where an export's bytes wait until the file can be opened.
//
// A converter builds every record text before it opens the file it writes,
// so that a failure while building leaves no partial file. The bytes wait in
// an unnamed temporary file (in memory only when no temporary file can be
// made), and are copied into the opened file at the end: building costs
// memory in proportion to a window of rows, not to the file.
#pragma once

#include "platform/CFile.h"

#include <string>
#include <string_view>

namespace varno::detail {

class ExportSpool {
public:
    ExportSpool();
    ~ExportSpool();
    ExportSpool(const ExportSpool&) = delete;
    ExportSpool& operator=(const ExportSpool&) = delete;

    /// Appends bytes. Throws CFileException when the temporary file cannot
    /// take them (a full disk).
    void Write(std::string_view bytes);
    /// Writes everything appended so far into `file`, in order.
    void CopyTo(CFile& file);

    bool headerWritten = false; ///< the column names are in
    long rows = 0;              ///< data rows in
    // Kept from one window of rows to the next, so that only the first
    // window allocates them (and their pages).
    std::u16string text; ///< record texts waiting to be converted
    std::string bytes;   ///< their bytes in the code page

private:
    int m_fd = -1;       ///< the temporary file; -1: the bytes are in m_memory
    std::string m_memory;
};

} // namespace varno::detail
