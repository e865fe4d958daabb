// CCSVItem: the abstract base of every record converter.
//
// It holds one CSV table in memory while a conversion runs (the column names
// and a growing store of rows), owns the separator, and provides the line
// codec, whole-file reading and writing, and the column mapping of import.
// A converter object serves one operation and is then destroyed.
#pragma once

#include "manager/varnocsvmgr_export.h"
#include "platform/CArray.h"
#include "platform/COleDateTime.h"
#include "platform/CString.h"
#include "platform/CStringArray.h"
#include "platform/CStringList.h"

#include <memory>
#include <string_view>
#include <vector>

namespace varno::detail {
class RecordReader;
class ExportSpool;
class RowPrefetch;
struct Facade;
} // namespace varno::detail

/// Result of import, count, header reading and file reading.
enum _en_CSVError {
    CSVERR_SUCCESS = 0,  ///< the operation completed
    CSVERR_FAIL = 1,     ///< no converter for the type; empty path; no data row after the header
    CSVERR_FILEOPEN = 4, ///< the CSV file cannot be opened for reading
};

class VARNO_CSV_EXPORT CCSVItem {
public:
    /// Separator ",", no columns, room for one row, both layout flags false.
    CCSVItem();
    /// As above with room for `nBufferSize` rows (a size below 1 gives 1).
    explicit CCSVItem(int nBufferSize);
    CCSVItem(const CCSVItem&) = delete;
    CCSVItem& operator=(const CCSVItem&) = delete;
    virtual ~CCSVItem();

    // The six operations every converter supplies, in this order.

    /// Writes all stored records of the converter's type to `path`: the
    /// number of rows written, 0 when there is nothing to export (no file is
    /// written), -1 when the store cannot be read or the file not written.
    virtual long Export(int profile, CString path) = 0;
    /// Reads `path` and adds one store record per data row; `count` receives
    /// the store's save result. Returns the file-reading result on failure.
    virtual _en_CSVError Import(long& count, int profile, CString path, CStringList& fieldNames,
                                CStringList& fileColumns, int option, bool flag) = 0;
    /// As Import without saving; `count` receives the number of records.
    virtual _en_CSVError Count(long& count, int profile, CString path, CStringList& fieldNames,
                               CStringList& fileColumns, int option) = 0;
    /// Puts the converter's own column names into m_arrField.
    virtual void MakeField() = 0;
    /// Appends one row made from one store record.
    virtual void Make(void* record) = 0;
    /// Fills a store record from row `row`: the k-th name of `fieldNames` is
    /// read from column index[k] (-1: not in the file). Returns 1.
    virtual int Array2Item(void* record, int row, CStringList& fieldNames, CArray<int, const int&>& index) = 0;

    // The in-memory table.

    /// Makes the column names a copy of `names` (replaces, does not append).
    void AddField(CStringArray& names);
    /// Appends a copy of `row`, doubling the row capacity when it is full.
    void AddValue(CStringArray& row);
    /// Appends `row` as AddValue does, taking its values instead of copying
    /// them: for rows built only to be appended (the converters' Make).
    void TakeValue(CStringArray&& row);
    [[nodiscard]] int GetFieldCount();
    [[nodiscard]] int GetValueCount();
    /// Changes the row capacity to `nSize`, keeping the rows in use. A size of
    /// 0 or less does nothing; so does a size below the number of rows in use,
    /// since shrinking would lose rows.
    void SetBufferSize(int nSize);
    /// Appends to `index`, for each name of `fileColumns`, the position of the
    /// first column whose name equals it regardless of case, or -1. Returns 1.
    int MakeIndexFileField(CArray<int, const int&>& index, CStringList& fileColumns);

    // The line codec.

    /// Removes the first record (a logical line; line breaks inside quotes
    /// belong to it) from `buffer` and returns it without its line break.
    CString GetLine(CString& buffer);
    /// Splits one record into its values and appends them to `values`. Returns 1.
    int ReadLine(CString line, CStringArray& values);
    /// Joins one row into a record: every value quoted, inner quotes doubled,
    /// empty quoted fields added up to the column count, CR LF at the end.
    /// An empty row gives the empty string.
    CString WriteLine(CStringArray& values);
    /// Position of the separator that ends the first field of `line`, or -1.
    int nextSeparator(CString line);
    /// The separator a header line uses: a tab if it holds one, else a comma.
    CString FindSeparator(CString line);
    /// Sets the separator. The library itself only uses "," and a tab. A
    /// longer separator is written whole by WriteLine while ReadLine skips one
    /// character after it; an empty one makes every record a single field.
    void SetSeparator(CString separator);
    /// Sets the separator to the one character `ch`: taken as a UTF-16 code
    /// unit when `codePage` is 65001, else decoded in the ANSI code page.
    void SetSeparator(unsigned char ch, int codePage);

    // Files.

    /// Writes the column names and all rows to `path` in the ANSI code page
    /// (CR LF line ends, no byte-order mark). Every record text is built
    /// before the file is opened. Returns the number of rows, or -1 when there
    /// are no columns, no rows, or the file cannot be opened.
    long ExportFile(CString path);
    /// Reads `path` whole into the column names (first record) and rows
    /// (every other non-blank record), detecting UTF-16LE by its FF FE mark
    /// and the separator from the header. CSVERR_FAIL for an empty path or
    /// fewer than two non-blank records, CSVERR_FILEOPEN when it cannot be
    /// opened. The two lists are not used here.
    _en_CSVError ImportFile(CString path, CStringList& fieldNames, CStringList& fileColumns);
    /// Decodes a whole file's bytes: UTF-16LE after an FF FE mark (the buffer
    /// must then end with a zero 16-bit unit), otherwise the zero-terminated
    /// bytes in the ANSI code page.
    CString CheckCodePage(unsigned char* bytes);
    /// Fills `fields` with the names of the file's header line.
    /// CSVERR_SUCCESS (also for an empty file: no names) or CSVERR_FILEOPEN.
    _en_CSVError GetField(CString path, CStringArray& fields);

    // Dates. Store records hold UTC; files hold local time as
    // "YYYY-MM-DD hh:mm" (the export format, no seconds).

    /// The export text of a UTC value: its local time in the export format,
    /// or the empty string when the value is null or invalid.
    CString OLEDate2String(COleDateTimeNull dt);
    /// The import dispatcher. A `date` holding "-", "/" or ":" goes to the
    /// locale-aware parser, with `time` joined to it only when `date` holds
    /// no ":" and `time` does; an 8-character `date` without "." is read as
    /// YYYYMMDD with `time`; anything else, the empty text included, is a
    /// number of days (String2OLEDate_Double).
    COleDateTimeNull String2OLEDate(CString date, CString time);
    /// Parses `date`, a space and `time` in the user's locale and turns the
    /// local time into UTC. Text that is no date gives the current time (in
    /// UTC); the result is never null.
    COleDateTimeNull String2NEWOLEDate(CString date, CString time);
    /// A number of days read from the start of the text as atof reads it
    /// (no digits: 0.0), valid, with no time-zone conversion; null for the
    /// empty text.
    COleDateTimeNull String2OLEDate_Double(CString number);
    /// "YYYYMMDD" to "YYYY-MM-DD" for any text of exactly 8 characters;
    /// other texts come back unchanged.
    CString dateFormatChange(CString date);
    /// Month-day-year with "-" between the parts and hour:minute:second,
    /// each part read as _wtoi reads it, turned into UTC. A missing "-" gives
    /// the current time; a missing ":" gives the date at midnight. Fields
    /// that name no moment give an invalid value.
    COleDateTimeNull String2OLEDate_MonthDayYear(CString date, CString time);
    /// Year-month-day hour:minute ("-", "-", " ", ":"), turned into UTC; a
    /// missing separator gives the current time.
    COleDateTimeNull String2OLEDate_YearMonthDayHourMinute(CString text);

    // Large files a window of rows at a time. The facade (CSVMng) sets a
    // row window on the converters it creates, so that an import, count or
    // export holds a bounded number of rows whatever the size of the file,
    // and does every step on the caller's thread. A converter that a host
    // creates itself has no window and keeps every row, exactly as
    // ImportFile and ExportFile describe. CSVPipelinedMng's converters also
    // pipeline their windows: the next window is read, and the one before
    // saved or made into rows, on threads of their own (identical results).

    /// The most rows the table holds at once; 0 for no limit.
    [[nodiscard]] int GetRowWindow() const noexcept { return m_nRowWindow; }
    /// Whether the windows are pipelined over threads (never without a
    /// window).
    [[nodiscard]] bool IsPipelined() const noexcept { return m_bPipelined; }
    /// After an ImportFile with a row window: replaces the rows with the
    /// next ones of the file. False, with no rows left, at the end of the
    /// file (and always without a window, when ImportFile read every row).
    bool ImportNextRows();
    /// During an export: writes the column names (the first time) and the
    /// rows made so far to the export's spool and empties the rows, so that
    /// ExportFile writes them with the rest. Does nothing without a window.
    void SpoolRows();

    // The table; public so that hosts driving a converter directly can read it.
    CString m_strSeparator;                    ///< field separator, "," until a header sets it
    CStringArray m_arrField;                   ///< column names
    std::unique_ptr<CStringArray[]> m_pValue;  ///< m_nBufferSize rows; the first m_nValueCount in use
    int m_nValueCount = 0;                     ///< rows in use
    int m_nBufferSize = 1;                     ///< rows allocated
    bool m_bDateLayout = false;                ///< import: header starts with a date column
    bool m_bSubjectLayout = false;             ///< import: header starts with a subject column

    /// For the converters' field walks: what `select` gives for each name of
    /// `fieldNames`, in list order (a converter passes the position of the
    /// column the name selects, or -1). The answers are kept and given again
    /// while the names stay the same, so a file of many rows compares the
    /// names with the converter's columns once, not once per row.
    template <class Select>
    const std::vector<int>& SelectColumns(CStringList& fieldNames, Select&& select)
    {
        bool same = m_selectedFor.size() == static_cast<size_t>(fieldNames.GetCount());
        auto kept = m_selectedFor.begin();
        for (auto name = fieldNames.begin(); same && name != fieldNames.end(); ++name, ++kept)
            same = *name == *kept;
        if (!same) {
            m_selectedFor.assign(fieldNames.begin(), fieldNames.end());
            m_selected.clear();
            for (const CString& name : fieldNames)
                m_selected.push_back(select(std::u16string_view(name)));
        }
        return m_selected;
    }

private:
    friend struct varno::detail::Facade;
    /// A window of `rows` rows (0: none), pipelined or not.
    void SetRowWindow(int rows, bool pipelined) noexcept
    {
        m_nRowWindow = rows;
        m_bPipelined = rows > 0 && pipelined;
    }
    /// Takes records from m_reader into the table until the window is full
    /// or the text ends.
    void ReadRows();
    /// Splits the records that follow into rows[count], rows[count + 1] ...
    /// until the window is full or the text ends (then true); without a
    /// window `rows` is m_pValue and grows as AddValue would.
    bool TakeRecords(std::unique_ptr<CStringArray[]>& rows, int& count, std::u16string_view separator, bool report);
    /// The text has ended: empties the rows past the last, reports, closes.
    void FinishReading();
    // Pipelined, the next window is read on another thread while the caller
    // makes records of this one; ImportNextRows hands it over.
    void StartPrefetch();
    void StopPrefetch() noexcept;
    /// Writes the header (the first time) and the rows in use to the spool.
    void WriteRowsTo(varno::detail::ExportSpool& spool);
    /// Appends the record text WriteLine gives for `values` to `out`.
    void AppendLine(const CStringArray& values, std::u16string& out) const;

    int m_nRowWindow = 0;                              ///< rows held at once; 0: no limit
    bool m_bPipelined = false;                         ///< windows overlap on threads of their own
    std::unique_ptr<varno::detail::RecordReader> m_reader; ///< the file an import is reading
    int m_nRecordsTaken = 0;                           ///< header and non-blank records read from it
    std::unique_ptr<varno::detail::ExportSpool> m_spool;   ///< an export's text, before the file is opened
    std::unique_ptr<varno::detail::RowPrefetch> m_prefetch; ///< the next window, being read

    std::vector<CString> m_selectedFor; ///< the field names m_selected answers for
    std::vector<int> m_selected;        ///< SelectColumns' answers
};
