#pragma once
// Recognising a box that answers only its own loader at 9600 baud: what a firmware update
// that did not finish leaves behind. Internal to the operations.

#include <string>

#include "messages/ui_language.h"
#include "operations/operation_context.h"

namespace kx::ops {

// Reopens `path` at 9600 baud and sends the loader's sync byte (a second time if the first
// went unanswered). True when the loader answered; the port then stays open at 9600 and
// the loader waits for its next sync. False leaves the port closed.
bool LoaderAnswers(OperationContext& ctx, const std::string& path);

// The line that says so: for discovery, or when the update goes on from the loader.
std::string LoaderOnlyText(UiLanguage language, bool updating);

}  // namespace kx::ops
