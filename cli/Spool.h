// Text that is shown only once all of it is known to be right: a listing
// goes to standard output only when its whole load worked.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace varno::cli {

/// Holds text in memory up to a megabyte and the rest in an unnamed
/// temporary file, so that a listing of a large store needs little memory.
/// Text is appended in whole pieces (a record's lines), and handed back in
/// whole pieces, so that each can be converted on its own.
class TextSpool {
public:
    TextSpool() = default;
    TextSpool(const TextSpool&) = delete;
    TextSpool& operator=(const TextSpool&) = delete;
    ~TextSpool();

    /// Appends a piece; false, with errno set, when the temporary file
    /// cannot be made or written (then nothing more is kept).
    bool Append(std::string_view piece);
    /// Calls send(text) for all the text in order, in runs of whole pieces;
    /// false, with errno set, when the temporary file cannot be read.
    template <class Send>
    bool SendTo(Send&& send)
    {
        std::string run;
        for (std::size_t size : m_spilled) {
            if (!ReadBack(size, run))
                return false;
            send(std::string_view(run));
        }
        send(std::string_view(m_buffer));
        return true;
    }

private:
    bool Spill();
    bool ReadBack(std::size_t size, std::string& run);

    int m_fd = -1;
    bool m_failed = false;
    std::string m_buffer;
    std::vector<std::size_t> m_spilled; ///< sizes of the runs in the file, in order
    long long m_readAt = 0;
};

} // namespace varno::cli
