// CCSVContact: contacts, with the names of their groups, between the data
// store (or collections a host holds) and CSV files.
#pragma once

#include "engine/CSVItem.h"
#include "engine/CSVLayout.h"
#include "platform/CObArray.h"

class CContacts;

class VARNO_CSV_EXPORT CCSVContact : public CCSVItem {
public:
    CCSVContact() = default;
    ~CCSVContact() override;

    /// Writes the contacts of `profile`, each with the name of its first
    /// group, to `path`: rows written, 0 when the profile has no contact (no
    /// file is written), -1 when the store cannot be read or the file not
    /// written.
    long Export(int profile, CString path) override;
    /// Adds one contact per data row to the store; `count` receives the
    /// contact save's result. With `option` -1 the contacts are then linked
    /// to the groups their rows name, creating the groups that are missing.
    /// The file-reading result on failure (count untouched), else
    /// CSVERR_SUCCESS, also when a store save fails.
    _en_CSVError Import(long& count, int profile, CString path, CStringList& fieldNames, CStringList& fileColumns,
                        int option, bool flag) override;
    /// The number of data rows of `path` in `count`; the store is not used.
    _en_CSVError Count(long& count, int profile, CString path, CStringList& fieldNames, CStringList& fileColumns,
                       int option) override;
    /// The 40 column names.
    void MakeField() override;
    /// Appends the row of one CContact (not changed).
    void Make(void* record) override;
    /// Fills a new CContact from row `row`. Returns 1.
    int Array2Item(void* record, int row, CStringList& fieldNames, CArray<int, const int&>& index) override;

    /// A telephone number as a spreadsheet keeps it as text: the value
    /// between two double quotes; empty stays empty.
    CString data2Excel(CString value);
    /// Keeps only the digits and "p P w W # * +" of a dialling string, in
    /// their order (spaces, dashes, brackets and quotes go).
    void RemoveCharFromString_NumberType(CString& value);

    /// Links the contacts of `contacts` (saved, so that they have their ids)
    /// to the groups of `profile` named by their group names, matched
    /// without regard to case; a missing group is created, spelled as first
    /// met, and saved at once. All links are saved together. Returns 0.
    long Import_ContactGroup(int profile, CContacts& contacts);

    // Contacts the host holds. `records` must be a CContacts, `groups` a
    // CContactGroups and `groupLinks` a CContactGroupPairs, each holding
    // records of its own class only; the store is never opened or saved.

    /// Writes `records` to `path` as Export does, resolving each link of
    /// `groupLinks` against `groups` and appending the group names to the
    /// host's contacts (a second export appends them again; the first name,
    /// which is the one written, stays the same). 0 with no file when
    /// `records` holds no contact; `groups` and `groupLinks` are then not
    /// looked at. -1 when `records` is not a CContacts, or it holds contacts
    /// and `groups` or `groupLinks` is not of its class (nullptr included):
    /// all three are checked before anything is changed or written.
    long ExportFromPC(int profile, CString path, CObArray* records, CObArray* groups, CObArray* groupLinks);
    /// Appends one contact per data row of `path` to `records`, after those
    /// it holds; `count` receives the number of rows. With `option` -1 the
    /// links of `groupLinks` are then rebuilt for every contact of `records`
    /// (its old link records are freed), and missing groups are added to
    /// `groups`; otherwise those two are not looked at. CSVERR_FAIL, with
    /// `count` untouched and the file not even read, when `records` is not a
    /// CContacts or, with `option` -1, `groups` or `groupLinks` is not of
    /// its class: every collection used is checked before any is changed.
    /// Else the file-reading result on failure (nothing changed), or
    /// CSVERR_SUCCESS.
    _en_CSVError ImportToPC(long& count, int profile, CString path, CStringList& fieldNames,
                            CStringList& fileColumns, CObArray* records, CObArray* groups, CObArray* groupLinks,
                            int option);

    /// The contact layout, for hosts.
    [[nodiscard]] static const varno::CSVLayout& Layout();
};
