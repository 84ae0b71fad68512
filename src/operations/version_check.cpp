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

int VersionRefusal(FirmwareVerdict verdict) {
    constexpr int kMsgForeignFirmware = 7;
    constexpr int kMsgFirmwareTooOld = 8;
    constexpr int kMsgSoftwareTooOld = 60;
    if (verdict == FirmwareVerdict::Foreign) return kMsgForeignFirmware;
    if (verdict == FirmwareVerdict::Older) return kMsgFirmwareTooOld;
    if (verdict == FirmwareVerdict::Newer) return kMsgSoftwareTooOld;
    return 0;
}

bool FirmwareAccepted(OperationContext& ctx) {
    constexpr int kMsgVersionReadFailed = 6;
    std::array<std::uint8_t, link::kVersionReplySize> reply{};
    if (ctx.link.GetVersion(reply) != link::kLinkOk) {
        ctx.out.AppendMessage(kMsgVersionReadFailed);
        return false;
    }
    const int refusal = VersionRefusal(JudgeVersionReply(reply));
    if (refusal != 0) ctx.out.AppendMessage(refusal);
    return refusal == 0;
}

}  // namespace kx::ops
