#include "platform/Progress.h"

#include <atomic>

namespace {
std::atomic<varno::ProgressSink> g_sink{nullptr};
std::atomic<void*> g_context{nullptr};
} // namespace

namespace varno {

void SetProgressSink(ProgressSink sink, void* context) noexcept
{
    g_context.store(context);
    g_sink.store(sink);
}

void ReportProgress(ProgressStage stage, long long done, long long total) noexcept
{
    if (ProgressSink sink = g_sink.load(std::memory_order_relaxed))
        sink(g_context.load(), stage, done, total);
}

bool HasProgressSink() noexcept
{
    return g_sink.load(std::memory_order_relaxed) != nullptr;
}

} // namespace varno
