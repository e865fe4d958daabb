// Internal: the party lists of text messages and e-mails. Each keeps all
// parties of one role (the senders, the receivers, ...) in one cell, the
// entries joined by ";". Numbers and addresses share the joining and the
// splitting; what is done to each entry differs and stays with its converter.
#pragma once

#include "platform/CString.h"

namespace varno::detail {

/// Adds `entry` to a list cell: ";" first unless the list is still empty.
/// So an empty entry at the start adds nothing, and one further on adds
/// only its separator.
inline void AppendListEntry(CString& list, const CString& entry)
{
    if (!list.IsEmpty())
        list += u';';
    list += entry;
}

/// Calls `add(piece)` for the pieces of a list cell, in order: the runs of
/// text between ";" characters, each trimmed of white space at both ends.
/// A run of ";" is one separator, at the start of the text too. The walk
/// ends at the end of the text or at the first piece that is blank after
/// trimming; pieces behind a blank one are not read.
template <class Add>
void ForEachListPiece(const CString& text, Add&& add)
{
    int position = 0;
    for (;;) {
        CString piece = text.Tokenize(u";", position);
        if (piece.Trim().IsEmpty())
            return;
        add(piece);
    }
}

} // namespace varno::detail
