#include "store/Contacts.h"

#include "store/Database_p.h"
#include "store/Schema_p.h"

namespace varno::store {

// Field order: the columns of ContactTable(); children in its order.
struct ContactKind {
    enum Child { organizations, telephones, emails, urls, addresses, comments, events, childCount };

    static const TableSpec& Table() { return ContactTable(); }

    static RecordRows ToRows(const CContact& r)
    {
        RecordRows rows;
        RowWriter(rows.fields).Text(r.FirstName).Text(r.LastName).Text(r.JobTitle);
        rows.children.resize(childCount);
        // Telephone numbers, e-mail and web addresses with no text are not
        // stored: an import of a file whose columns are all mapped gives
        // every contact one per column, most of them empty, and export
        // passes them over (an empty number leaves its slot free; the first
        // non-empty address of a kind wins). Other entries are kept even
        // when empty, since export reads the first or the last of a kind.
        for (const auto& o : r.m_organizations)
            RowWriter(rows.children[organizations].emplace_back())
                .Int(o->GetType())
                .Text(o->Company)
                .Text(o->Department)
                .Text(o->Title);
        for (const auto& t : r.m_telephones)
            if (!t->GetNumber().IsEmpty())
                RowWriter(rows.children[telephones].emplace_back()).Int(t->GetType()).Text(t->GetNumber());
        for (const auto& e : r.m_emails)
            if (!e->GetEmail().IsEmpty())
                RowWriter(rows.children[emails].emplace_back()).Int(e->GetType()).Text(e->GetEmail());
        for (const auto& u : r.m_urls)
            if (!u->GetURL().IsEmpty())
                RowWriter(rows.children[urls].emplace_back()).Int(u->GetType()).Text(u->GetURL());
        for (const auto& a : r.m_addresses)
            RowWriter(rows.children[addresses].emplace_back())
                .Int(a->GetType())
                .Text(a->Street)
                .Text(a->City)
                .Text(a->State)
                .Text(a->Zip)
                .Text(a->Country);
        for (const CString& c : r.m_comments)
            RowWriter(rows.children[comments].emplace_back()).Text(c);
        for (const auto& e : r.m_events)
            RowWriter(rows.children[events].emplace_back()).Int(e->Kind).Date(e->Date);
        return rows;
    }

    static void FromRows(CContact& r, const RecordRows& rows)
    {
        RowReader in(rows.fields);
        r.FirstName = in.Text();
        r.LastName = in.Text();
        r.JobTitle = in.Text();
        if (rows.children.size() != childCount)
            return;
        for (const Row& row : rows.children[organizations]) {
            RowReader e(row);
            auto type = static_cast<std::uint32_t>(e.Int());
            CString company = e.Text(), department = e.Text(), title = e.Text();
            r.NewOrganization(company, department, title, type);
        }
        for (const Row& row : rows.children[telephones]) {
            RowReader e(row);
            CTelephoneNumber* t = r.NewTelephone();
            t->SetType(static_cast<std::uint32_t>(e.Int()));
            t->SetNumber(e.Text());
        }
        for (const Row& row : rows.children[emails]) {
            RowReader e(row);
            CEmail* m = r.NewEmail();
            m->SetType(static_cast<std::uint32_t>(e.Int()));
            m->SetEmail(e.Text());
        }
        for (const Row& row : rows.children[urls]) {
            RowReader e(row);
            CURL* u = r.NewURL();
            u->SetType(static_cast<std::uint32_t>(e.Int()));
            u->SetURL(e.Text());
        }
        for (const Row& row : rows.children[addresses]) {
            RowReader e(row);
            CPostalAddress* a = r.NewAddress();
            a->SetType(static_cast<std::uint32_t>(e.Int()));
            a->Street = e.Text();
            a->City = e.Text();
            a->State = e.Text();
            a->Zip = e.Text();
            a->Country = e.Text();
        }
        for (const Row& row : rows.children[comments])
            r.NewComment(RowReader(row).Text());
        for (const Row& row : rows.children[events]) {
            RowReader e(row);
            auto kind = static_cast<std::uint32_t>(e.Int());
            r.NewContactEvent(e.Date(), kind);
        }
    }

    static void SetId(CContact& r, std::uint32_t id) { r.ContactId = id; }
    static RecordState& State(CContact& r) { return r.m_state; }
};

} // namespace varno::store

using namespace varno::store;

CContacts::~CContacts() = default;

CContact* CContacts::GetAt(int i) const
{
    return TypedAt<CContact>(i);
}

CContact* CContacts::AddNew()
{
    return AppendNew(&CContact::ContactId);
}

long CContacts::OpenFromDB(int profile, int groupId)
{
    const Filter filter{
        "profile = ?1 AND (?2 = 0 OR id IN (SELECT contact_id FROM contact_group_pair WHERE group_id = ?2))",
        {profile, groupId}};
    return LoadCollection<CContact, ContactKind>(*this, filter, profile);
}

long CContacts::SaveToDB(int profile, int /*option*/, bool /*flag*/)
{
    return SaveCollection<CContact, ContactKind>(*this, profile);
}

long CContacts::BeginSave(int profile, int /*option*/, bool /*flag*/)
{
    return BeginBatches(std::make_unique<BatchWriterOf<CContact, ContactKind>>(profile));
}
