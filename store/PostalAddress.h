// CPostalAddress: one postal address of a contact.
// Type codes: 1 other, 16 home, 32 work.
#pragma once

#include "store/varnodatamgr_export.h"

#include "platform/CString.h"

#include <cstdint>

class VARNO_DATA_EXPORT CPostalAddress {
public:
    [[nodiscard]] std::uint32_t GetType() const noexcept { return m_type; }
    void SetType(std::uint32_t type) noexcept { m_type = type; }

    CString Street;
    CString City;
    CString State;
    CString Zip;
    CString Country;

private:
    std::uint32_t m_type = 0;
};
