#pragma once
// Judging the firmware identification a GET_VERSION reply carries from offset 4.
// Only the first 17 characters take part ("KX_VELDRAN V02.73"); the revision letter that
// follows is never compared.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "common/identification.h"
#include "link/link_types.h"
#include "messages/message_catalogue.h"

namespace kx::ops {

inline constexpr std::string_view kProductPrefix = kIdentification.substr(0, 12);
inline constexpr std::string_view kExpectedVersion = kIdentification.substr(0, 17);

enum class FirmwareVerdict {
    Foreign,  // first 12 characters differ: not this kind of programmer
    Older,    // the box runs older firmware than this program carries
    Current,  // first 17 characters equal
    Newer,    // the box runs newer firmware than this program knows
};

// Compares the 17 bytes as unsigned bytes, like a memory comparison.
FirmwareVerdict JudgeIdentification(std::span<const std::uint8_t, 17> identification);
// The 17 bytes at offset 4 of a raw GET_VERSION reply.
FirmwareVerdict JudgeVersionReply(std::span<const std::uint8_t, link::kVersionReplySize> reply);
// A text form (e.g. from a log or a test); shorter texts compare as if NUL-padded.
FirmwareVerdict JudgeIdentificationText(std::string_view identification);

// The message that turns a box away: a foreign firmware, an older one (the box needs a
// firmware update) or a newer one (this program needs an update); none for Current.
std::optional<Message> VersionRefusal(FirmwareVerdict verdict);

struct OperationContext;
// Before a run or a download: asks the box for its identification and shows
// VersionReadFailed when it does not answer, else the refusal. True when the box runs the firmware
// this program speaks. The text it answered goes to `identification` when given.
bool FirmwareAccepted(OperationContext& ctx, std::string* identification = nullptr);

}  // namespace kx::ops
