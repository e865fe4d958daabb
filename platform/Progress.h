// Progress of long work, for hosts that want to show it.
//
// The library reports how far a long operation has come (bytes read, records
// made, records saved, bytes written) through one optional process-wide sink.
// With no sink set a report costs one load and one branch, and the library
// reports only every few thousand records.
#pragma once

#include "platform/varnoplatform_export.h"

namespace varno {

enum class ProgressStage {
    Reading,  ///< file read and split into rows: done/total in records (total unknown: 0)
    Records,  ///< records made from rows: done/total in records
    Saving,   ///< records written to the store: done/total in records; done == total only once the save has committed
    Writing,  ///< file written: done/total in characters of text
};

using ProgressSink = void (*)(void* context, ProgressStage stage, long long done, long long total);

/// Sets (or with nullptr removes) the sink; a host sets it before a long call.
/// Reports may come from a thread of the library's own, one at a time: the
/// sink is never called twice at once.
VARNO_PLATFORM_EXPORT void SetProgressSink(ProgressSink sink, void* context) noexcept;
/// Reports progress to the sink, if any.
VARNO_PLATFORM_EXPORT void ReportProgress(ProgressStage stage, long long done, long long total) noexcept;
/// Whether a sink is set (so a caller can skip preparing a report).
[[nodiscard]] VARNO_PLATFORM_EXPORT bool HasProgressSink() noexcept;

/// How often loops report: every this many records, plus once at the end.
constexpr long long kProgressEvery = 4096;

} // namespace varno
