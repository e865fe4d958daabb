// CObArray: an array of CObject pointers. It does not own what it points to;
// the store's collections derive from it and take ownership of their records.
#pragma once

#include "platform/CObject.h"

#include <cstddef>
#include <vector>

class VARNO_PLATFORM_EXPORT CObArray : public CObject {
public:
    CObArray() = default;
    CObArray(const CObArray&) = delete;
    CObArray& operator=(const CObArray&) = delete;
    ~CObArray() override;

    [[nodiscard]] int GetSize() const noexcept { return static_cast<int>(m_items.size()); }
    [[nodiscard]] int GetCount() const noexcept { return GetSize(); }
    [[nodiscard]] bool IsEmpty() const noexcept { return m_items.empty(); }
    [[nodiscard]] CObject* GetAt(int i) const { return m_items.at(static_cast<size_t>(i)); }
    CObject* operator[](int i) const { return GetAt(i); }
    void SetAt(int i, CObject* item) { m_items.at(static_cast<size_t>(i)) = item; }
    /// Appends `item`; returns its index.
    int Add(CObject* item)
    {
        m_items.push_back(item);
        return GetSize() - 1;
    }
    /// Removes `count` pointers starting at `i` (the objects are not deleted).
    void RemoveAt(int i, int count = 1);
    /// Removes every pointer (the objects are not deleted).
    void RemoveAll() noexcept { m_items.clear(); }

private:
    std::vector<CObject*> m_items;
};
