#include "store/Contact.h"

namespace {

template <class Entry>
Entry* EntryAt(const std::vector<std::unique_ptr<Entry>>& entries, int i) noexcept
{
    return i >= 0 && static_cast<std::size_t>(i) < entries.size() ? entries[static_cast<std::size_t>(i)].get()
                                                                  : nullptr;
}

template <class Entry>
Entry* Append(std::vector<std::unique_ptr<Entry>>& entries)
{
    return entries.emplace_back(std::make_unique<Entry>()).get();
}

} // namespace

CContact::CContact() = default;
CContact::~CContact() = default;

int CContact::GetOrganizationCount() const noexcept { return static_cast<int>(m_organizations.size()); }
COrganization* CContact::GetOrganization(int i) const noexcept { return EntryAt(m_organizations, i); }

COrganization* CContact::NewOrganization(const CString& company, const CString& department, const CString& title,
                                         std::uint32_t type)
{
    COrganization* organization = Append(m_organizations);
    organization->Company = company;
    organization->Department = department;
    organization->Title = title;
    organization->SetType(type);
    return organization;
}

int CContact::GetTelephoneCount() const noexcept { return static_cast<int>(m_telephones.size()); }
CTelephoneNumber* CContact::GetTelephone(int i) const noexcept { return EntryAt(m_telephones, i); }
CTelephoneNumber* CContact::NewTelephone() { return Append(m_telephones); }

int CContact::GetEmailCount() const noexcept { return static_cast<int>(m_emails.size()); }
CEmail* CContact::GetEmail(int i) const noexcept { return EntryAt(m_emails, i); }
CEmail* CContact::NewEmail() { return Append(m_emails); }

int CContact::GetURLCount() const noexcept { return static_cast<int>(m_urls.size()); }
CURL* CContact::GetURL(int i) const noexcept { return EntryAt(m_urls, i); }
CURL* CContact::NewURL() { return Append(m_urls); }

int CContact::GetAddressCount() const noexcept { return static_cast<int>(m_addresses.size()); }
CPostalAddress* CContact::GetAddress(int i) const noexcept { return EntryAt(m_addresses, i); }
CPostalAddress* CContact::NewAddress() { return Append(m_addresses); }

int CContact::GetCommentCount() const noexcept { return m_comments.GetSize(); }

CString CContact::GetComment(int i) const
{
    return i >= 0 && i < m_comments.GetSize() ? m_comments.GetAt(i) : CString();
}

int CContact::NewComment(const CString& text) { return m_comments.Add(text); }

int CContact::GetEventCount() const noexcept { return static_cast<int>(m_events.size()); }
CContactEvent* CContact::GetEvent(int i) const noexcept { return EntryAt(m_events, i); }

CContactEvent* CContact::NewContactEvent(COleDateTimeNull date, std::uint32_t kind)
{
    CContactEvent* event = Append(m_events);
    event->Kind = kind;
    event->Date = date;
    return event;
}

bool CContact::FindEvent(std::uint32_t kind, int& index, COleDateTimeNull& date) const
{
    for (std::size_t i = 0; i < m_events.size(); ++i) {
        if (m_events[i]->Kind == kind) {
            index = static_cast<int>(i);
            date = m_events[i]->Date;
            return true;
        }
    }
    index = -1;
    return false;
}

bool CContact::GetBirthDate(int& index, COleDateTimeNull& date) const
{
    return FindEvent(CONTACT_EVENT_BIRTHDAY, index, date);
}

bool CContact::GetAnniversary(int& index, COleDateTimeNull& date) const
{
    return FindEvent(CONTACT_EVENT_ANNIVERSARY, index, date);
}

int CContact::GetGroupCount() const noexcept { return m_groups.GetSize(); }

bool CContact::GetGroup(int i, CString& name) const
{
    if (i < 0 || i >= m_groups.GetSize())
        return false;
    name = m_groups.GetAt(i);
    return true;
}

int CContact::NewGroup(const CString& name) { return m_groups.Add(name); }
