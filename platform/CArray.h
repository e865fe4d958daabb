// CArray<TYPE, ARG_TYPE>: a growable array of values. The library uses
// CArray<int, const int&> for the column index built from the host's mapping.
#pragma once

#include <cstddef>
#include <vector>

template <typename TYPE, typename ARG_TYPE = const TYPE&>
class CArray {
public:
    [[nodiscard]] int GetSize() const noexcept { return static_cast<int>(m_items.size()); }
    [[nodiscard]] int GetCount() const noexcept { return GetSize(); }
    [[nodiscard]] bool IsEmpty() const noexcept { return m_items.empty(); }
    [[nodiscard]] const TYPE& GetAt(int i) const { return m_items.at(static_cast<size_t>(i)); }
    TYPE& operator[](int i) { return m_items.at(static_cast<size_t>(i)); }
    const TYPE& operator[](int i) const { return m_items.at(static_cast<size_t>(i)); }
    /// Appends `value`; returns its index.
    int Add(ARG_TYPE value)
    {
        m_items.push_back(value);
        return GetSize() - 1;
    }
    void RemoveAll() noexcept { m_items.clear(); }

    auto begin() const noexcept { return m_items.begin(); }
    auto end() const noexcept { return m_items.end(); }

private:
    std::vector<TYPE> m_items;
};
