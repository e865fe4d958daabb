// CMsgEmailAddress: one party of an e-mail.
#pragma once

#include "store/varnodatamgr_export.h"

#include "platform/CString.h"

#include <cstdint>

class VARNO_DATA_EXPORT CMsgEmailAddress {
public:
    std::uint32_t PartyType = 0; ///< 1 sender, 0 receiver, 2 copy, 3 blind copy
    CString Address;
};
