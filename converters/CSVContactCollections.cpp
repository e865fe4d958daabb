// CCSVContact: contacts with their groups, in the store and in collections
// the host holds.
//
// Files carry a contact's groups only as names (GROUP_NAME, the first one);
// the store keeps them as links from a contact id to a group id. Export
// turns each link into its group's name on the contact, in link order, so a
// contact's first link gives its GROUP_NAME: a link to a group the profile
// does not hold gives an empty name, and a link to a contact it does not
// hold is passed over. Import with option -1 turns the names back into
// links, matching group names without regard to case; a group that does not
// exist is created spelled as first met, and later names differing only in
// case find it. Any other option leaves groups and links alone.
//
// The host-held road does the same on the host's own collections and never
// opens or saves the store. It checks the class of every collection it is
// about to use before it changes anything, so a wrong one is refused whole.
#include "converters/CSVContact.h"

#include "converters/StoredRecords_p.h"
#include "engine/RecordFlow_p.h"
#include "store/ContactGroupPairs.h"
#include "store/ContactGroups.h"
#include "store/Contacts.h"

#include <optional>
#include <string>
#include <utility>
#include <unordered_map>
#include <vector>

namespace {

// The group names a contact gets on export: for each link, in link order,
// the name of the first group with the link's GroupId (empty when none has
// it), for the contact with the link's ContactId. Built once from all
// groups and links, so that contacts handed over a window at a time get the
// same names as all of them at once, in linear time.
class GroupNames {
public:
    GroupNames(const GroupNames&) = delete;
    GroupNames& operator=(const GroupNames&) = delete;
    GroupNames(const CContactGroups& groups, const CContactGroupPairs& links)
    {
        std::unordered_map<std::uint32_t, const CString*> names;
        for (int i = 0; i < groups.GetCount(); ++i)
            names.try_emplace(groups.GetAt(i)->GroupId, &groups.GetAt(i)->GroupName);
        for (int i = 0; i < links.GetCount(); ++i) {
            const auto name = names.find(links.GetAt(i)->GroupId);
            m_names[links.GetAt(i)->ContactId].push_back(name == names.end() ? &m_none : name->second);
        }
    }

    /// Appends the names to the contacts. Only the first contact of an id
    /// gets them, later ones with the same id none; a link to no contact
    /// here is passed over.
    void AttachTo(const CContacts& contacts)
    {
        for (int i = 0; i < contacts.GetCount(); ++i) {
            const auto names = m_names.find(contacts.GetAt(i)->ContactId);
            if (names == m_names.end())
                continue;
            for (const CString* name : names->second)
                contacts.GetAt(i)->NewGroup(*name);
            m_names.erase(names);
        }
    }

private:
    const CString m_none;
    std::unordered_map<std::uint32_t, std::vector<const CString*>> m_names;
};

// The first group whose name equals `name` without regard to case.
CContactGroup* FindGroup(const CContactGroups& groups, const CString& name)
{
    for (int i = 0; i < groups.GetCount(); ++i)
        if (groups.GetAt(i)->GroupName.CompareNoCase(name) == 0)
            return groups.GetAt(i);
    return nullptr;
}

// Calls link(contact, name) for each group name of each contact, in order.
template <class Link>
void ForEachGroupName(const CContacts& contacts, Link&& link)
{
    for (int i = 0; i < contacts.GetCount(); ++i) {
        const CContact& contact = *contacts.GetAt(i);
        for (int j = 0; j < contact.GetGroupCount(); ++j) {
            CString name;
            contact.GetGroup(j, name);
            link(contact, name);
        }
    }
}

// Links contacts to the groups they name: `forEach(link)` calls
// link(contactId, name) for each group name of each contact, in order. A
// group that does not exist yet is created and saved at once, to have its
// id, and the profile's groups are read again so that the next contact
// naming it finds it; all links are saved together at the end.
template <class ForEach>
void LinkGroups(int profile, ForEach&& forEach)
{
    CContactGroups groups;
    groups.OpenFromDB(profile);
    CContactGroupPairs links;
    forEach([&](std::uint32_t contactId, const CString& name) {
        CContactGroupPair* link = links.AddNew();
        link->ContactId = contactId;
        if (const CContactGroup* group = FindGroup(groups, name)) {
            link->GroupId = group->GroupId;
            return;
        }
        CContactGroups created;
        CContactGroup* group = created.AddNew();
        group->GroupName = name;
        created.SaveToDB(profile, true);
        link->GroupId = group->GroupId;
        groups.RemoveAll();
        groups.OpenFromDB(profile);
    });
    links.SaveToDB();
}

/// The group names of saved contacts, kept for linking once every contact
/// is saved: a contact id and a name number per membership, each distinct
/// name once. A full contact record per member cost about half a kilobyte.
class Memberships {
public:
    void Add(const CContact& contact)
    {
        CString name;
        for (int j = 0; contact.GetGroup(j, name); ++j) {
            const auto [at, added] = m_numbers.try_emplace(name.str(), static_cast<std::uint32_t>(m_names.size()));
            if (added)
                m_names.push_back(name);
            m_members.emplace_back(contact.ContactId, at->second);
        }
    }
    template <class Link>
    void ForEach(Link&& link) const
    {
        for (const auto& [contactId, number] : m_members)
            link(contactId, m_names[number]);
    }

private:
    std::vector<std::pair<std::uint32_t, std::uint32_t>> m_members;
    std::vector<CString> m_names;
    std::unordered_map<std::u16string, std::uint32_t> m_numbers;
};

// A host's collection as its class, or nullptr when it is another (or
// nullptr) or holds an object of another class.
template <class Collection>
Collection* Checked(CObArray* objects)
{
    auto* collection = dynamic_cast<Collection*>(objects);
    for (int i = 0; collection && i < collection->GetCount(); ++i)
        if (!collection->GetAt(i))
            return nullptr;
    return collection;
}

} // namespace

long varno::detail::LoadStoredContacts(int profile, const RecordVisitor& visit)
{
    // Names attached as export attaches them, from all groups and links.
    CContactGroups groups;
    CContactGroupPairs links;
    (void)groups.OpenFromDB(profile);
    (void)links.OpenFromDB();
    GroupNames names(groups, links);
    CContacts contacts;
    contacts.SetLoadWindow(kStoredWindow, [&] {
        names.AttachTo(contacts);
        for (int i = 0; i < contacts.GetCount(); ++i)
            visit(contacts.GetAt(i), contacts.GetAt(i)->ContactId, false);
        contacts.RemoveAll();
    });
    return contacts.OpenFromDB(profile, 0);
}

long CCSVContact::Export(int profile, CString path)
{
    // The profile's groups and all links are read once, when the first
    // contacts are in; unopened ones are simply empty.
    CContactGroups groups;
    CContactGroupPairs links;
    std::optional<GroupNames> names;
    CContacts records;
    return varno::detail::ExportRecords(
        *this, records, path, [profile](CContacts& contacts) { return contacts.OpenFromDB(profile, 0); },
        varno::detail::NoStep{},
        [&](CContacts& contacts) {
            if (contacts.GetCount() == 0)
                return;
            if (!names) {
                groups.OpenFromDB(profile);
                links.OpenFromDB();
                names.emplace(groups, links);
            }
            names->AttachTo(contacts);
        });
}

_en_CSVError CCSVContact::Count(long& count, int /*profile*/, CString path, CStringList& fieldNames,
                                CStringList& fileColumns, int /*option*/)
{
    return varno::detail::CountRecords<CContacts>(*this, path, fieldNames, fileColumns, count);
}

_en_CSVError CCSVContact::Import(long& count, int profile, CString path, CStringList& fieldNames,
                                 CStringList& fileColumns, int option, bool flag)
{
    // The contacts are saved a window at a time in one store save. For the
    // linking, each saved contact with group names leaves a copy of just its
    // id and names behind, so that the links are made once every contact
    // is saved, from all of them together.
    const bool linking = option == -1;
    CContacts records;
    Memberships members;
    const _en_CSVError result = varno::detail::ImportRecords(
        *this, path, fieldNames, fileColumns, records, count,
        [&](CContacts& contacts) { return contacts.BeginSave(profile, option, flag); }, varno::detail::NoStep{},
        [&](CContacts& saved) {
            for (int i = 0; linking && i < saved.GetCount(); ++i)
                members.Add(*saved.GetAt(i));
        });
    // The save's result is the host's to judge; the links are made anyway,
    // as Import_ContactGroup makes them.
    if (result == CSVERR_SUCCESS && linking)
        LinkGroups(profile, [&](auto&& link) { members.ForEach(link); });
    return result;
}

long CCSVContact::Import_ContactGroup(int profile, CContacts& contacts)
{
    LinkGroups(profile, [&](auto&& link) {
        ForEachGroupName(contacts, [&](const CContact& contact, const CString& name) { link(contact.ContactId, name); });
    });
    return 0;
}

long CCSVContact::ExportFromPC(int /*profile*/, CString path, CObArray* records, CObArray* groups,
                               CObArray* groupLinks)
{
    CContacts* contacts = Checked<CContacts>(records);
    if (!contacts)
        return -1;
    if (contacts->GetCount() == 0)
        return 0;
    const CContactGroups* groupList = Checked<CContactGroups>(groups);
    const CContactGroupPairs* links = Checked<CContactGroupPairs>(groupLinks);
    if (!groupList || !links)
        return -1;
    GroupNames(*groupList, *links).AttachTo(*contacts);
    return varno::detail::WriteRecords(*this, *contacts, path);
}

_en_CSVError CCSVContact::ImportToPC(long& count, int /*profile*/, CString path, CStringList& fieldNames,
                                     CStringList& fileColumns, CObArray* records, CObArray* groups,
                                     CObArray* groupLinks, int option)
{
    const bool linking = option == -1;
    CContacts* contacts = Checked<CContacts>(records);
    CContactGroups* groupList = linking ? Checked<CContactGroups>(groups) : nullptr;
    CContactGroupPairs* links = linking ? Checked<CContactGroupPairs>(groupLinks) : nullptr;
    if (!contacts || (linking && (!groupList || !links)))
        return CSVERR_FAIL;

    const int held = contacts->GetCount();
    const _en_CSVError result = varno::detail::ReadRecords(*this, path, fieldNames, fileColumns, *contacts);
    if (result != CSVERR_SUCCESS)
        return result;
    count = contacts->GetCount() - held;
    if (!linking)
        return CSVERR_SUCCESS;

    // The links are rebuilt for every contact, those held before included.
    // The collection's own RemoveAll frees the old link records (the array's
    // would only drop the pointers). Ids are what the records hold now:
    // provisional ones for records not saved yet.
    links->RemoveAll();
    ForEachGroupName(*contacts, [&](const CContact& contact, const CString& name) {
        CContactGroupPair* link = links->AddNew();
        link->ContactId = contact.ContactId;
        CContactGroup* group = FindGroup(*groupList, name);
        if (!group) {
            group = groupList->AddNew();
            group->GroupName = name;
        }
        link->GroupId = group->GroupId;
    });
    return CSVERR_SUCCESS;
}
