#include "store/Messages.h"

#include "store/Database_p.h"
#include "store/Schema_p.h"

namespace varno::store {

struct MessageKind {
    static const TableSpec& Table() { return MessageTable(); }

    static RecordRows ToRows(const CMessage& r)
    {
        RecordRows rows;
        RowWriter(rows.fields).Int(r.Box).Int(r.Kind).Text(r.Content).Date(r.MessageTime);
        rows.children.resize(1);
        for (const auto& n : r.m_numbers)
            RowWriter(rows.children[0].emplace_back()).Int(n->PartyType).Text(n->Number);
        return rows;
    }

    static void FromRows(CMessage& r, const RecordRows& rows)
    {
        RowReader in(rows.fields);
        r.Box = static_cast<std::uint32_t>(in.Int());
        r.Kind = static_cast<std::uint32_t>(in.Int());
        r.Content = in.Text();
        r.MessageTime = in.Date();
        if (rows.children.size() != 1)
            return;
        for (const Row& row : rows.children[0]) {
            RowReader e(row);
            CMessageNumber* n = r.NewNumber();
            n->PartyType = static_cast<std::uint32_t>(e.Int());
            n->Number = e.Text();
        }
    }

    static void SetId(CMessage& r, std::uint32_t id) { r.MessageId = id; }
    static RecordState& State(CMessage& r) { return r.m_state; }
};

} // namespace varno::store

using namespace varno::store;

CMessages::~CMessages() = default;

CMessage* CMessages::GetAt(int i) const
{
    return TypedAt<CMessage>(i);
}

CMessage* CMessages::AddNew()
{
    return AppendNew(&CMessage::MessageId);
}

long CMessages::OpenFromDB(int profile)
{
    return LoadCollection<CMessage, MessageKind>(*this, Filter{"profile = ?1", {profile}}, profile);
}

long CMessages::SaveToDB(int profile)
{
    return SaveCollection<CMessage, MessageKind>(*this, profile);
}

long CMessages::BeginSave(int profile)
{
    return BeginBatches(std::make_unique<BatchWriterOf<CMessage, MessageKind>>(profile));
}
