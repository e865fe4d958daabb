// COrganization: a company a contact works for, with the department and the
// contact's title there. Type code 1 is the one the converters give.
#pragma once

#include "store/varnodatamgr_export.h"

#include "platform/CString.h"

#include <cstdint>

class VARNO_DATA_EXPORT COrganization {
public:
    [[nodiscard]] std::uint32_t GetType() const noexcept { return m_type; }
    void SetType(std::uint32_t type) noexcept { m_type = type; }

    CString Company;
    CString Department;
    CString Title;

private:
    std::uint32_t m_type = 0;
};
