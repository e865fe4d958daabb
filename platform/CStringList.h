// CStringList: an ordered list of CString. The host's two import lists
// (field names and file columns) are of this type; they are walked from head
// to tail.
#pragma once

#include "platform/CString.h"

#include <initializer_list>
#include <list>

class CStringList {
public:
    CStringList() = default;
    CStringList(std::initializer_list<CString> values) : m_items(values) {}

    [[nodiscard]] int GetCount() const noexcept { return static_cast<int>(m_items.size()); }
    [[nodiscard]] int GetSize() const noexcept { return GetCount(); }
    [[nodiscard]] bool IsEmpty() const noexcept { return m_items.empty(); }
    void AddTail(CString value) { m_items.push_back(std::move(value)); }
    void AddHead(CString value) { m_items.push_front(std::move(value)); }
    void RemoveAll() noexcept { m_items.clear(); }

    auto begin() noexcept { return m_items.begin(); }
    auto end() noexcept { return m_items.end(); }
    auto begin() const noexcept { return m_items.begin(); }
    auto end() const noexcept { return m_items.end(); }

private:
    std::list<CString> m_items;
};
