// CObject: the root of every class whose objects travel in a CObArray. It
// carries a virtual destructor so that run-time type tests (dynamic_cast) work
// on the pointers a host hands in.
#pragma once

#include "platform/varnoplatform_export.h"

class VARNO_PLATFORM_EXPORT CObject {
public:
    CObject() = default;
    CObject(const CObject&) = default;
    CObject& operator=(const CObject&) = default;
    virtual ~CObject();
};
