// Follows the library's progress reports: draws them on one line of a
// terminal, and tells the interrupt handler when a save has committed.
#pragma once

#include "platform/Progress.h"

#include <cstdio>

namespace varno::cli {

/// While it lives, progress reports are followed; with a `terminal` they are
/// drawn on it, each over the last, and the line is cleared when it goes.
/// Hosts pass a terminal only when standard error is one, so redirected
/// output never holds progress.
class ProgressLine {
public:
    explicit ProgressLine(std::FILE* terminal);
    ~ProgressLine();
    ProgressLine(const ProgressLine&) = delete;
    ProgressLine& operator=(const ProgressLine&) = delete;

    /// Removes what is drawn, so that other text can be written.
    void Clear();

private:
    static void Report(void* context, ProgressStage stage, long long done, long long total);

    std::FILE* m_terminal;
    bool m_drawn = false;  ///< something is on the line and must be cleared
};

} // namespace varno::cli
