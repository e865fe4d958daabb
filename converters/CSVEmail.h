// CCSVEmail: e-mails between the data store and CSV files.
#pragma once

#include "engine/CSVItem.h"
#include "engine/CSVLayout.h"

class VARNO_CSV_EXPORT CCSVEmail : public CCSVItem {
public:
    CCSVEmail() = default;
    ~CCSVEmail() override;

    long Export(int profile, CString path) override;
    /// `count` receives the store's save result; the int and the bool are
    /// not used.
    _en_CSVError Import(long& count, int profile, CString path, CStringList& fieldNames, CStringList& fileColumns,
                        int option, bool flag) override;
    /// `count` receives the number of data rows; profile and option are not used.
    _en_CSVError Count(long& count, int profile, CString path, CStringList& fieldNames, CStringList& fileColumns,
                       int option) override;
    void MakeField() override;
    /// `record` is a CMsgEmail.
    void Make(void* record) override;
    /// `record` is a CMsgEmail; its Box becomes 2 and its Kind 4. Returns 1.
    int Array2Item(void* record, int row, CStringList& fieldNames, CArray<int, const int&>& index) override;

    /// The e-mail layout, for hosts.
    [[nodiscard]] static const varno::CSVLayout& Layout();
};
