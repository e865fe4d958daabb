// Internal: the next window of rows of a pipelined import, read on another
// thread.
//
// A windowed import alternates between reading a window of rows (decoding
// and splitting) and making records of it, and the two need nothing of each
// other. Pipelined (CSVPipelinedMng), while the records of one window are
// made and saved, the next window is read into a second table of rows,
// which then changes places with the converter's; otherwise each window is
// read when the one before is done. Only one task runs at a time, and it
// alone touches the file's reader and the second table until it is waited
// for.
#pragma once

#include "platform/CString.h"
#include "platform/CStringArray.h"

#include <future>
#include <memory>

namespace varno::detail {

class RowPrefetch {
public:
    explicit RowPrefetch(int window) : rows(new CStringArray[static_cast<size_t>(window)]) {}

    std::unique_ptr<CStringArray[]> rows; ///< the window being read, as many rows as the window
    int count = 0;                        ///< rows read into it
    bool ended = false;                   ///< the text ended while reading it
    CString separator;                    ///< the file's separator, the task's own copy
    std::future<void> done;               ///< the task; valid while it has not been waited for
};

} // namespace varno::detail
