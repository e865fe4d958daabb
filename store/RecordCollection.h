// CRecordCollection: what every store collection shares. It is an object
// array that owns its records: Delete, RemoveAll and the destructor free
// them. Every object in the array counts as owned, including one put there
// through CObArray::Add.
#pragma once

#include "store/varnodatamgr_export.h"

#include "platform/CObArray.h"

#include <cstdint>
#include <functional>
#include <memory>

namespace varno::store {
class BatchWriter;
} // namespace varno::store

class VARNO_DATA_EXPORT CRecordCollection : public CObArray {
public:
    ~CRecordCollection() override;

    /// Removes record i from the collection and frees it; false (and nothing
    /// done) when i is out of range. The store is not touched: a record
    /// that was saved stays in the database.
    bool Delete(int i);
    /// Removes and frees `record`; false when the collection does not hold it.
    bool Delete(const CObject* record);
    /// Index of `record` in the collection, or -1.
    [[nodiscard]] int Find(const CObject* record) const noexcept;
    /// Removes and frees every record. (CObArray::RemoveAll, reached through
    /// a CObArray pointer, would only drop the pointers.)
    void RemoveAll() noexcept;

    // Large collections a window at a time. An export or import of a large
    // file need not hold every record: a load can hand its records over in
    // windows, and a save can take them in batches within one transaction.

    /// Makes the following loads (OpenFromDB) call `takeWindow` after every
    /// `records` records they append and once more after the last ones;
    /// `takeWindow` may empty the collection. When a load then fails, the
    /// windows already handed over must be discarded: they may be
    /// incomplete. Records loaded in windows remember no digest of what was
    /// stored, so a save writes them whether changed or not. `records` of 0
    /// or no function: loads keep every record.
    void SetLoadWindow(int records, std::function<void()> takeWindow);

    /// After BeginSave (on the collection class, with SaveToDB's
    /// arguments): writes the records the collection now holds that are new
    /// or changed, as SaveToDB would, within the one transaction of the
    /// save, and gives new records their ids at once; the caller may then
    /// empty the collection and fill it again. Returns the number written,
    /// or a StoreError, after which the save is lost and EndSave reports it.
    long SaveBatch();
    /// Commits a save begun with BeginSave: the number of records written by
    /// all its batches, or a StoreError when nothing was written (the ids
    /// given by the batches then name no stored record). A collection
    /// destroyed before EndSave rolls its save back.
    long EndSave();

    /// AddNew gives a new record an id from the top of the 32-bit range,
    /// counting down: 0xFFFFFFFF, 0xFFFFFFFE, ... Database keys stay below
    /// 0x80000000, so a provisional id never names a stored record, and links
    /// built before a save are unambiguous within the collection.
    static constexpr std::uint32_t kFirstProvisionalId = 0xFFFFFFFFu;

protected:
    CRecordCollection();
    /// Record i as a `Record`, or nullptr for an object of another class.
    template <class Record>
    [[nodiscard]] Record* TypedAt(int i) const
    {
        return dynamic_cast<Record*>(CObArray::GetAt(i));
    }
    /// Appends a new `Record` whose id member `id` holds the next provisional
    /// id, and returns it.
    template <class Record>
    Record* AppendNew(std::uint32_t Record::*id)
    {
        auto record = std::make_unique<Record>();
        (*record).*id = NextProvisionalId();
        Add(record.get());
        return record.release();
    }
    /// The next provisional id of this collection.
    std::uint32_t NextProvisionalId() noexcept { return m_nextProvisionalId--; }

    /// BeginSave's common part: starts `writer`'s transaction. 0 or a
    /// StoreError (the writer is then dropped).
    long BeginBatches(std::unique_ptr<varno::store::BatchWriter> writer);

public:
    /// For the store's loads: the window set by SetLoadWindow.
    struct LoadWindow {
        int records = 0;
        std::function<void()> take;
    };
    [[nodiscard]] const LoadWindow& GetLoadWindow() const noexcept { return m_loadWindow; }

private:
    std::uint32_t m_nextProvisionalId = kFirstProvisionalId;
    LoadWindow m_loadWindow;
    std::unique_ptr<varno::store::BatchWriter> m_batch;
    long m_batchResult = 0; ///< records written by the batches so far, or the first failure
};
