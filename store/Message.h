// CMessage: one text message with its parties (number entries) in order.
#pragma once

#include "store/MessageNumber.h"
#include "store/RecordState.h"
#include "store/varnodatamgr_export.h"

#include "platform/COleDateTime.h"
#include "platform/CObject.h"
#include "platform/CString.h"

#include <cstdint>
#include <memory>
#include <vector>

class VARNO_DATA_EXPORT CMessage : public CObject {
public:
    /// A new message: box and kind 0, empty content, null time, no parties.
    CMessage();
    CMessage(const CMessage&) = delete;
    CMessage& operator=(const CMessage&) = delete;
    ~CMessage() override;

    [[nodiscard]] int GetNumberCount() const noexcept;
    /// Number entry i, or nullptr when out of range.
    [[nodiscard]] CMessageNumber* GetNumberAt(int i) const noexcept;
    /// Appends a number entry (party 0, empty number), owned by the message
    /// at once, and returns it.
    CMessageNumber* NewNumber();

    std::uint32_t MessageId = 0;  ///< database key; a provisional id until saved
    std::uint32_t Box = 0;        ///< box code (1 to 4 are the suite's boxes)
    std::uint32_t Kind = 0;       ///< kind code
    CString Content;
    COleDateTimeNull MessageTime; ///< UTC

private:
    friend struct varno::store::MessageKind;

    std::vector<std::unique_ptr<CMessageNumber>> m_numbers;
    varno::store::RecordState m_state;
};
