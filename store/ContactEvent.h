// CContactEvent: a dated event of a contact (birthday, anniversary, ...).
#pragma once

#include "store/varnodatamgr_export.h"

#include "platform/COleDateTime.h"

#include <cstdint>

/// Event kinds.
enum ContactEventKind : std::uint32_t {
    CONTACT_EVENT_BIRTHDAY = 1,
    CONTACT_EVENT_ANNIVERSARY = 2,
};

class VARNO_DATA_EXPORT CContactEvent {
public:
    std::uint32_t Kind = 0;  ///< ContactEventKind, or another code of the host's
    COleDateTimeNull Date;   ///< may be null or invalid; kept as given
};
