// CContactGroup: a named group of contacts within a profile.
#pragma once

#include "store/RecordState.h"
#include "store/varnodatamgr_export.h"

#include "platform/CObject.h"
#include "platform/CString.h"

#include <cstdint>

class VARNO_DATA_EXPORT CContactGroup : public CObject {
public:
    CContactGroup() = default;
    CContactGroup(const CContactGroup&) = delete;
    CContactGroup& operator=(const CContactGroup&) = delete;
    ~CContactGroup() override;

    std::uint32_t GroupId = 0; ///< database key; a provisional id until saved
    CString GroupName;

private:
    friend struct varno::store::ContactGroupKind;
    varno::store::RecordState m_state;
};
