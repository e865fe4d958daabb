#include "store/ContactGroups.h"

#include "store/Database_p.h"
#include "store/Schema_p.h"

namespace varno::store {

struct ContactGroupKind {
    static const TableSpec& Table() { return ContactGroupTable(); }

    static RecordRows ToRows(const CContactGroup& r)
    {
        RecordRows rows;
        RowWriter(rows.fields).Text(r.GroupName);
        return rows;
    }

    static void FromRows(CContactGroup& r, const RecordRows& rows)
    {
        RowReader in(rows.fields);
        r.GroupName = in.Text();
    }

    static void SetId(CContactGroup& r, std::uint32_t id) { r.GroupId = id; }
    static RecordState& State(CContactGroup& r) { return r.m_state; }
};

} // namespace varno::store

using namespace varno::store;

CContactGroups::~CContactGroups() = default;

CContactGroup* CContactGroups::GetAt(int i) const
{
    return TypedAt<CContactGroup>(i);
}

CContactGroup* CContactGroups::AddNew()
{
    return AppendNew(&CContactGroup::GroupId);
}

long CContactGroups::OpenFromDB(int profile)
{
    return LoadCollection<CContactGroup, ContactGroupKind>(*this, Filter{"profile = ?1", {profile}}, profile);
}

long CContactGroups::SaveToDB(int profile, bool /*flag: no effect, see the header*/)
{
    return SaveCollection<CContactGroup, ContactGroupKind>(*this, profile);
}
