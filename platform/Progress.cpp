#include "platform/Progress.h"

#include <atomic>
#include <mutex>

namespace {
std::atomic<varno::ProgressSink> g_sink{nullptr};
std::atomic<void*> g_context{nullptr};
std::mutex g_calls; // one report at a time, whichever thread makes it
} // namespace

namespace varno {

void SetProgressSink(ProgressSink sink, void* context) noexcept
{
    g_context.store(context);
    g_sink.store(sink);
}

void ReportProgress(ProgressStage stage, long long done, long long total) noexcept
{
    if (ProgressSink sink = g_sink.load(std::memory_order_relaxed)) {
        const std::lock_guard<std::mutex> one(g_calls);
        sink(g_context.load(), stage, done, total);
    }
}

bool HasProgressSink() noexcept
{
    return g_sink.load(std::memory_order_relaxed) != nullptr;
}

} // namespace varno
