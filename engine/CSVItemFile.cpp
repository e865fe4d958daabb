// CCSVItem: whole-file reading and writing.
//
// Output is always the ANSI code page with CR LF line ends and no byte-order
// mark; every record text is built before the file is opened. Input is
// UTF-16LE when the file starts with FF FE, otherwise the ANSI code page; the
// text ends at its first zero unit, and an odd last byte of a UTF-16 file is
// ignored. Both directions work a piece at a time (RecordReader_p.h,
// ExportSpool_p.h), so the whole file never stands in memory as bytes or as
// text; with a row window (set by the facade) neither do all of its rows.
// Pipelined, an import reads its next window on another thread
// (RowPrefetch_p.h); otherwise it reads it when ImportNextRows asks.
#include "engine/CSVCodec_p.h"
#include "engine/CSVItem.h"
#include "engine/ExportSpool_p.h"
#include "engine/RecordReader_p.h"
#include "engine/RowPrefetch_p.h"
#include "platform/CFile.h"
#include "platform/CodePage.h"
#include "platform/Progress.h"

#include <climits>
#include <future>
#include <cstring>
#include <new>
#include <string>

namespace {

// Record texts are converted and spooled in pieces of about this many
// UTF-16 units. Every record ends with CR LF, so a piece never cuts a
// character in two, and the pieces convert exactly as the whole would.
constexpr size_t kWriteChunk = 1 << 18;

} // namespace

void CCSVItem::WriteRowsTo(varno::detail::ExportSpool& spool)
{
    std::u16string& text = spool.text;
    auto flush = [&] {
        WideCharToMultiByte(CP_ACP, text, spool.bytes);
        spool.Write(spool.bytes);
        text.clear();
    };
    if (!spool.headerWritten) {
        AppendLine(m_arrField, text);
        spool.headerWritten = true;
    }
    for (int i = 0; i < m_nValueCount; ++i) {
        AppendLine(m_pValue[static_cast<size_t>(i)], text);
        if (text.size() >= kWriteChunk)
            flush();
    }
    flush();
    spool.rows += m_nValueCount;
}

void CCSVItem::SpoolRows()
{
    if (m_nRowWindow <= 0 || GetFieldCount() == 0)
        return;
    if (!m_spool)
        m_spool = std::make_unique<varno::detail::ExportSpool>();
    WriteRowsTo(*m_spool);
    for (int i = 0; i < m_nValueCount; ++i)
        m_pValue[static_cast<size_t>(i)].RemoveAll();
    m_nValueCount = 0;
    varno::ReportProgress(varno::ProgressStage::Writing, m_spool->rows, 0);
}

long CCSVItem::ExportFile(CString path)
{
    std::unique_ptr<varno::detail::ExportSpool> spool = std::move(m_spool);
    const long spooled = spool ? spool->rows : 0;
    if (GetFieldCount() == 0 || m_nValueCount + spooled < 1)
        return -1;
    if (!spool)
        spool = std::make_unique<varno::detail::ExportSpool>();
    WriteRowsTo(*spool);

    CFile file;
    if (!file.Open(path, CFile::modeCreate | CFile::modeWrite | CFile::shareDenyWrite))
        return -1;
    spool->CopyTo(file);
    file.Close();
    varno::ReportProgress(varno::ProgressStage::Writing, spool->rows, spool->rows);
    return spool->rows;
}

_en_CSVError CCSVItem::ImportFile(CString path, CStringList& /*fieldNames*/, CStringList& /*fileColumns*/)
{
    StopPrefetch();
    if (path.IsEmpty())
        return CSVERR_FAIL;
    auto reader = std::make_unique<varno::detail::RecordReader>();
    if (!reader->Open(path))
        return CSVERR_FILEOPEN;
    m_reader = std::move(reader);
    m_nRecordsTaken = 0;
    if (m_nRowWindow > 0)
        SetBufferSize(m_nRowWindow);
    ReadRows();
    const _en_CSVError result = m_nRecordsTaken < 2 ? CSVERR_FAIL : CSVERR_SUCCESS;
    StartPrefetch();
    return result;
}

bool CCSVItem::ImportNextRows()
{
    if (m_prefetch && m_prefetch->done.valid()) {
        m_prefetch->done.get(); // a read error of the next window surfaces here
        std::swap(m_pValue, m_prefetch->rows);
        m_nValueCount = m_prefetch->count;
        if (m_prefetch->ended) {
            FinishReading();
        } else {
            varno::ReportProgress(varno::ProgressStage::Reading, m_nRecordsTaken - 1, 0);
            StartPrefetch();
        }
        return m_nValueCount > 0;
    }
    if (!m_reader)
        return false;
    // The rows keep their values' storage for the next window to reuse.
    m_nValueCount = 0;
    ReadRows();
    return m_nValueCount > 0;
}

void CCSVItem::ReadRows()
{
    if (m_nRecordsTaken == 0) {
        // The first record is the header, even when empty.
        const std::optional<std::u16string_view> record = m_reader->Next();
        if (!record)
            return FinishReading();
        m_strSeparator = FindSeparator(CString(*record));
        CStringArray header;
        varno::detail::SplitRecord(*record, m_strSeparator.str(), header);
        AddField(header);
        m_nRecordsTaken = 1;
    }
    if (TakeRecords(m_pValue, m_nValueCount, m_strSeparator.str(), true))
        FinishReading();
}

bool CCSVItem::TakeRecords(std::unique_ptr<CStringArray[]>& rows, int& count, std::u16string_view separator,
                           bool report)
{
    while (m_nRowWindow <= 0 || count < m_nRowWindow) {
        const std::optional<std::u16string_view> record = m_reader->Next();
        if (!record)
            return true;
        if (record->empty())
            continue; // a blank line gives no values
        // Without a window (and so into m_pValue) the capacity doubles
        // whenever the records taken reach it. A table that held rows before
        // this file (a reused converter) has more rows than records taken,
        // so it must also grow as AddValue would when full.
        if (m_nRowWindow <= 0 && (m_nRecordsTaken >= m_nBufferSize || count >= m_nBufferSize))
            SetBufferSize(m_nBufferSize > INT_MAX / 2 ? INT_MAX : 2 * m_nBufferSize);
        if (count >= m_nBufferSize)
            throw std::bad_alloc(); // more rows than an int counts
        varno::detail::SplitRecordInPlace(*record, separator, rows[static_cast<size_t>(count)]);
        ++count;
        if (m_nRecordsTaken < INT_MAX)
            ++m_nRecordsTaken;
        if (report && m_nRecordsTaken % varno::kProgressEvery == 0)
            varno::ReportProgress(varno::ProgressStage::Reading, m_nRecordsTaken - 1, 0);
    }
    return false; // the window is full: more may follow
}

void CCSVItem::FinishReading()
{
    // Rows past the last one hold nothing.
    for (int i = m_nValueCount; i < m_nBufferSize && m_nRowWindow > 0; ++i)
        m_pValue[static_cast<size_t>(i)].RemoveAll();
    const long long rows = m_nRecordsTaken > 0 ? m_nRecordsTaken - 1 : 0;
    varno::ReportProgress(varno::ProgressStage::Reading, rows, rows);
    m_reader.reset(); // close the file
}

void CCSVItem::StartPrefetch()
{
    if (!m_bPipelined || !m_reader)
        return;
    if (!m_prefetch)
        m_prefetch = std::make_unique<varno::detail::RowPrefetch>(m_nRowWindow);
    varno::detail::RowPrefetch& next = *m_prefetch;
    next.separator = m_strSeparator;
    // The reader and the spare rows belong to this task until ImportNextRows
    // waits for it; the thread that drives the import touches neither.
    next.done = std::async(std::launch::async, [this, &next] {
        next.count = 0;
        next.ended = TakeRecords(next.rows, next.count, next.separator.str(), false);
    });
}

void CCSVItem::StopPrefetch() noexcept
{
    if (m_prefetch && m_prefetch->done.valid())
        m_prefetch->done.wait();
    m_prefetch.reset();
}

CString CCSVItem::CheckCodePage(unsigned char* bytes)
{
    const char* text = reinterpret_cast<const char*>(bytes);
    if (bytes[0] == 0xFF && bytes[1] == 0xFE) {
        std::u16string units;
        for (size_t i = 2; bytes[i] != 0 || bytes[i + 1] != 0; i += 2)
            units += static_cast<char16_t>(bytes[i] | (bytes[i + 1] << 8));
        return CString(std::move(units));
    }
    return CString(MultiByteToWideChar(CP_ACP, std::string_view(text, std::strlen(text))));
}

_en_CSVError CCSVItem::GetField(CString path, CStringArray& fields)
{
    varno::detail::RecordReader reader;
    if (!reader.Open(path))
        return CSVERR_FILEOPEN;
    // Only the header is read and decoded, however large the file.
    const std::u16string_view header = reader.Next().value_or(std::u16string_view());
    fields.RemoveAll();
    m_strSeparator = FindSeparator(CString(header));
    varno::detail::SplitRecord(header, m_strSeparator.str(), fields);
    return CSVERR_SUCCESS;
}
