#include "platform/CObArray.h"
#include "platform/CObject.h"

#include <stdexcept>

CObject::~CObject() = default;

CObArray::~CObArray() = default;

void CObArray::RemoveAt(int i, int count)
{
    if (i < 0 || count < 0 || static_cast<size_t>(i) + static_cast<size_t>(count) > m_items.size())
        throw std::out_of_range("CObArray::RemoveAt");
    m_items.erase(m_items.begin() + i, m_items.begin() + i + count);
}
