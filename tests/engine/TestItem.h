// A converter with no record type of its own, for testing the base class.
#pragma once

#include "engine/CSVItem.h"
#include "tests/support/Cells.h"

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

    /// The rows in use.
    std::vector<Texts> Utf8Rows() const
    {
        std::vector<Texts> rows;
        for (int i = 0; i < m_nValueCount; ++i)
            rows.push_back(Utf8(m_pValue[static_cast<size_t>(i)]));
        return rows;
    }
};

} // namespace varno::test
