#pragma once
// The programmer operations, one function each. They report through OperationContext::out
// and return what the caller (window or command line) must change; they never touch widgets.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "operations/operation_context.h"

namespace kx::ops {

// The identification this program carries and expects.
inline constexpr const char* kExpectedIdentification = "KX_VELDRAN V02.73A";

// --- discovery -----------------------------------------------------------------------
struct DiscoveryOutcome {
    bool found = false;
    unsigned portIndex = 8;        // index the scan stopped on; 8 when nothing answered
    bool firmwareOlder = false;    // enable the firmware-update button
    std::vector<std::string> hints;  // e.g. ports refused for lack of permission
};
// Tries COM1..COM8 in turn; the first port whose box answers GET_VERSION stays open.
// Shows message 10 or 9 (followed by any hints).
DiscoveryOutcome FindProgrammer(OperationContext& ctx);
// True when the open port is still usable; otherwise shows message 9 and returns false
// (the caller returns to its searching state).
bool CheckConnection(OperationContext& ctx);

// --- programming run ---------------------------------------------------------------------
struct RunOutcome {
    bool success = false;
    bool connectionLost = false;   // the port is gone (before or during the run): go to the
                                   // searching state
    std::uint16_t targetStatus = 0;
    std::uint16_t targetChipId = 0;
    bool serialAdvanced = false;   // write newSerial to the settings file at once
    std::uint32_t newSerial = 0;   // the serial counter after the run (unchanged if it stopped)
};
RunOutcome RunProgramming(OperationContext& ctx, const OperationInputs& in);

// --- target read ---------------------------------------------------------------------------
struct ReadOutcome {
    bool success = false;          // image holds the read data: re-render the view, set the
                                   // title "Code1.txt - <identification>", enable Run/Save
    bool connectionLost = false;   // the port is gone (before or during the read)
    std::uint16_t targetStatus = 0;
    std::uint16_t targetChipId = 0;
    std::uint32_t blocks = 0;      // blocks taken into the image
    std::uint32_t rereads = 0;     // extra TX_DATA_BLOCK sent to confirm unchecked replies
};
// Reads into a fresh image and copies it into ctx.image only when the whole read succeeded:
// a read that stops early leaves the image as it was.
ReadOutcome ReadTarget(OperationContext& ctx, const OperationInputs& in);

// --- offline download ------------------------------------------------------------------------
struct DownloadOutcome {
    bool success = false;
    bool cancelled = false;
    bool connectionLost = false;
};
DownloadOutcome DownloadOffline(OperationContext& ctx, const OperationInputs& in);

// --- firmware update ---------------------------------------------------------------------------
struct UpdateOutcome {
    bool success = false;
    bool cancelled = false;
    bool connectionLost = false;
    bool disableUpdateButton = false;  // the update ran to its end
    bool portReopened = false;         // the port is open again at 115200
};
UpdateOutcome UpdateFirmware(OperationContext& ctx, const OperationInputs& in,
                             unsigned storedPortIndex);

// --- VPP test ------------------------------------------------------------------------------------
// Returns true when the box acknowledged.
bool VppTest(OperationContext& ctx);

}  // namespace kx::ops
