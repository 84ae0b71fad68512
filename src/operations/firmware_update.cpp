// Replacing the programmer's firmware through its bootstrap loader at 9600 baud.

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>
#include <string_view>
#include <utility>

#include "messages/text_catalogue.h"
#include "operations/confirmed_start.h"
#include "operations/firmware_container.h"
#include "operations/loader_probe.h"
#include "operations/operations.h"
#include "operations/version_check.h"

namespace kx::ops {
namespace {

constexpr std::uint32_t kLoaderBaud = 9600;
constexpr std::uint32_t kNormalBaud = 115200;
constexpr std::uint16_t kPasswordAddress = 0xFFE0;
constexpr std::uint16_t kLoaderVersionAddress = 0x0FFA;
constexpr std::uint16_t kLastPatchedLoader = 0x0110;
constexpr std::uint16_t kPatchPrepareEntry = 0x0C22;
constexpr std::uint16_t kPatchEntry = 0x0220;
constexpr std::uint16_t kResetVector = 0xFFFE;
constexpr std::size_t kFirmwareBlock = 128;
// The patch goes in one RX_DATA_BLOCK frame.
constexpr std::size_t kMaxPatchBytes = 196;

struct CarriedCode {
    FirmwareContainer firmware;
    FirmwareContainer patch;
};

// Every refusal ends saying how to give the build the real containers.
std::string Refusal(UiLanguage language, Text text, std::string_view what) {
    return SayText(language, text, {what, SayText(language, Text::FirmwareHowToProvide)});
}

// The read-back's wire time at 9600 baud, 11 bits a character: per block a 10-byte request,
// the reply (the data and 6 bytes of frame) and the 2-byte sync.
std::uint32_t ReadBackSeconds(const FirmwareContainer& firmware) {
    std::uint32_t characters = 0;
    for (const auto& segment : firmware.segments) {
        const std::size_t blocks = (segment.bytes.size() + kFirmwareBlock - 1) / kFirmwareBlock;
        characters += static_cast<std::uint32_t>(segment.bytes.size() + blocks * (10 + 6 + 2));
    }
    return (characters * 11 + kLoaderBaud - 1) / kLoaderBaud;
}

bool StandInAllowed() {
    const char* value = std::getenv("KX_ALLOW_STANDIN_FIRMWARE");
    return value != nullptr && std::string_view(value) == "1";
}

// Both containers must be sound, and real unless stand-ins are asked for, before anything is
// sent: a fault found later would leave an erased box.
std::optional<CarriedCode> LoadCarriedCode(std::span<const std::uint8_t> firmwareBytes,
                                           std::span<const std::uint8_t> patchBytes,
                                           bool allowStandIn, UiLanguage language,
                                           std::string* refusal) {
    constexpr std::string_view kFirmwareFile = "programmer_firmware.bin";
    constexpr std::string_view kPatchFile = "loader_patch.bin";
    ContainerError error = ContainerError::None;
    auto firmware = ParseFirmwareContainer(firmwareBytes, &error);
    if (!firmware) {
        *refusal = Refusal(language, Text::FirmwareUnusable,
                           ContainerFaultText(error, kFirmwareFile, language));
        return std::nullopt;
    }
    auto patch = ParseFirmwareContainer(patchBytes, &error);
    if (!patch) {
        *refusal = Refusal(language, Text::FirmwareUnusable,
                           ContainerFaultText(error, kPatchFile, language));
        return std::nullopt;
    }
    if (patch->segments.size() != 1 || patch->segments[0].bytes.size() > kMaxPatchBytes) {
        *refusal = Refusal(language, Text::FirmwareUnusable,
                           SayText(language, Text::LoaderPatchTooLarge,
                                   {kPatchFile, std::to_string(kMaxPatchBytes)}));
        return std::nullopt;
    }
    if (!allowStandIn) {
        for (const auto& [bytes, file] :
             {std::pair{firmwareBytes, kFirmwareFile}, std::pair{patchBytes, kPatchFile}}) {
            if (IsStandInContainer(bytes)) {
                *refusal = Refusal(language, Text::FirmwareStandIn, file);
                return std::nullopt;
            }
        }
    }
    return CarriedCode{std::move(*firmware), std::move(*patch)};
}

using PasswordBytes = std::array<std::uint8_t, link::kPasswordSize>;

// Talks to the box's loader; every command is preceded by the sync byte.
class LoaderSession {
  public:
    explicit LoaderSession(OperationContext& ctx) : ctx_(ctx) { erasedPassword_.fill(0xFF); }

    bool MassErase() {
        ctx_.link.SyncLoader();
        return ctx_.link.MassErase() == link::kLinkOk;
    }
    bool Unlock() {
        ctx_.link.SyncLoader();
        return ctx_.link.RxPassword(kPasswordAddress, erasedPassword_) == link::kLinkOk;
    }
    std::optional<std::uint16_t> LoaderVersion() {
        ctx_.link.SyncLoader();
        std::array<std::uint8_t, 8> reply{};
        if (ctx_.link.TxDataBlock(kLoaderVersionAddress, 2, reply) != link::kLinkOk) {
            return std::nullopt;
        }
        return static_cast<std::uint16_t>(reply[4] * 256 + reply[5]);
    }
    // Older loaders need the RAM patch to write flash correctly.
    bool InstallPatch(const FirmwareSegment& patch) {
        ctx_.link.SyncLoader();
        ctx_.link.LoadPc(kPatchPrepareEntry);
        if (!Unlock()) return false;
        ctx_.link.SyncLoader();
        // The loader must take the patch, or every block written after it is suspect.
        if (ctx_.link.RxDataBlock(patch.address, patch.bytes) != link::kLinkOk) return false;
        ctx_.link.SyncLoader();
        ctx_.link.LoadPc(kPatchEntry);
        return true;
    }

    // Writes every segment in blocks of 128 bytes; false on the first block not taken. The
    // bar runs over the write and the read-back: each byte counts twice.
    bool WriteFirmware(const FirmwareContainer& firmware, bool patched) {
        ctx_.out.SetProgressRange(std::uint32_t{firmware.WordSum()} * 2 * 2);
        std::uint32_t written = 0;
        for (const auto& segment : firmware.segments) {
            for (std::size_t at = 0; at < segment.bytes.size(); at += kFirmwareBlock) {
                const std::size_t n = std::min(kFirmwareBlock, segment.bytes.size() - at);
                written += static_cast<std::uint32_t>(n);
                const auto address = static_cast<std::uint16_t>(segment.address + at);
                const std::span<const std::uint8_t> block(segment.bytes.data() + at, n);
                if (ctx_.link.RxDataBlock(address, block) != link::kLinkOk) return false;
                if (patched) {
                    ctx_.link.SyncLoader();
                    ctx_.link.LoadPc(kPatchEntry);
                }
                ctx_.out.SetProgressPos(written);
                ctx_.link.SyncLoader();
            }
        }
        return true;
    }

    // Reads every block back through the loader; false on a failed read or a difference.
    bool VerifyFirmware(const FirmwareContainer& firmware) {
        std::array<std::uint8_t, kFirmwareBlock + 6> reply{};
        std::uint32_t checked = std::uint32_t{firmware.WordSum()} * 2;
        for (const auto& segment : firmware.segments) {
            for (std::size_t at = 0; at < segment.bytes.size(); at += kFirmwareBlock) {
                const std::size_t n = std::min(kFirmwareBlock, segment.bytes.size() - at);
                const auto address = static_cast<std::uint16_t>(segment.address + at);
                if (ctx_.link.TxDataBlock(address, static_cast<std::uint8_t>(n),
                                          std::span<std::uint8_t>(reply.data(), n + 6)) !=
                    link::kLinkOk) {
                    return false;
                }
                if (!std::equal(segment.bytes.begin() + static_cast<std::ptrdiff_t>(at),
                                segment.bytes.begin() + static_cast<std::ptrdiff_t>(at + n),
                                reply.begin() + link::kDataReplyHead)) {
                    return false;
                }
                checked += static_cast<std::uint32_t>(n);
                ctx_.out.SetProgressPos(checked);
                ctx_.link.SyncLoader();
            }
        }
        return true;
    }

    // Starts the new firmware at its reset vector; nothing is started if it cannot be read.
    // The loader takes a frame only after its sync byte, so the jump gets one as well.
    void StartFirmware() {
        std::array<std::uint8_t, 8> reply{};
        if (ctx_.link.TxDataBlock(kResetVector, 2, reply) == link::kLinkOk) {
            ctx_.link.SyncLoader();
            ctx_.link.LoadPc(static_cast<std::uint16_t>(reply[4] | (reply[5] << 8)));
        }
    }

  private:
    OperationContext& ctx_;
    PasswordBytes erasedPassword_{};
};

// A port that is gone from the list is a lost programmer; one that is there but will not
// open, a port that failed.
Message PortFailureMessage(const OperationContext& ctx) {
    return ctx.link.LastOpenFailure() == link::OpenFailure::NoSuchPort
               ? Message::ConnectFailed
               : Message::ProgrammerOpenFailed;
}

// Everything between the switch to the loader and the success message; false after
// reporting the failure.
bool RunLoaderSession(OperationContext& ctx, const CarriedCode& code, const std::string& path) {
    Output& out = ctx.out;
    if (ctx.link.OpenPortPath(path, kLoaderBaud) != link::kLinkOk) {
        out.AppendMessage(PortFailureMessage(ctx));
        return false;
    }
    LoaderSession loader(ctx);
    if (!loader.MassErase() || !loader.Unlock()) {
        out.AppendMessage(Message::UpdateFailed);
        return false;
    }
    const std::optional<std::uint16_t> version = loader.LoaderVersion();
    if (!version) {
        out.AppendMessage(Message::UpdateFailed);
        return false;
    }
    const bool patched = *version <= kLastPatchedLoader;
    if (patched && !loader.InstallPatch(code.patch.segments.front())) {
        out.AppendMessage(Message::UpdateFailed);
        return false;
    }
    ctx.clock.SleepMs(1);
    ctx.link.SyncLoader();
    if (!loader.WriteFirmware(code.firmware, patched)) {
        out.AppendMessage(Message::UpdateFailed);
        return false;
    }
    out.AppendShownText(SayText(out.Language(), Text::FirmwareReadingBack,
                                {std::to_string(ReadBackSeconds(code.firmware))}));
    if (!loader.VerifyFirmware(code.firmware)) {
        out.AppendMessage(Message::UpdateFailed);
        return false;
    }
    loader.StartFirmware();
    out.AppendMessage(Message::UpdateDone);
    return true;
}

}  // namespace

std::string CarriedFirmwareRefusal(std::span<const std::uint8_t> firmware,
                                   std::span<const std::uint8_t> patch, bool allowStandIn,
                                   UiLanguage language) {
    std::string refusal;
    LoadCarriedCode(firmware, patch, allowStandIn, language, &refusal);
    return refusal;
}

std::string CarriedFirmwareRefusal(UiLanguage language) {
    return CarriedFirmwareRefusal(ProgrammerFirmwareBytes(), LoaderPatchBytes(), StandInAllowed(),
                                  language);
}

namespace {

UpdateOutcome Update(OperationContext& ctx, const std::string& portPath) {
    UpdateOutcome outcome;
    Output& out = ctx.out;

    // A build without real firmware says so before it asks or sends anything.
    std::string refusal;
    const std::optional<CarriedCode> code = LoadCarriedCode(
        ProgrammerFirmwareBytes(), LoaderPatchBytes(), StandInAllowed(), out.Language(), &refusal);
    if (!code) {
        out.ShowText(refusal);
        return outcome;
    }

    if (const auto stop = StartConfirmedOperation(ctx, Message::ConfirmUpdate)) {
        outcome.result = *stop;
        return outcome;
    }

    std::array<std::uint8_t, link::kVersionReplySize> versionReply{};
    // A box whose last update did not finish answers only its loader; the update goes on
    // from there (mass erase first, so what was half written does not matter).
    const bool inLoader = ctx.link.GetVersion(versionReply) != link::kLinkOk;
    if (inLoader && !LoaderAnswers(ctx, portPath)) {
        ctx.link.OpenPortPath(portPath, kNormalBaud);  // as it was, for a box that recovers
        out.AppendMessage(Message::ConnectFailed);
        return outcome;
    }
    if (inLoader) out.AppendShownText(SayText(out.Language(), Text::LoaderOnlyFinishingUpdate));
    // No firmware at all counts as older than the carried one.
    switch (inLoader ? FirmwareVerdict::Older : JudgeVersionReply(versionReply)) {
        case FirmwareVerdict::Foreign:
            out.AppendMessage(Message::UpdateFirmwareIllegal);
            return outcome;
        case FirmwareVerdict::Current:
        case FirmwareVerdict::Newer:
            out.AppendMessage(Message::UpdateUpToDate);
            outcome.result = Result::UpToDate;
            return outcome;
        case FirmwareVerdict::Older:
            break;
    }

    if (!inLoader && ctx.link.EnterLoader() != link::kLinkOk) {
        out.AppendMessage(Message::ConnectFailed);
        return outcome;
    }
    out.AppendMessage(Message::UpdateStart);
    {
        BusyScope busy(out);
        if (!RunLoaderSession(ctx, *code, portPath)) return outcome;
    }
    outcome.result = Result::Succeeded;

    ctx.link.ResetProgrammer();
    ctx.link.ClosePort();
    if (ctx.link.OpenPortPath(portPath, kNormalBaud) == link::kLinkOk) {
        outcome.portReopened = true;
    } else {
        out.ShowMessage(PortFailureMessage(ctx));
    }
    out.CompletionBeep();
    return outcome;
}

}  // namespace

UpdateOutcome UpdateFirmware(OperationContext& ctx, const OperationInputs& /*in*/,
                             const std::string& portPath) {
    UpdateOutcome outcome = Update(ctx, portPath);
    // A box pulled mid-update (or just after it said it needs none): the step's message
    // stays, and the caller learns that the link is gone rather than that one command failed.
    const bool stopped = outcome.result == Result::Failed || outcome.result == Result::UpToDate;
    if (stopped && !ctx.link.IsPortAlive()) outcome.result = Result::ConnectionLost;
    return outcome;
}

}  // namespace kx::ops
