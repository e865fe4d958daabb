// CEmail: one e-mail address of a contact. Type codes: 0 other, 1 work, 2 home.
#pragma once

#include "store/varnodatamgr_export.h"

#include "platform/CString.h"

#include <cstdint>

class VARNO_DATA_EXPORT CEmail {
public:
    [[nodiscard]] const CString& GetEmail() const noexcept { return m_email; }
    void SetEmail(const CString& email) { m_email = email; }
    [[nodiscard]] std::uint32_t GetType() const noexcept { return m_type; }
    void SetType(std::uint32_t type) noexcept { m_type = type; }

private:
    std::uint32_t m_type = 0;
    CString m_email;
};
