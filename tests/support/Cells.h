// Rows of cells as UTF-8 strings, for compact expectations and readable
// failures (no GoogleTest here: the fuzz targets use it too).
#pragma once

#include "platform/CStringArray.h"

#include <string>
#include <vector>

namespace varno::test {

using Texts = std::vector<std::string>;

inline Texts Utf8(const CStringArray& row)
{
    Texts out;
    for (const CString& v : row)
        out.push_back(v.ToUtf8());
    return out;
}

inline CStringArray Array(const Texts& utf8)
{
    CStringArray out;
    for (const std::string& v : utf8)
        out.Add(CString::FromUtf8(v));
    return out;
}

} // namespace varno::test
