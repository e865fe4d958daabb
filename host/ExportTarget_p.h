// The file an export replaces, and the temporary file beside it that the
// library writes: the target is replaced only once the export has worked,
// so a failed or interrupted export leaves the old file as it was.
#pragma once

#include "host/Input.h"

#include <sys/types.h>

#include <string>
#include <utility>

namespace varno::host {

class ExportTarget {
public:
    /// For standard output (`shown` is how messages name it): the temporary
    /// file goes to $TMPDIR, else /tmp.
    explicit ExportTarget(std::string shown) : m_shown(std::move(shown)) {}
    /// The file `shown` (as messages name it), `native` on disk. A link is
    /// followed (the file it points to is written, the link kept). Throws an
    /// Error when the folder is missing or not a folder, when the target is
    /// a folder, or when another program holds it locked.
    ExportTarget(const std::string& shown, const std::string& native);
    ExportTarget(const ExportTarget&) = delete;
    ExportTarget& operator=(const ExportTarget&) = delete;
    /// Removes the temporary file unless it was put in place.
    ~ExportTarget();

    /// Makes the temporary file; its name ends in ".csv", so the library
    /// appends nothing. Throws an Error when it cannot be made.
    void MakeTemporary();
    [[nodiscard]] const std::string& Temporary() const { return m_temporary; }
    /// Puts the temporary file in place of the target, with the target's
    /// permission bits (or those a new file gets). Throws an Error when the
    /// rename fails; the temporary file is removed then.
    void Commit();
    /// Removes the temporary file.
    void Discard() noexcept;

private:
    std::string m_shown;
    Descriptor m_folder;
    Descriptor m_target; ///< the old file, locked while the export runs
    std::string m_base;  ///< the target's name in its folder
    mode_t m_mode = 0;
    std::string m_temporary;
};

/// Why a file could not be written, in words, from its errno.
[[nodiscard]] std::string WriteProblem(int error);

} // namespace varno::host
