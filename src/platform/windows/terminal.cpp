#include "platform/terminal.h"

#include <windows.h>

namespace kx::platform {

bool IsTerminal(StandardStream stream) {
    const DWORD which = stream == StandardStream::In    ? STD_INPUT_HANDLE
                        : stream == StandardStream::Out ? STD_OUTPUT_HANDLE
                                                        : STD_ERROR_HANDLE;
    // Only a console has a console mode; a pipe, a file and NUL do not.
    DWORD mode = 0;
    return ::GetConsoleMode(::GetStdHandle(which), &mode) != 0;
}

}  // namespace kx::platform
