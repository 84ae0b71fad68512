#pragma once
// Whether the standard streams are a terminal (a Windows console counts as one).

namespace kx::platform {

enum class StandardStream { In, Out, Err };

bool IsTerminal(StandardStream stream);

}  // namespace kx::platform
