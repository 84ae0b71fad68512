#include "operations/confirmed_start.h"

namespace kx::ops {

std::optional<Result> StartConfirmedOperation(OperationContext& ctx, Message confirmMessage) {
    if (!CheckConnection(ctx)) return Result::ConnectionLost;
    if (!ctx.out.ConfirmMessage(confirmMessage)) return Result::Cancelled;
    ctx.out.ClearOutput();
    // Probe the device: an adapter pulled while the question was open must count as a
    // lost connection here, not as a failed command later.
    if (!ctx.link.IsPortAlive()) {
        ctx.out.AppendMessage(Message::ProgrammerOpenFailed);
        return Result::ConnectionLost;
    }
    return std::nullopt;
}

}  // namespace kx::ops
