#include "store/Message.h"

CMessage::CMessage() = default;
CMessage::~CMessage() = default;

int CMessage::GetNumberCount() const noexcept
{
    return static_cast<int>(m_numbers.size());
}

CMessageNumber* CMessage::GetNumberAt(int i) const noexcept
{
    return i >= 0 && static_cast<std::size_t>(i) < m_numbers.size() ? m_numbers[static_cast<std::size_t>(i)].get()
                                                                    : nullptr;
}

CMessageNumber* CMessage::NewNumber()
{
    return m_numbers.emplace_back(std::make_unique<CMessageNumber>()).get();
}
