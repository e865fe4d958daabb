// CMsgEmail: one e-mail with its parties (address entries) in order.
#pragma once

#include "store/MsgEmailAddress.h"
#include "store/RecordState.h"
#include "store/varnodatamgr_export.h"

#include "platform/COleDateTime.h"
#include "platform/CObject.h"
#include "platform/CString.h"

#include <cstdint>
#include <memory>
#include <vector>

class VARNO_DATA_EXPORT CMsgEmail : public CObject {
public:
    /// A new e-mail: box and kind 0, empty texts, null time, no parties.
    CMsgEmail();
    CMsgEmail(const CMsgEmail&) = delete;
    CMsgEmail& operator=(const CMsgEmail&) = delete;
    ~CMsgEmail() override;

    [[nodiscard]] int GetEmailAddressCount() const noexcept;
    /// Address entry i, or nullptr when out of range.
    [[nodiscard]] CMsgEmailAddress* GetEmailAddressAt(int i) const noexcept;
    /// Appends an address entry (party 0, empty address), owned by the
    /// e-mail at once, and returns it.
    CMsgEmailAddress* NewEmailAddress();

    std::uint32_t EmailId = 0;    ///< database key; a provisional id until saved
    std::uint32_t Box = 0;        ///< box code, as for text messages
    std::uint32_t Kind = 0;       ///< kind code
    CString Title;
    CString Content;
    COleDateTimeNull MessageTime; ///< UTC

private:
    friend struct varno::store::EmailKind;

    std::vector<std::unique_ptr<CMsgEmailAddress>> m_addresses;
    varno::store::RecordState m_state;
};
