#include "platform/terminal.h"

#include <windows.h>

namespace kx::platform {

namespace {

HANDLE HandleOf(StandardStream stream) {
    return ::GetStdHandle(stream == StandardStream::In    ? STD_INPUT_HANDLE
                          : stream == StandardStream::Out ? STD_OUTPUT_HANDLE
                                                          : STD_ERROR_HANDLE);
}

}  // namespace

bool IsTerminal(StandardStream stream) {
    // Only a console has a console mode; a pipe, a file and NUL do not.
    DWORD mode = 0;
    return ::GetConsoleMode(HandleOf(stream), &mode) != 0;
}

unsigned TerminalColumns(StandardStream stream) {
    CONSOLE_SCREEN_BUFFER_INFO info{};
    if (::GetConsoleScreenBufferInfo(HandleOf(stream), &info) == 0) return 0;
    return static_cast<unsigned>(info.srWindow.Right - info.srWindow.Left + 1);
}

bool WaitForInput(int timeoutMs) {
    // A console is signalled for any input event, a pipe or file is always: the read that
    // follows then waits for the line itself.
    return ::WaitForSingleObject(HandleOf(StandardStream::In), static_cast<DWORD>(timeoutMs)) !=
           WAIT_TIMEOUT;
}

}  // namespace kx::platform
