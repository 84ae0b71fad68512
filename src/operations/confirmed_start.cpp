#include "operations/confirmed_start.h"

#include "operations/operations.h"

namespace kx::ops {

ConfirmedStart StartConfirmedOperation(OperationContext& ctx, int confirmMessage) {
    constexpr int kMsgPortGone = 5;
    if (!CheckConnection(ctx)) return ConfirmedStart::ConnectionLost;
    if (!ctx.out.ConfirmMessage(confirmMessage)) return ConfirmedStart::Cancelled;
    ctx.out.ClearOutput();
    // Probe the device: an adapter pulled while the question was open must count as a
    // lost connection here, not as a failed command later.
    if (!ctx.link.IsPortAlive()) {
        ctx.out.AppendMessage(kMsgPortGone);
        return ConfirmedStart::ConnectionLost;
    }
    return ConfirmedStart::Go;
}

}  // namespace kx::ops
