// Internal: the records of a CSV file, read and decoded a piece at a time.
//
// The reader gives exactly the records that splitting the file's whole text
// would give (see CSVCodec_p.h): UTF-16LE after an FF FE mark, otherwise the
// ANSI code page; the text ends at its first zero unit or at the end of the
// file; an odd last byte of a UTF-16 file is ignored. Only the record being
// read and one piece of the file stand in memory, so reading costs memory
// in proportion to the longest record, not to the file.
#pragma once

#include "platform/CFile.h"
#include "platform/CString.h"
#include "platform/CodePage.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace varno::detail {

class RecordReader {
public:
    /// Opens `path` for reading, denying other writers; false when it cannot
    /// be opened.
    [[nodiscard]] bool Open(const CString& path);

    /// The next record, without its line break; valid until the next call.
    /// Nothing once the text is used up. A read error throws CFileException.
    [[nodiscard]] std::optional<std::u16string_view> Next();

private:
    /// Reads and decodes the next piece of the file; false once the text
    /// has ended (end of file or a zero unit).
    bool Fill();

    CFile m_file;
    std::unique_ptr<Decoder> m_decoder; ///< ANSI text; none for UTF-16
    bool m_started = false;             ///< the first bytes (and the encoding) have been read
    bool m_utf16 = false;
    bool m_textEnded = false;
    std::string m_bytes;                ///< the piece being read
    int m_oddByte = -1;                 ///< UTF-16: a byte waiting for its pair

    std::u16string m_text;              ///< decoded text from the current record on
    size_t m_pos = 0;                   ///< where the current record starts
    size_t m_scan = 0;                  ///< how far the current record has been scanned
    bool m_insideQuotes = false;        ///< an odd number of quotes so far in the current record
};

} // namespace varno::detail
