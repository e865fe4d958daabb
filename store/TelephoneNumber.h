// CTelephoneNumber: one telephone number of a contact.
// Type codes: 1 work, 2 home, 4 other, 8 fax (9 and 10 are fax too),
// 32 mobile (36 is mobile too).
#pragma once

#include "store/varnodatamgr_export.h"

#include "platform/CString.h"

#include <cstdint>

class VARNO_DATA_EXPORT CTelephoneNumber {
public:
    [[nodiscard]] const CString& GetNumber() const noexcept { return m_number; }
    void SetNumber(const CString& number) { m_number = number; }
    [[nodiscard]] std::uint32_t GetType() const noexcept { return m_type; }
    void SetType(std::uint32_t type) noexcept { m_type = type; }

private:
    std::uint32_t m_type = 0;
    CString m_number;
};
