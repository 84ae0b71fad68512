#pragma once
// Recognising a box that answers only its own loader at 9600 baud: what a firmware update
// that did not finish leaves behind. Internal to the operations.

#include <string>

#include "operations/operation_context.h"

namespace kx::ops {

// Reopens `path` at 9600 baud and sends the loader's sync byte (a second time if the first
// went unanswered). True when the loader answered; the port then stays open at 9600 and
// the loader waits for its next sync. False leaves the port closed.
bool LoaderAnswers(OperationContext& ctx, const std::string& path);

}  // namespace kx::ops
