// CCSVMemo: memos between the data store and CSV files.
#pragma once

#include "engine/CSVItem.h"
#include "engine/CSVLayout.h"

class VARNO_CSV_EXPORT CCSVMemo : public CCSVItem {
public:
    CCSVMemo() = default;
    ~CCSVMemo() override;

    long Export(int profile, CString path) override;
    _en_CSVError Import(long& count, int profile, CString path, CStringList& fieldNames, CStringList& fileColumns,
                        int option, bool flag) override;
    _en_CSVError Count(long& count, int profile, CString path, CStringList& fieldNames, CStringList& fileColumns,
                       int option) override;
    void MakeField() override;
    void Make(void* record) override;
    int Array2Item(void* record, int row, CStringList& fieldNames, CArray<int, const int&>& index) override;

    /// The memo layout, for hosts.
    [[nodiscard]] static const varno::CSVLayout& Layout();
};
