#pragma once
// The common opening of the operations that ask before they start (offline download,
// firmware update). Internal to the operations.

#include "operations/operation_context.h"

namespace kx::ops {

enum class ConfirmedStart { Go, ConnectionLost, Cancelled };

// CheckConnection, then the OK/Cancel question `confirmMessage`, then a cleared pane. The
// port may have gone while the question was open (probed as CheckConnection does): then
// message 5 and ConnectionLost.
ConfirmedStart StartConfirmedOperation(OperationContext& ctx, int confirmMessage);

}  // namespace kx::ops
