// Replacing the programmer's firmware through its bootstrap loader at 9600 baud.

#include <algorithm>
#include <array>
#include <cstdint>
#include <span>
#include <string>

#include "operations/confirmed_start.h"
#include "operations/firmware_container.h"
#include "operations/loader_probe.h"
#include "operations/operations.h"
#include "operations/version_check.h"

namespace kx::ops {
namespace {

constexpr int kMsgPortGone = 5;
constexpr int kMsgConnectFailed = 9;
constexpr int kMsgForeignFirmware = 49;
constexpr int kMsgUpToDate = 50;
constexpr int kMsgStartUpdate = 51;
constexpr int kMsgUpdateFailed = 52;
constexpr int kMsgUpdated = 53;
constexpr int kMsgConfirmUpdate = 56;

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

std::string NoFirmwareText(std::string_view what, UiLanguage language) {
    if (language == UiLanguage::Chinese) {
        return "本软件携带的固件文件" + std::string(what) +
               "不可用，取消升级！请用正确的固件文件重新编译本软件（KX_FIRMWARE_DIR）。\r\n";
    }
    return "The firmware this program carries is unusable (" + std::string(what) +
           "), updating terminated! Rebuild the program with the real firmware files "
           "(KX_FIRMWARE_DIR).\r\n";
}

// Both containers must be sound before the box leaves its firmware: a fault found later
// would leave an erased box.
std::optional<CarriedCode> LoadCarriedCode(std::string* problem) {
    ContainerError error = ContainerError::None;
    auto firmware = ParseFirmwareContainer(ProgrammerFirmwareBytes(), &error);
    if (!firmware) {
        *problem = "programmer_firmware.bin " + std::string(ContainerErrorText(error));
        return std::nullopt;
    }
    auto patch = ParseFirmwareContainer(LoaderPatchBytes(), &error);
    if (!patch) {
        *problem = "loader_patch.bin " + std::string(ContainerErrorText(error));
        return std::nullopt;
    }
    if (patch->segments.size() != 1 || patch->segments[0].bytes.size() > kMaxPatchBytes) {
        *problem = "loader_patch.bin must be one segment of at most 196 bytes";
        return std::nullopt;
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

    // Writes every segment in blocks of 128 bytes; false on the first block not taken.
    bool WriteFirmware(const FirmwareContainer& firmware, bool patched) {
        ctx_.out.SetProgressRange(std::uint32_t{firmware.WordSum()} * 2);
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

// A port that is gone from the list is a lost programmer (9); one that is there but will
// not open, a port that failed (5).
int PortFailureMessage(const OperationContext& ctx) {
    return ctx.link.LastOpenFailure() == link::OpenFailure::NoSuchPort ? kMsgConnectFailed
                                                                       : kMsgPortGone;
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
        out.AppendMessage(kMsgUpdateFailed);
        return false;
    }
    const std::optional<std::uint16_t> version = loader.LoaderVersion();
    if (!version) {
        out.AppendMessage(kMsgUpdateFailed);
        return false;
    }
    const bool patched = *version <= kLastPatchedLoader;
    if (patched && !loader.InstallPatch(code.patch.segments.front())) {
        out.AppendMessage(kMsgUpdateFailed);
        return false;
    }
    ctx.clock.SleepMs(1);
    ctx.link.SyncLoader();
    if (!loader.WriteFirmware(code.firmware, patched) || !loader.VerifyFirmware(code.firmware)) {
        out.AppendMessage(kMsgUpdateFailed);
        return false;
    }
    loader.StartFirmware();
    out.AppendMessage(kMsgUpdated);
    return true;
}

UpdateOutcome Update(OperationContext& ctx, const std::string& portPath) {
    UpdateOutcome outcome;
    Output& out = ctx.out;

    switch (StartConfirmedOperation(ctx, kMsgConfirmUpdate)) {
        case ConfirmedStart::ConnectionLost:
            outcome.connectionLost = true;
            return outcome;
        case ConfirmedStart::Cancelled:
            outcome.cancelled = true;
            return outcome;
        case ConfirmedStart::Go:
            break;
    }

    std::array<std::uint8_t, link::kVersionReplySize> versionReply{};
    // A box whose last update did not finish answers only its loader; the update goes on
    // from there (mass erase first, so what was half written does not matter).
    const bool inLoader = ctx.link.GetVersion(versionReply) != link::kLinkOk;
    if (inLoader && !LoaderAnswers(ctx, portPath)) {
        ctx.link.OpenPortPath(portPath, kNormalBaud);  // as it was, for a box that recovers
        out.AppendMessage(kMsgConnectFailed);
        return outcome;
    }
    if (inLoader) out.AppendShownText(LoaderOnlyText(out.Language(), true));
    // No firmware at all counts as older than the carried one.
    switch (inLoader ? FirmwareVerdict::Older : JudgeVersionReply(versionReply)) {
        case FirmwareVerdict::Foreign:
            out.AppendMessage(kMsgForeignFirmware);
            return outcome;
        case FirmwareVerdict::Current:
        case FirmwareVerdict::Newer:
            out.AppendMessage(kMsgUpToDate);
            return outcome;
        case FirmwareVerdict::Older:
            break;
    }

    std::string problem;
    const std::optional<CarriedCode> code = LoadCarriedCode(&problem);
    if (!code) {
        out.AppendShownText(NoFirmwareText(problem, out.Language()));
        return outcome;
    }

    if (!inLoader && ctx.link.EnterLoader() != link::kLinkOk) {
        out.AppendMessage(kMsgConnectFailed);
        return outcome;
    }
    out.AppendMessage(kMsgStartUpdate);
    {
        BusyScope busy(out);
        if (!RunLoaderSession(ctx, *code, portPath)) return outcome;
    }
    outcome.success = true;

    ctx.link.ResetProgrammer();
    ctx.link.ClosePort();
    if (ctx.link.OpenPortPath(portPath, kNormalBaud) == link::kLinkOk) {
        outcome.portReopened = true;
    } else {
        out.ShowMessage(PortFailureMessage(ctx));
    }
    out.CompletionBeep();
    outcome.disableUpdateButton = true;
    return outcome;
}

}  // namespace

UpdateOutcome UpdateFirmware(OperationContext& ctx, const OperationInputs& /*in*/,
                             const std::string& portPath) {
    UpdateOutcome outcome = Update(ctx, portPath);
    // A box pulled mid-update: the step's message stays, and the caller learns that the
    // link is gone rather than that one command failed.
    if (!outcome.success && !outcome.cancelled && !outcome.connectionLost) {
        outcome.connectionLost = !ctx.link.IsPortAlive();
    }
    return outcome;
}

}  // namespace kx::ops
