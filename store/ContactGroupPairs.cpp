#include "store/ContactGroupPairs.h"

#include "store/Database_p.h"
#include "store/Schema_p.h"

namespace varno::store {

struct ContactGroupPairKind {
    static const TableSpec& Table() { return ContactGroupPairTable(); }

    static RecordRows ToRows(const CContactGroupPair& r)
    {
        RecordRows rows;
        RowWriter(rows.fields).Int(r.ContactId).Int(r.GroupId);
        return rows;
    }

    static void FromRows(CContactGroupPair& r, const RecordRows& rows)
    {
        RowReader in(rows.fields);
        r.ContactId = static_cast<std::uint32_t>(in.Int());
        r.GroupId = static_cast<std::uint32_t>(in.Int());
    }

    static void SetId(CContactGroupPair& r, std::uint32_t id) { r.PairId = id; }
    static RecordState& State(CContactGroupPair& r) { return r.m_state; }
};

} // namespace varno::store

using namespace varno::store;

CContactGroupPairs::~CContactGroupPairs() = default;

CContactGroupPair* CContactGroupPairs::GetAt(int i) const
{
    return TypedAt<CContactGroupPair>(i);
}

CContactGroupPair* CContactGroupPairs::AddNew()
{
    return AppendNew(&CContactGroupPair::PairId);
}

long CContactGroupPairs::OpenFromDB()
{
    return LoadCollection<CContactGroupPair, ContactGroupPairKind>(*this, Filter{"1", {}}, std::nullopt);
}

long CContactGroupPairs::SaveToDB()
{
    return SaveCollection<CContactGroupPair, ContactGroupPairKind>(*this, std::nullopt);
}
