// The handler only calls async-signal-safe functions (write, unlink, _exit)
// on state that is prepared beforehand.
#include "cli/Interrupt.h"

#include <unistd.h>

#include <csignal>
#include <cstring>

namespace varno::cli {

namespace {

volatile std::sig_atomic_t g_drawn = 0;
const char* volatile g_message = "varnocsv: interrupted\n";
char g_remove[4096];
volatile std::sig_atomic_t g_haveRemove = 0;

void Write(const char* text)
{
    size_t left = std::strlen(text);
    while (left > 0) {
        const ssize_t n = ::write(STDERR_FILENO, text, left);
        if (n <= 0)
            return;
        text += n;
        left -= static_cast<size_t>(n);
    }
}

extern "C" void OnInterrupt(int)
{
    if (g_drawn)
        Write("\r\033[K");
    if (g_haveRemove)
        ::unlink(g_remove);
    Write(g_message);
    ::_exit(130);
}

} // namespace

void InstallInterruptHandler()
{
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

void OnInterruptSay(const char* message)
{
    g_message = message;
}

void OnInterruptRemove(const char* path)
{
    g_haveRemove = 0;
    if (path && std::strlen(path) < sizeof g_remove) {
        std::strcpy(g_remove, path);
        g_haveRemove = 1;
    }
}

void SetProgressDrawn(bool drawn)
{
    g_drawn = drawn;
}

} // namespace varno::cli
