// CURL: one web address of a contact. Type codes: 0 other, 1 work, 2 home.
#pragma once

#include "store/varnodatamgr_export.h"

#include "platform/CString.h"

#include <cstdint>

class VARNO_DATA_EXPORT CURL {
public:
    [[nodiscard]] const CString& GetURL() const noexcept { return m_url; }
    void SetURL(const CString& url) { m_url = url; }
    [[nodiscard]] std::uint32_t GetType() const noexcept { return m_type; }
    void SetType(std::uint32_t type) noexcept { m_type = type; }

private:
    std::uint32_t m_type = 0;
    CString m_url;
};
