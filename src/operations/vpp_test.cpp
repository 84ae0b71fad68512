// Asking the box to test its fuse-blowing voltage.

#include "messages/text_catalogue.h"
#include "operations/operations.h"

namespace kx::ops {

Result VppTest(OperationContext& ctx) {
    if (!ctx.link.IsOpen()) {
        // Keep what the pane held: the user may still need it.
        ctx.out.AppendMessage(Message::ProgrammerOpenFailed);
        return Result::Failed;
    }
    ctx.out.ClearOutput();
    const bool ok = ctx.link.VppTest() == link::kLinkOk;
    // The pane was just emptied, so replacing it shows the verdict alone without a scroll.
    ctx.out.ShowText(SayText(ctx.out.Language(), ok ? Text::VppTestPassed : Text::VppTestFailed));
    return ok ? Result::Succeeded : Result::Failed;
}

}  // namespace kx::ops
