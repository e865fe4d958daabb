// A converter with no record type of its own, for testing what the base
// class does: the six record operations do nothing.
#pragma once

#include "engine/CSVItem.h"

namespace varno::test {

class TestItem final : public CCSVItem {
public:
    TestItem() = default;
    explicit TestItem(int bufferSize) : CCSVItem(bufferSize) {}

    long Export(int, CString) override { return -1; }
    _en_CSVError Import(long&, int, CString, CStringList&, CStringList&, int, bool) override { return CSVERR_FAIL; }
    _en_CSVError Count(long&, int, CString, CStringList&, CStringList&, int) override { return CSVERR_FAIL; }
    void MakeField() override {}
    void Make(void*) override {}
    int Array2Item(void*, int, CStringList&, CArray<int, const int&>&) override { return 1; }

    /// Row `i` of the table.
    const CStringArray& RowAt(int i) const { return m_pValue[static_cast<size_t>(i)]; }
};

} // namespace varno::test
