#pragma once
// The common opening of the operations that ask before they start (offline download,
// firmware update). Internal to the operations.

#include <optional>

#include "operations/operations.h"

namespace kx::ops {

// CheckConnection, then the OK/Cancel question `confirmMessage`, then a cleared pane;
// nullopt to go on. Otherwise how the operation ends: Cancelled, or ConnectionLost (also
// when the port went while the question was open, probed as CheckConnection does, after
// ProgrammerOpenFailed).
std::optional<Result> StartConfirmedOperation(OperationContext& ctx, Message confirmMessage);

}  // namespace kx::ops
