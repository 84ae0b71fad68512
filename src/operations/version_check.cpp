#include "operations/version_check.h"

#include <algorithm>
#include <array>

#include "operations/operation_context.h"

namespace kx::ops {

FirmwareVerdict JudgeIdentification(std::span<const std::uint8_t, 17> identification) {
    const auto expected = [](std::size_t i) {
        return static_cast<std::uint8_t>(kExpectedVersion[i]);
    };
    for (std::size_t i = 0; i < kProductPrefix.size(); ++i) {
        if (identification[i] != expected(i)) return FirmwareVerdict::Foreign;
    }
    for (std::size_t i = kProductPrefix.size(); i < kExpectedVersion.size(); ++i) {
        if (identification[i] < expected(i)) return FirmwareVerdict::Older;
        if (identification[i] > expected(i)) return FirmwareVerdict::Newer;
    }
    return FirmwareVerdict::Current;
}

FirmwareVerdict JudgeVersionReply(std::span<const std::uint8_t, link::kVersionReplySize> reply) {
    return JudgeIdentification(reply.subspan<link::kDataReplyHead, 17>());
}

FirmwareVerdict JudgeIdentificationText(std::string_view identification) {
    std::array<std::uint8_t, 17> bytes{};
    const std::size_t n = std::min(identification.size(), bytes.size());
    for (std::size_t i = 0; i < n; ++i) bytes[i] = static_cast<std::uint8_t>(identification[i]);
    return JudgeIdentification(bytes);
}

std::optional<Message> VersionRefusal(FirmwareVerdict verdict) {
    if (verdict == FirmwareVerdict::Foreign) return Message::FirmwareVersionIllegal;
    if (verdict == FirmwareVerdict::Older) return Message::FirmwareTooOld;
    if (verdict == FirmwareVerdict::Newer) return Message::SoftwareTooOld;
    return std::nullopt;
}

bool FirmwareAccepted(OperationContext& ctx, std::string* identification) {
    std::array<std::uint8_t, link::kVersionReplySize> reply{};
    if (ctx.link.GetVersion(reply) != link::kLinkOk) {
        ctx.out.AppendMessage(Message::VersionReadFailed);
        return false;
    }
    if (identification != nullptr) *identification = link::VersionText(reply);
    const std::optional<Message> refusal = VersionRefusal(JudgeVersionReply(reply));
    if (refusal) ctx.out.AppendMessage(*refusal);
    return !refusal;
}

}  // namespace kx::ops
