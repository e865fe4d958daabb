// Shared helpers of the host tests: a session on a store in a temporary
// folder, with the code page, locale and time zone fixed, whose notes are
// kept for the test to read.
#pragma once

#include "host/Session.h"
#include "tests/store/StoreTestSupport.h"

#include <string>
#include <vector>

namespace varno::test {

class SessionTest : public storetest::TempStore {
protected:
    static std::string Example(std::string_view name) { return VARNO_SOURCE_DIR "/examples/" + std::string(name); }
    /// A session whose notes go to m_notes, one per line.
    host::Session Session(int profile = 1)
    {
        return host::Session({profile, 65001, [this](const std::string& note) { m_notes += note + "\n"; }});
    }
    static const host::RecordType& Type(std::string_view name) { return *host::FindRecordType(name); }
    /// What a call said: its notes, then its error's text, if it threw one.
    template <class Call>
    std::string Said(Call&& call)
    {
        m_notes.clear();
        try {
            call();
        } catch (const host::Error& error) {
            m_notes += std::string("error: ") + error.what() + "\n";
        }
        return m_notes;
    }
    /// Every stored record of `type` as its JSON listing, without ids.
    std::vector<std::string> Listed(std::string_view type)
    {
        std::vector<std::string> records;
        if (!Exists("store.db"))
            return records;
        (void)Session().List(Type(type), [&](const host::ListedRecord& record) {
            host::ListedRecord unnumbered = record;
            unnumbered.id.reset();
            records.push_back(unnumbered.Json());
        });
        return records;
    }

    CodePageGuard m_codePage{65001};
    UserLocaleGuard m_locale{"en_US"};
    TimeZoneGuard m_zone{"UTC0"};
    std::string m_notes;
};

} // namespace varno::test
