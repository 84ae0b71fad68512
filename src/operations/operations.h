#pragma once
// The programmer operations, one function each. They report through OperationContext::out
// and return what the caller (window or command line) must change; they never touch widgets.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "operations/operation_context.h"

namespace kx::ops {

// How an operation ended; the window and the command line switch on it. What else an
// operation reports (port, target status, serial numbers, ...) sits beside it.
enum class Result : std::uint8_t {
    Succeeded,
    Failed,          // stopped after saying why
    Cancelled,       // a confirmation was answered No; nothing was sent
    ConnectionLost,  // the port is gone (before or during): go to the searching state
    UpToDate,        // nothing to do: the box's firmware needs no update (UpdateUpToDate)
};

// --- discovery -----------------------------------------------------------------------
struct DiscoveryOutcome {
    Result result = Result::Failed;  // Succeeded: a box (or only its loader) answered
    unsigned portIndex = 8;          // index the scan stopped on; 8 when nothing answered
    std::string portPath;            // the port's device path: later reopenings use this
    bool firmwareOlder = false;      // enable the firmware-update button
    bool loaderOnly = false;         // only the box's loader answers: an update did not finish
    std::vector<std::string> hints;  // e.g. ports refused for lack of permission
};
// Tries COM1..COM8 in turn; the first port whose box answers GET_VERSION stays open. If
// none does, the ports that opened are asked for the box's loader at 9600 (loaderOnly;
// the port stays open at 115200). Shows Connected, the loader line, or ConnectFailed
// (followed by any hints).
DiscoveryOutcome FindProgrammer(OperationContext& ctx);
// Asks COM1..COM8 at once and returns the device path of every port whose box answers
// GET_VERSION, lowest first. Leaves every port closed and says nothing: a gang opens each
// box again on its own link.
std::vector<std::string> FindAllProgrammers(OperationContext& ctx);
// True when the open port is still usable; otherwise shows ConnectFailed and returns false
// (the caller returns to its searching state).
bool CheckConnection(OperationContext& ctx);

// --- programming run ---------------------------------------------------------------------
struct RunOutcome {
    Result result = Result::Failed;  // never Cancelled or UpToDate
    std::uint16_t targetStatus = 0;
    std::uint16_t targetChipId = 0;
    std::string boxIdentification;  // as the box answered GET_VERSION; empty when it did not
    // The counter advanced: the record with usedSerial went out (or, with the information
    // flash protected, the run ended well). Also on a failed run once the record was sent:
    // the number is used up, a gap in the numbering rather than a number stamped twice.
    bool serialAdvanced = false;
    std::uint32_t usedSerial = 0;
    std::uint32_t newSerial = 0;  // the serial counter after the run (unchanged if it stopped)
    bool serialRefused = false;   // reserveSerial refused: nothing was stamped
    // The number in the product record that went out to the chip, counted or typed; unset
    // when no record went out (none asked for, the information flash protected, or the run
    // stopped before it).
    std::optional<std::uint32_t> recordSerial;
    // The catalogue message the run ended with: the failing step's, or on success the last
    // step's (the elapsed time is no result). A refused serial number ends the run without
    // a message of its own; it counts as InfoWriteFailed, since no record was written.
    Message message = Message::ConnectFailed;
};
RunOutcome RunProgramming(OperationContext& ctx, const OperationInputs& in);

// --- target read ---------------------------------------------------------------------------
struct ReadOutcome {
    Result result = Result::Failed;  // Succeeded: the image holds the read data, so re-render
                                     // the view, set the title "Code1.txt - <identification>",
                                     // enable Run/Save
    std::uint16_t targetStatus = 0;
    std::uint16_t targetChipId = 0;
    std::uint32_t blocks = 0;   // blocks taken into the image
    std::uint32_t rereads = 0;  // extra TX_DATA_BLOCK sent to confirm unchecked replies
};
// Reads into a fresh image and copies it into ctx.image only when the whole read succeeded,
// taking the vectors and their in-use marks from it as a load does; a read that stops early
// leaves the image and the security words as they were.
ReadOutcome ReadTarget(OperationContext& ctx, const OperationInputs& in);

// --- offline download ------------------------------------------------------------------------
Result DownloadOffline(OperationContext& ctx, const OperationInputs& in);

// --- firmware update ---------------------------------------------------------------------------
struct UpdateOutcome {
    Result result = Result::Failed;  // also Failed when this build carries nothing it may
                                     // write (nothing sent); Succeeded: the update ran to its
                                     // end, so the update button goes off
    bool portReopened = false;       // the port is open again at 115200
};
// Reopens the port by `portPath` (the path discovery found) at 9600 and back. A box that
// answers only its loader is updated from there.
UpdateOutcome UpdateFirmware(OperationContext& ctx, const OperationInputs& in,
                             const std::string& portPath);
// Why the update must not write these containers into a box (missing, damaged, or stand-ins
// while `allowStandIn` is off), as a pane text in `language`; empty when it may.
std::string CarriedFirmwareRefusal(std::span<const std::uint8_t> firmware,
                                   std::span<const std::uint8_t> patch, bool allowStandIn,
                                   UiLanguage language);
// The same for the containers this build carries; stand-ins only with
// KX_ALLOW_STANDIN_FIRMWARE=1 in the environment.
std::string CarriedFirmwareRefusal(UiLanguage language);

// --- VPP test ------------------------------------------------------------------------------------
// Succeeded when the box acknowledged; otherwise Failed.
Result VppTest(OperationContext& ctx);

}  // namespace kx::ops
