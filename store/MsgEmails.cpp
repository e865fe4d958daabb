#include "store/MsgEmails.h"

#include "store/PartyRecordKind_p.h"
#include "store/Schema_p.h"

namespace varno::store {

struct EmailKind : PartyRecordKind<EmailKind, CMsgEmail, CMsgEmailAddress> {
    static constexpr PartyRecordLayout<CMsgEmail, CMsgEmailAddress, 2> kLayout{
        EmailTable, &CMsgEmail::EmailId, {&CMsgEmail::Title, &CMsgEmail::Content}, &CMsgEmail::m_addresses,
        &CMsgEmailAddress::Address, &CMsgEmail::m_state};
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
