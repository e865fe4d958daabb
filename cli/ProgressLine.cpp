#include "cli/ProgressLine.h"

#include "cli/Interrupt.h"

namespace varno::cli {

ProgressLine::ProgressLine(std::FILE* terminal) : m_terminal(terminal)
{
    SetProgressSink(&ProgressLine::Report, this);
}

ProgressLine::~ProgressLine()
{
    SetProgressSink(nullptr, nullptr);
    Clear();
}

void ProgressLine::Clear()
{
    if (!m_drawn)
        return;
    SetProgressDrawn(false);
    std::fputs("\r\033[K", m_terminal);
    std::fflush(m_terminal);
    m_drawn = false;
}

void ProgressLine::Report(void* context, ProgressStage stage, long long done, long long total)
{
    auto& self = *static_cast<ProgressLine*>(context);
    // The store reports done == total only once a save has committed.
    if (stage == ProgressStage::Saving && done == total)
        OnInterruptSay("varnocsv: interrupted after the store's save had committed: the records were saved\n");
    if (!self.m_terminal)
        return;
    const char* what = "";
    switch (stage) {
    case ProgressStage::Reading: what = "reading"; break;
    case ProgressStage::Records: what = "making records"; break;
    case ProgressStage::Saving: what = "saving"; break;
    case ProgressStage::Writing: what = "writing"; break;
    }
    // Writing counts characters, the other stages records.
    if (stage == ProgressStage::Writing && total > 0)
        std::fprintf(self.m_terminal, "\r\033[K%s %lld%%", what, done * 100 / total);
    else if (total > 0)
        std::fprintf(self.m_terminal, "\r\033[K%s %lld/%lld", what, done, total);
    else
        std::fprintf(self.m_terminal, "\r\033[K%s %lld", what, done);
    std::fflush(self.m_terminal);
    self.m_drawn = true;
    SetProgressDrawn(true);
}

} // namespace varno::cli
