// How text messages and e-mails are stored: alike, but for their texts and
// their parties' names. Internal to the library.
//
// A record's fields are its box, its kind, its texts (a message has its
// content, an e-mail its title and content) and its time, in the columns of
// its table in that order; its parties are one child table's entries, each
// a party type and a text (a number or an address), in order.
#pragma once

#include "store/Database_p.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace varno::store {

/// Where a record class keeps what is stored. The record kind, a friend of
/// the record class, names its private members here.
template <class Record, class Party, std::size_t TextCount>
struct PartyRecordLayout {
    const TableSpec& (*table)();
    std::uint32_t Record::*id;
    std::array<CString Record::*, TextCount> texts; ///< in column order
    std::vector<std::unique_ptr<Party>> Record::*parties;
    CString Party::*partyText;
    RecordState Record::*state;
};

/// The record kind (LoadCollection, SaveCollection) of `Kind`, which holds
/// its PartyRecordLayout as kLayout.
template <class Kind, class Record, class Party>
struct PartyRecordKind {
    static const TableSpec& Table() { return Kind::kLayout.table(); }

    static RecordRows ToRows(const Record& r)
    {
        RecordRows rows;
        RowWriter fields(rows.fields);
        fields.Int(r.Box).Int(r.Kind);
        for (CString Record::*text : Kind::kLayout.texts)
            fields.Text(r.*text);
        fields.Date(r.MessageTime);
        rows.children.resize(1);
        for (const auto& party : r.*Kind::kLayout.parties)
            RowWriter(rows.children[0].emplace_back()).Int(party->PartyType).Text((*party).*Kind::kLayout.partyText);
        return rows;
    }

    static void FromRows(Record& r, const RecordRows& rows)
    {
        RowReader in(rows.fields);
        r.Box = static_cast<std::uint32_t>(in.Int());
        r.Kind = static_cast<std::uint32_t>(in.Int());
        for (CString Record::*text : Kind::kLayout.texts)
            r.*text = in.Text();
        r.MessageTime = in.Date();
        if (rows.children.size() != 1)
            return;
        for (const Row& row : rows.children[0]) {
            RowReader entry(row);
            Party& party = *(r.*Kind::kLayout.parties).emplace_back(std::make_unique<Party>());
            party.PartyType = static_cast<std::uint32_t>(entry.Int());
            party.*Kind::kLayout.partyText = entry.Text();
        }
    }

    static void SetId(Record& r, std::uint32_t id) { r.*Kind::kLayout.id = id; }
    static RecordState& State(Record& r) { return r.*Kind::kLayout.state; }
};

} // namespace varno::store
