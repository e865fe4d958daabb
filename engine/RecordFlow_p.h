// Internal: the export and import flow that every converter shares, over
// the store collection of its record type. Any collection of the store
// serves: the flow uses AddNew, GetAt, GetCount, Delete and RemoveAll, the
// load in windows (SetLoadWindow) and the save in batches (SaveBatch,
// EndSave).
//
// Export: the records are written with the converter's MakeField and one
// Make per record, in collection order, and ExportFile. Import and count:
// ImportFile reads the file, MakeIndexFileField turns the host's column
// names into header positions, and every data row becomes one new record of
// the collection (AddNew) filled by the converter's Array2Item. Both call
// the converter through its virtual operations, so one flow serves all.
//
// How it runs follows the converter's row window. Without one, every row
// and record is held at once. With one, a window of them at a time, each
// step on the caller's thread. Pipelined (CCSVItem::IsPipelined), the steps
// of neighbouring windows overlap on threads of their own (Worker below,
// and the engine's reading ahead, RowPrefetch_p.h): the same steps on the
// same records in the same order, so the results are the same.
#pragma once

#include "engine/CSVItem.h"
#include "platform/CObArray.h"
#include "platform/CodePage.h"
#include "platform/Progress.h"
#include "store/History.h"

#include <future>
#include <type_traits>

namespace varno::detail {

/// No extra step.
struct NoStep {
    template <class... Args>
    void operator()(Args&&...) const noexcept {}
};

/// Removes every record for which `drop(record)` holds, walking from the
/// last index down, so that a removal never shifts a record still to be
/// seen. The store is not touched.
template <class Collection, class Drop>
void DropRecords(Collection& records, Drop&& drop)
{
    for (int i = records.GetCount() - 1; i >= 0; --i)
        if (drop(*records.GetAt(i)))
            records.Delete(i);
}

/// Writes `records` to `path`: 0, with no file written and no column set,
/// when there is none; otherwise ExportFile's result (rows written, or -1).
/// With a row window the rows go to the export's spool a window at a time.
template <class Collection>
long WriteRecords(CCSVItem& converter, const Collection& records, const CString& path)
{
    const int count = records.GetCount();
    if (count == 0)
        return 0;
    converter.MakeField();
    const int window = converter.GetRowWindow();
    for (int i = 0; i < count; ++i) {
        converter.Make(records.GetAt(i));
        if (window > 0 && (i + 1) % window == 0)
            converter.SpoolRows();
    }
    return converter.ExportFile(path);
}

/// Moves every record of `from` to the end of `to`: the records change
/// owner, nothing is freed.
inline void MoveRecords(CObArray& from, CObArray& to)
{
    for (int i = 0; i < from.GetSize(); ++i)
        to.Add(from.GetAt(i));
    from.RemoveAll();
}

/// Pipelined runs only: one task at a time on a thread of its own. Wait
/// gives the task's exception, if it threw, and adds the characters its
/// text conversions could not write to the waiting thread's count, where a
/// host reads them.
class Worker {
public:
    Worker() = default;
    Worker(const Worker&) = delete;
    Worker& operator=(const Worker&) = delete;
    ~Worker()
    {
        if (m_task.valid())
            m_task.wait();
    }
    template <class Task>
    void Start(Task task)
    {
        // A save on the worker belongs to the import the starting thread
        // records, if any.
        m_task = std::async(std::launch::async, [this, task = std::move(task),
                                                 recording = varno::store::CurrentImportRecording()]() mutable {
            const varno::store::ImportRecordingOnThread adopted(std::move(recording));
            task();
            m_losses = GetConversionLosses(); // the thread is new, so these are the task's
        });
    }
    void Wait()
    {
        if (!m_task.valid())
            return;
        m_task.get();
        AddConversionLosses(m_losses);
        m_losses = ConversionLosses();
    }

private:
    std::future<void> m_task;
    ConversionLosses m_losses;
};

/// Export from the store: `open(records)` loads the records (OpenFromDB,
/// negative on failure), those for which `drop(record)` holds are left out
/// (the collection only; the store keeps them), `prepare(records)` may
/// complete the rest (a contact's group names), and they are written as
/// WriteRecords writes them. With a row window the records are loaded,
/// made into rows and spooled a window at a time, and freed once spooled;
/// pipelined, one window is made into rows on a second thread while the
/// load goes on with the next, so two windows are held. Returns -1 when the
/// load fails (no file written), 0 with no file when no record is left,
/// else ExportFile's result.
template <class Collection, class Open, class Drop = NoStep, class Prepare = NoStep>
long ExportRecords(CCSVItem& converter, Collection& records, const CString& path, Open&& open, Drop&& drop = {},
                   Prepare&& prepare = {})
{
    auto keep = [&](Collection& some) {
        if constexpr (!std::is_same_v<std::decay_t<Drop>, NoStep>)
            DropRecords(some, drop);
        prepare(some);
    };
    const int window = converter.GetRowWindow();
    if (window <= 0) {
        if (open(records) < 0)
            return -1;
        keep(records);
        return WriteRecords(converter, records, path);
    }
    long made = 0;
    auto spool = [&](Collection& some) {
        keep(some);
        for (int i = 0; i < some.GetCount(); ++i) {
            if (made++ == 0)
                converter.MakeField();
            converter.Make(some.GetAt(i));
        }
        converter.SpoolRows();
    };
    long opened = 0;
    if (!converter.IsPipelined()) {
        records.SetLoadWindow(window, [&] {
            spool(records);
            records.RemoveAll();
        });
        opened = open(records);
    } else {
        Collection batch; // the window being made into rows; the worker's alone while it runs
        Worker worker;
        records.SetLoadWindow(window, [&] {
            worker.Wait();
            batch.RemoveAll(); // freed by the thread that loaded them, see ReadRecordsInWindows
            MoveRecords(records, batch);
            worker.Start([&] { spool(batch); });
        });
        opened = open(records);
        worker.Wait();
    }
    if (opened < 0)
        return -1;
    return made == 0 ? 0 : converter.ExportFile(path);
}

/// Reads `path` and appends one record per data row to `records`, after any
/// it already holds. `recognise` runs once the column index is built and
/// before the first record is made (a converter recognises foreign layouts
/// there). With a row window the file is read a window of rows at a time,
/// and `afterRows(records)` runs after the records of each window are made
/// (it may save them and empty the collection); without one it runs once.
/// Returns ImportFile's result; on failure nothing is appended.
template <class Collection, class Recognise = NoStep, class AfterRows = NoStep>
_en_CSVError ReadRecords(CCSVItem& converter, const CString& path, CStringList& fieldNames,
                         CStringList& fileColumns, Collection& records, Recognise&& recognise = {},
                         AfterRows&& afterRows = {})
{
    const _en_CSVError result = converter.ImportFile(path, fieldNames, fileColumns);
    if (result != CSVERR_SUCCESS)
        return result;
    CArray<int, const int&> index;
    converter.MakeIndexFileField(index, fileColumns);
    recognise();
    long long made = 0;
    do {
        const int rows = converter.m_nValueCount;
        const long long total = converter.GetRowWindow() > 0 ? 0 : rows; // unknown while reading on
        for (int row = 0; row < rows; ++row) {
            converter.Array2Item(records.AddNew(), row, fieldNames, index);
            if (++made % kProgressEvery == 0)
                ReportProgress(ProgressStage::Records, made, total);
        }
        afterRows(records);
    } while (converter.ImportNextRows());
    ReportProgress(ProgressStage::Records, made, made);
    return CSVERR_SUCCESS;
}

/// ReadRecords for an import, which owns `records`: `work(records)` runs on
/// the records of each window (without a row window once, on all of them),
/// which are freed after it. Pipelined, the records of each window are made
/// in a second collection and then change owner to `records`, where
/// `work(records)` runs on a second thread while the next window's records
/// are made. They are freed here, by the thread that made them: a free from
/// another thread waits on the lock of the maker's heap, which cost more
/// than the freeing itself.
template <class Collection, class Recognise, class Work>
_en_CSVError ReadRecordsInWindows(CCSVItem& converter, const CString& path, CStringList& fieldNames,
                                  CStringList& fileColumns, Collection& records, Recognise&& recognise, Work&& work)
{
    if (!converter.IsPipelined())
        return ReadRecords(converter, path, fieldNames, fileColumns, records, recognise, [&](Collection& window) {
            work(window);
            window.RemoveAll();
        });
    Collection made;
    Worker worker; // waits for its task also when reading throws
    const _en_CSVError result =
        ReadRecords(converter, path, fieldNames, fileColumns, made, recognise, [&](Collection& window) {
            worker.Wait();
            records.RemoveAll();
            MoveRecords(window, records);
            worker.Start([&] { work(records); });
        });
    worker.Wait();
    records.RemoveAll();
    return result;
}

/// Import: reads as ReadRecords does and saves every record in one store
/// save, begun by `begin(records)` (the collection's BeginSave with its
/// SaveToDB arguments). The records are written a window at a time within
/// that save (pipelined, on a second thread while the next window is made,
/// see ReadRecordsInWindows), so at most two windows of them are held;
/// `saved(records)` sees each window's records once they are written and
/// have their ids, before they are freed. `count` receives the save's
/// result (the number of records written, or a StoreError), unexamined.
/// Returns ImportFile's result; on failure nothing is saved and `count`
/// keeps its value.
template <class Collection, class Begin, class Recognise = NoStep, class Saved = NoStep>
_en_CSVError ImportRecords(CCSVItem& converter, const CString& path, CStringList& fieldNames,
                           CStringList& fileColumns, Collection& records, long& count, Begin&& begin,
                           Recognise&& recognise = {}, Saved&& saved = {})
{
    bool begun = false;
    const _en_CSVError result =
        ReadRecordsInWindows(converter, path, fieldNames, fileColumns, records, recognise, [&](Collection& made) {
            if (!begun) {
                begin(made); // a failure shows in SaveBatch and EndSave
                begun = true;
            }
            made.SaveBatch();
            saved(made);
        });
    if (result == CSVERR_SUCCESS)
        count = records.EndSave();
    return result;
}

/// Count: reads `path` as ReadRecords does, with no recognition step, and
/// sets `count` to the number of records made. Each window's records are
/// freed once counted. On failure `count` is left alone.
template <class Collection>
_en_CSVError CountRecords(CCSVItem& converter, const CString& path, CStringList& fieldNames,
                          CStringList& fileColumns, long& count)
{
    Collection records;
    long made = 0;
    const _en_CSVError result =
        ReadRecords(converter, path, fieldNames, fileColumns, records, NoStep{}, [&made](Collection& some) {
            made += some.GetCount();
            some.RemoveAll();
        });
    if (result == CSVERR_SUCCESS)
        count = made;
    return result;
}

} // namespace varno::detail
