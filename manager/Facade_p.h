// Internal: the steps every dispatching operation of the facade takes, for
// CSVMng (each step on the caller's thread) and CSVPipelinedMng (the
// windows pipelined over threads): create the converter of the data type
// on the heap, with the facade's row window, call one operation on it,
// destroy it and return its result unchanged.
#pragma once

#include "engine/CSVItem.h"

#include <memory>

namespace varno::detail {

struct Facade {
    /// Whether the converters pipeline their windows over threads.
    bool pipelined = false;

    /// The converter of `type` with the facade's row window, or nullptr
    /// for a type without a converter (or when memory is exhausted).
    [[nodiscard]] std::unique_ptr<CCSVItem> Create(unsigned long type) const;
    long Export(unsigned long type, int profile, CString path) const;
    _en_CSVError Count(unsigned long type, long& count, int profile, CString path, CStringList& fieldNames,
                       CStringList& fileColumns, int option) const;
    _en_CSVError Import(unsigned long type, long& count, int profile, CString path, CStringList& fieldNames,
                        CStringList& fileColumns, int option, bool flag) const;
};

} // namespace varno::detail
