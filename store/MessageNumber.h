// CMessageNumber: one party of a text message.
#pragma once

#include "store/varnodatamgr_export.h"

#include "platform/CString.h"

#include <cstdint>

class VARNO_DATA_EXPORT CMessageNumber {
public:
    std::uint32_t PartyType = 0; ///< 1 sender; 0, 2 and 3 receiver side
    CString Number;              ///< the telephone number as text
};
