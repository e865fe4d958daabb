// CRecordCollection: what every store collection shares. It is an object
// array that owns its records: Delete, RemoveAll and the destructor free
// them. Every object in the array counts as owned, including one put there
// through CObArray::Add.
#pragma once

#include "store/varnodatamgr_export.h"

#include "platform/CObArray.h"

#include <cstdint>
#include <memory>

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

    /// AddNew gives a new record an id from the top of the 32-bit range,
    /// counting down: 0xFFFFFFFF, 0xFFFFFFFE, ... Database keys stay below
    /// 0x80000000, so a provisional id never names a stored record, and links
    /// built before a save are unambiguous within the collection.
    static constexpr std::uint32_t kFirstProvisionalId = 0xFFFFFFFFu;

protected:
    CRecordCollection() = default;
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

private:
    std::uint32_t m_nextProvisionalId = kFirstProvisionalId;
};
