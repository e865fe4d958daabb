// CCSVMessage: text messages between the data store and CSV files, and
// between CSV files and message collections that a host holds in memory.
#pragma once

#include "engine/CSVItem.h"
#include "engine/CSVLayout.h"
#include "platform/CObArray.h"

class CMessage;

class VARNO_CSV_EXPORT CCSVMessage : public CCSVItem {
public:
    CCSVMessage() = default;
    ~CCSVMessage() override;

    long Export(int profile, CString path) override;
    /// `count` receives the store's save result; the int and the bool are
    /// not used.
    _en_CSVError Import(long& count, int profile, CString path, CStringList& fieldNames, CStringList& fileColumns,
                        int option, bool flag) override;
    /// `count` receives the number of data rows; profile and option are not used.
    _en_CSVError Count(long& count, int profile, CString path, CStringList& fieldNames, CStringList& fileColumns,
                       int option) override;
    void MakeField() override;
    /// `record` is a CMessage.
    void Make(void* record) override;
    /// `record` is a CMessage; its Kind becomes 1. Returns 1.
    int Array2Item(void* record, int row, CStringList& fieldNames, CArray<int, const int&>& index) override;

    /// Writes the host's `messages`, which must be a CMessages holding only
    /// messages, to `path`: the rows written, 0 (no file) for an empty
    /// collection, -1 for a collection of another class, nullptr, or a
    /// failed write. The collection is not changed. The int is not used.
    long ExportFromPC(int profile, CString path, CObArray* messages);
    /// Appends one message per data row of `path` to the host's `messages`,
    /// after those it holds, without saving; `count` receives the number of
    /// rows. CSVERR_FAIL when `messages` is not a CMessages (nullptr
    /// included); on that and on any file failure nothing is read or added
    /// and `count` keeps its value. The int is not used.
    _en_CSVError ImportToPC(long& count, int profile, CString path, CStringList& fieldNames,
                            CStringList& fileColumns, CObArray* messages);

    /// Adds one number entry of party `partyCode` to `message` for each
    /// piece of the ";"-separated `text`, cleaned of everything that is not
    /// a dial character; stops at the first blank piece.
    void parseNunmber(CMessage* message, CString text, unsigned long partyCode);
    /// Keeps only "0"-"9", "p", "P", "w", "W", "#", "*" and "+" in `text`.
    void RemoveCharFromString_NumberType(CString& text);
    /// `text` between two double-quote characters (inner quotes not
    /// doubled); the empty text stays empty.
    CString data2Excel(CString text);

    /// The message layout, for hosts.
    [[nodiscard]] static const varno::CSVLayout& Layout();
};
