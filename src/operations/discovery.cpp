// Finding the programmer on COM1..COM8 and noticing when it has gone.

#include <array>
#include <string>

#include "link/open_failure.h"
#include "operations/operations.h"
#include "operations/version_check.h"

namespace kx::ops {
namespace {

constexpr unsigned kPortCount = 8;
constexpr std::uint32_t kNormalBaud = 115200;
constexpr int kEvenParity = 2;
constexpr int kMsgConnectFailed = 9;
constexpr int kMsgConnected = 10;

}  // namespace

DiscoveryOutcome FindProgrammer(OperationContext& ctx) {
    DiscoveryOutcome outcome;
    std::vector<std::string> hints;
    for (unsigned index = 0; index < kPortCount; ++index) {
        outcome.portIndex = index;
        if (ctx.link.OpenPort(index, kNormalBaud, kEvenParity) == link::kLinkOk) {
            std::array<std::uint8_t, link::kVersionReplySize> reply{};
            if (ctx.link.GetVersion(reply) == link::kLinkOk) {
                // Any answering box counts as found; the operations judge the version.
                outcome.found = true;
                outcome.firmwareOlder = JudgeVersionReply(reply) == FirmwareVerdict::Older;
                break;
            }
        } else if (ctx.link.LastOpenFailure() == link::OpenFailure::AccessDenied) {
            // Without this a Linux user who is not in 'dialout' only ever sees "failed".
            hints.push_back(
                link::OpenFailureHint(link::OpenFailure::AccessDenied, ctx.link.PortName(index)) +
                "\r\n");
        }
        ctx.link.ClosePort();
    }

    if (!outcome.found) {
        outcome.portIndex = kPortCount;
        std::string text(MessageText(kMsgConnectFailed, ctx.out.Language()));
        for (const auto& hint : hints) text += hint;
        ctx.out.ShowText(text);
        outcome.hints = std::move(hints);
        return outcome;
    }
    ctx.out.ShowMessage(kMsgConnected);
    return outcome;
}

bool CheckConnection(OperationContext& ctx) {
    if (ctx.link.IsPortAlive()) return true;
    ctx.out.ShowMessage(kMsgConnectFailed);
    return false;
}

}  // namespace kx::ops
