// What a file would give the library's reader, found without building its
// table: for hosts that check a file before they hand it to the library.
//
// The inspector reads the bytes piece by piece with the reader's own rules
// (the FF FE mark, the ANSI code page, the end of the text at the first zero
// unit, records, fields and the separator of the header) and holds no more
// than the record it is in. Nothing here changes what the library does.
#pragma once

#include "manager/varnocsvmgr_export.h"
#include "platform/CString.h"
#include "platform/CStringArray.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string_view>

namespace varno {

struct CSVInspection {
    bool utf16 = false;            ///< the file starts with FF FE and is read as UTF-16LE
    /// Byte offset of the first zero byte (zero 16-bit unit in UTF-16),
    /// where the reader's text ends; -1 when there is none.
    int64_t nulOffset = -1;
    /// Byte offset of the first byte the code page does not decode (the
    /// reader makes it U+FFFD), and its line, 1 first; -1 and 0 when the
    /// text decodes cleanly. For UTF-16: the first unpaired surrogate, which
    /// the store would keep as U+FFFD.
    int64_t badByteOffset = -1;
    int64_t badByteLine = 0;
    /// UTF-16: the offset of a last byte without its pair (a file cut off
    /// in the middle of a character), which the reader drops; -1 for none.
    int64_t oddByteOffset = -1;
    CString separator;             ///< the header's separator: a tab, a comma, or ";" (see CSVInspector)
    CStringArray header;           ///< the header's names as the file spells them
    int64_t rows = 0;              ///< non-blank data records
    /// The cells of the header, and of the records below, counted as a CSV
    /// reader counts them: a separator at the end of a record starts one
    /// more, empty cell ("hello," has two), which the library's reader does
    /// not make into a value. So a record that ends in an empty cell is as
    /// whole as the header.
    int64_t headerCells = 0;
    /// Data records with more cells than the header, and the line the first
    /// of them starts on.
    int64_t longRows = 0;
    int64_t firstLongRowLine = 0;
    /// Data records with fewer cells than the header.
    int64_t shortRows = 0;
    int64_t firstShortRowLine = 0;
    /// The line on which the last record starts when a quote in it is still
    /// open at the end of the text (the rest of the text is one field); 0
    /// when every quote is closed.
    int64_t openQuoteLine = 0;
};

/// Lines are counted as an editor counts them: CR LF, a lone CR and a lone
/// LF each end one, inside quotes too.
class VARNO_CSV_EXPORT CSVInspector {
public:
    /// `codePage`: the ANSI code page the reader will use (CP_ACP: the
    /// process's). With `semicolons`, a header with no tab, no comma outside
    /// quotes and at least one ";" outside quotes is split at ";" and so is
    /// every record after it; the library itself never does this.
    CSVInspector(unsigned codePage, bool semicolons);
    ~CSVInspector();
    CSVInspector(const CSVInspector&) = delete;
    CSVInspector& operator=(const CSVInspector&) = delete;

    /// Called with the values of the header and of every non-blank data
    /// record, in order, as the reader would split them, and the line the
    /// record starts on. A data record's cells beyond the header's count
    /// (which the reader does not read) are counted but not handed over.
    void OnRecord(std::function<void(CStringArray& values, int64_t line)> onRecord);
    /// No more OnRecord calls (a host that has seen in the header that it
    /// needs no values calls it from its OnRecord); the rows are then only
    /// counted, which is cheaper.
    void StopRecords() noexcept;
    /// The next bytes of the file.
    void Feed(std::string_view bytes);
    /// The separator, once the header has been taken (OnRecord's first call).
    [[nodiscard]] const CString& Separator() const;
    /// Ends the file and returns what was found.
    [[nodiscard]] const CSVInspection& Finish();

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

/// Inspects a whole file held in memory.
[[nodiscard]] VARNO_CSV_EXPORT CSVInspection InspectCSV(std::string_view bytes, unsigned codePage,
                                                        bool semicolons = false);

} // namespace varno
