#include "store/MsgEmails.h"

#include "store/Database_p.h"
#include "store/Schema_p.h"

namespace varno::store {

struct EmailKind {
    static const TableSpec& Table() { return EmailTable(); }

    static RecordRows ToRows(const CMsgEmail& r)
    {
        RecordRows rows;
        RowWriter(rows.fields).Int(r.Box).Int(r.Kind).Text(r.Title).Text(r.Content).Date(r.MessageTime);
        rows.children.resize(1);
        for (const auto& a : r.m_addresses)
            RowWriter(rows.children[0].emplace_back()).Int(a->PartyType).Text(a->Address);
        return rows;
    }

    static void FromRows(CMsgEmail& r, const RecordRows& rows)
    {
        RowReader in(rows.fields);
        r.Box = static_cast<std::uint32_t>(in.Int());
        r.Kind = static_cast<std::uint32_t>(in.Int());
        r.Title = in.Text();
        r.Content = in.Text();
        r.MessageTime = in.Date();
        if (rows.children.size() != 1)
            return;
        for (const Row& row : rows.children[0]) {
            RowReader e(row);
            CMsgEmailAddress* a = r.NewEmailAddress();
            a->PartyType = static_cast<std::uint32_t>(e.Int());
            a->Address = e.Text();
        }
    }

    static void SetId(CMsgEmail& r, std::uint32_t id) { r.EmailId = id; }
    static RecordState& State(CMsgEmail& r) { return r.m_state; }
};

} // namespace varno::store

using namespace varno::store;

CMsgEmails::~CMsgEmails() = default;

CMsgEmail* CMsgEmails::GetAt(int i) const
{
    return TypedAt<CMsgEmail>(i);
}

CMsgEmail* CMsgEmails::AddNew()
{
    return AppendNew(&CMsgEmail::EmailId);
}

long CMsgEmails::OpenFromDB(int profile)
{
    return LoadCollection<CMsgEmail, EmailKind>(*this, Filter{"profile = ?1", {profile}}, profile);
}

long CMsgEmails::SaveToDB(int profile)
{
    return SaveCollection<CMsgEmail, EmailKind>(*this, profile);
}

long CMsgEmails::BeginSave(int profile)
{
    return BeginBatches(std::make_unique<BatchWriterOf<CMsgEmail, EmailKind>>(profile));
}
