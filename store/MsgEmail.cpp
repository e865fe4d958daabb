#include "store/MsgEmail.h"

CMsgEmail::CMsgEmail() = default;
CMsgEmail::~CMsgEmail() = default;

int CMsgEmail::GetEmailAddressCount() const noexcept
{
    return static_cast<int>(m_addresses.size());
}

CMsgEmailAddress* CMsgEmail::GetEmailAddressAt(int i) const noexcept
{
    return i >= 0 && static_cast<std::size_t>(i) < m_addresses.size()
               ? m_addresses[static_cast<std::size_t>(i)].get()
               : nullptr;
}

CMsgEmailAddress* CMsgEmail::NewEmailAddress()
{
    return m_addresses.emplace_back(std::make_unique<CMsgEmailAddress>()).get();
}
