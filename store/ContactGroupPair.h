// CContactGroupPair: one membership of a contact in a group. Links carry no
// profile of their own: they join a stored contact and a stored group.
#pragma once

#include "store/RecordState.h"
#include "store/varnodatamgr_export.h"

#include "platform/CObject.h"

#include <cstdint>

class VARNO_DATA_EXPORT CContactGroupPair : public CObject {
public:
    CContactGroupPair() = default;
    CContactGroupPair(const CContactGroupPair&) = delete;
    CContactGroupPair& operator=(const CContactGroupPair&) = delete;
    ~CContactGroupPair() override;

    std::uint32_t PairId = 0;    ///< database key; a provisional id until saved
    std::uint32_t ContactId = 0;
    std::uint32_t GroupId = 0;

private:
    friend struct varno::store::ContactGroupPairKind;
    varno::store::RecordState m_state;
};
