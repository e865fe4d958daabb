// Ctrl-C (SIGINT) and SIGTERM: varnocsv ends at once with exit code 130 and
// one line that says what happened to the store or the file. An interrupted
// save leaves the store as it was, since SQLite rolls back a transaction
// that was not committed; a temporary export file is removed.
#pragma once

namespace varno::cli {

/// Installs the handler; until a command says more, an interrupt reports
/// just "interrupted".
void InstallInterruptHandler();
/// The line an interrupt prints from now on (a literal that lives for ever).
void OnInterruptSay(const char* message);
/// A file an interrupt removes (nullptr: none); the text is copied.
void OnInterruptRemove(const char* path);
/// Whether a progress line is on the terminal, to be cleared first.
void SetProgressDrawn(bool drawn);

} // namespace varno::cli
