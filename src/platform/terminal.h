#pragma once
// Whether the standard streams are a terminal (a Windows console counts as one).

namespace kx::platform {

enum class StandardStream { In, Out, Err };

bool IsTerminal(StandardStream stream);

// How many columns the terminal behind `stream` shows; 0 when it does not say.
unsigned TerminalColumns(StandardStream stream);

// Waits up to `timeoutMs` for standard input to have something to read (a line, its end or
// an error); false when the time ran out first, so the caller can look at other things.
bool WaitForInput(int timeoutMs);

}  // namespace kx::platform
