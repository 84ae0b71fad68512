// Finding the programmer on COM1..COM8 and noticing when it has gone.

#include <array>
#include <string>
#include <utility>

#include "link/open_failure.h"
#include "messages/text_catalogue.h"
#include "operations/loader_probe.h"
#include "operations/operations.h"
#include "operations/version_check.h"

namespace kx::ops {
namespace {

constexpr unsigned kPortCount = 8;
constexpr std::uint32_t kNormalBaud = 115200;
constexpr int kEvenParity = 2;

}  // namespace

DiscoveryOutcome FindProgrammer(OperationContext& ctx) {
    DiscoveryOutcome outcome;
    std::vector<std::string> hints;
    std::vector<std::pair<unsigned, std::string>> silent;  // opened, but nothing answered
    for (unsigned index = 0; index < kPortCount; ++index) {
        outcome.portIndex = index;
        if (ctx.link.OpenPort(index, kNormalBaud, kEvenParity) == link::kLinkOk) {
            std::array<std::uint8_t, link::kVersionReplySize> reply{};
            if (ctx.link.GetVersion(reply) == link::kLinkOk) {
                // Any answering box counts as found; the operations judge the version.
                outcome.result = Result::Succeeded;
                outcome.portPath = ctx.link.OpenPath();
                outcome.firmwareOlder = JudgeVersionReply(reply) == FirmwareVerdict::Older;
                break;
            }
            silent.emplace_back(index, ctx.link.OpenPath());
        } else if (ctx.link.LastOpenFailure() == link::OpenFailure::AccessDenied) {
            // Without this a Linux user who is not in 'dialout' only ever sees "failed".
            hints.push_back(link::OpenFailureHint(link::OpenFailure::AccessDenied,
                                                  ctx.link.PortName(index), ctx.out.Language()) +
                            "\r\n");
        }
        ctx.link.ClosePort();
    }
    // Only when no firmware answered: a box that an unfinished update left in its loader
    // answers nothing but the sync at 9600. It stays open at the normal speed, like any
    // box; the update finds its loader again.
    for (std::size_t i = 0; outcome.result != Result::Succeeded && i < silent.size(); ++i) {
        const auto& [index, path] = silent[i];
        if (!LoaderAnswers(ctx, path)) continue;
        if (ctx.link.OpenPortPath(path, kNormalBaud, kEvenParity) != link::kLinkOk) continue;
        outcome.result = Result::Succeeded;
        outcome.loaderOnly = true;
        outcome.firmwareOlder = true;
        outcome.portIndex = index;
        outcome.portPath = path;
    }

    if (outcome.result != Result::Succeeded) {
        outcome.portIndex = kPortCount;
        std::string text(MessageText(Message::ConnectFailed, ctx.out.Language()));
        for (const auto& hint : hints) text += hint;
        ctx.out.ShowText(text);
        outcome.hints = std::move(hints);
        return outcome;
    }
    if (outcome.loaderOnly) {
        ctx.out.ShowText(SayText(ctx.out.Language(), Text::LoaderOnlyUpdateAgain));
    } else {
        ctx.out.ShowMessage(Message::Connected);
    }
    return outcome;
}

bool CheckConnection(OperationContext& ctx) {
    if (ctx.link.IsPortAlive()) return true;
    ctx.out.ShowMessage(Message::ConnectFailed);
    return false;
}

}  // namespace kx::ops
