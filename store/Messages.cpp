#include "store/Messages.h"

#include "store/PartyRecordKind_p.h"
#include "store/Schema_p.h"

namespace varno::store {

struct MessageKind : PartyRecordKind<MessageKind, CMessage, CMessageNumber> {
    static constexpr PartyRecordLayout<CMessage, CMessageNumber, 1> kLayout{
        MessageTable, &CMessage::MessageId, {&CMessage::Content}, &CMessage::m_numbers, &CMessageNumber::Number,
        &CMessage::m_state};
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
