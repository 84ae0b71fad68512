// Asking the box to test its fuse-blowing voltage.

#include "operations/operations.h"

namespace kx::ops {
namespace {

// Fixed texts of this test, the same in both languages.
constexpr std::string_view kTestOk = "Test OK!\r\n";
constexpr std::string_view kTestFailed = "Test Failed!\r\n";

}  // namespace

Result VppTest(OperationContext& ctx) {
    if (!ctx.link.IsOpen()) {
        // Keep what the pane held: the user may still need it.
        ctx.out.AppendMessage(Message::ProgrammerOpenFailed);
        return Result::Failed;
    }
    ctx.out.ClearOutput();
    const bool ok = ctx.link.VppTest() == link::kLinkOk;
    // The pane was just emptied, so replacing it shows the verdict alone without a scroll.
    ctx.out.ShowText(ok ? kTestOk : kTestFailed);
    return ok ? Result::Succeeded : Result::Failed;
}

}  // namespace kx::ops
