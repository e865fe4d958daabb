// CStringArray: an indexed, growable array of CString (one row of values, or
// the column names of a table).
#pragma once

#include "platform/CString.h"

#include <initializer_list>
#include <cstddef>
#include <vector>

class CStringArray {
public:
    CStringArray() = default;
    CStringArray(std::initializer_list<CString> values) : m_items(values) {}

    [[nodiscard]] int GetSize() const noexcept { return static_cast<int>(m_items.size()); }
    [[nodiscard]] int GetCount() const noexcept { return GetSize(); }
    [[nodiscard]] bool IsEmpty() const noexcept { return m_items.empty(); }
    [[nodiscard]] const CString& GetAt(int i) const { return m_items.at(static_cast<size_t>(i)); }
    CString& operator[](int i) { return m_items.at(static_cast<size_t>(i)); }
    const CString& operator[](int i) const { return m_items.at(static_cast<size_t>(i)); }
    void SetAt(int i, const CString& value) { m_items.at(static_cast<size_t>(i)) = value; }
    /// Appends `value`; returns its index.
    int Add(CString value)
    {
        m_items.push_back(std::move(value));
        return GetSize() - 1;
    }
    void RemoveAll() noexcept { m_items.clear(); }
    void SetSize(int size) { m_items.resize(size > 0 ? static_cast<size_t>(size) : 0); }

    auto begin() noexcept { return m_items.begin(); }
    auto end() noexcept { return m_items.end(); }
    auto begin() const noexcept { return m_items.begin(); }
    auto end() const noexcept { return m_items.end(); }

    friend bool operator==(const CStringArray&, const CStringArray&) = default;

private:
    std::vector<CString> m_items;
};
