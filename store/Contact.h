// CContact: one contact with its sub-entries (organisations, telephone
// numbers, e-mail addresses, web addresses, postal addresses, comments and
// dated events), each list kept in order. A New... call appends an entry that
// belongs to the contact at once and returns it; the pointer stays valid
// while the contact lives. Get...(i) gives nullptr for an index out of range.
//
// Group names are held in memory only: the store keeps group membership as
// contact-group links (CContactGroupPairs), so a save ignores them and a
// load gives none.
#pragma once

#include "store/ContactEvent.h"
#include "store/Email.h"
#include "store/Organization.h"
#include "store/PostalAddress.h"
#include "store/RecordState.h"
#include "store/TelephoneNumber.h"
#include "store/URL.h"
#include "store/varnodatamgr_export.h"

#include "platform/CObject.h"
#include "platform/CString.h"
#include "platform/CStringArray.h"

#include <cstdint>
#include <memory>
#include <vector>

class VARNO_DATA_EXPORT CContact : public CObject {
public:
    /// A new contact: empty names, no entries.
    CContact();
    CContact(const CContact&) = delete;
    CContact& operator=(const CContact&) = delete;
    ~CContact() override;

    [[nodiscard]] int GetOrganizationCount() const noexcept;
    [[nodiscard]] COrganization* GetOrganization(int i) const noexcept;
    COrganization* NewOrganization(const CString& company, const CString& department, const CString& title,
                                   std::uint32_t type);

    [[nodiscard]] int GetTelephoneCount() const noexcept;
    [[nodiscard]] CTelephoneNumber* GetTelephone(int i) const noexcept;
    /// A new number: type 0, empty text.
    CTelephoneNumber* NewTelephone();

    [[nodiscard]] int GetEmailCount() const noexcept;
    [[nodiscard]] CEmail* GetEmail(int i) const noexcept;
    CEmail* NewEmail();

    [[nodiscard]] int GetURLCount() const noexcept;
    [[nodiscard]] CURL* GetURL(int i) const noexcept;
    CURL* NewURL();

    [[nodiscard]] int GetAddressCount() const noexcept;
    [[nodiscard]] CPostalAddress* GetAddress(int i) const noexcept;
    CPostalAddress* NewAddress();

    [[nodiscard]] int GetCommentCount() const noexcept;
    /// Comment i, or an empty text when out of range.
    [[nodiscard]] CString GetComment(int i) const;
    /// Appends a comment; returns its index.
    int NewComment(const CString& text);

    [[nodiscard]] int GetEventCount() const noexcept;
    [[nodiscard]] CContactEvent* GetEvent(int i) const noexcept;
    CContactEvent* NewContactEvent(COleDateTimeNull date, std::uint32_t kind);
    /// The date of the first event of kind CONTACT_EVENT_BIRTHDAY: true, with
    /// `index` the event's index. Without one: false, `index` -1 and `date`
    /// left as it was.
    bool GetBirthDate(int& index, COleDateTimeNull& date) const;
    /// As GetBirthDate, for CONTACT_EVENT_ANNIVERSARY.
    bool GetAnniversary(int& index, COleDateTimeNull& date) const;

    /// Group names (in memory only, see above).
    [[nodiscard]] int GetGroupCount() const noexcept;
    /// Group name i into `name`; false (and `name` untouched) when out of range.
    bool GetGroup(int i, CString& name) const;
    /// Appends a group name; returns its index.
    int NewGroup(const CString& name);

    std::uint32_t ContactId = 0; ///< database key; a provisional id until saved
    CString FirstName;
    CString LastName;
    CString JobTitle;

private:
    friend struct varno::store::ContactKind;

    bool FindEvent(std::uint32_t kind, int& index, COleDateTimeNull& date) const;

    std::vector<std::unique_ptr<COrganization>> m_organizations;
    std::vector<std::unique_ptr<CTelephoneNumber>> m_telephones;
    std::vector<std::unique_ptr<CEmail>> m_emails;
    std::vector<std::unique_ptr<CURL>> m_urls;
    std::vector<std::unique_ptr<CPostalAddress>> m_addresses;
    CStringArray m_comments;
    std::vector<std::unique_ptr<CContactEvent>> m_events;
    CStringArray m_groups;
    varno::store::RecordState m_state;
};
