#pragma once
// What a simulated programmer box and the chip on its cable look like.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "link/link_types.h"
#include "sim/fault_plan.h"

namespace kx::sim {

// The target MSP430 on the box's cable.
struct ChipConfig {
    bool present = true;                           // false: nothing answers on the cable
    int row = 0;                                   // catalogue row giving the memory layout
    std::optional<std::uint16_t> chipId;           // reported id; the row's id when unset
    bool fused = false;                            // JTAG security fuse already blown
    std::optional<link::PasswordBytes32> vectors;  // initial 0xFFE0..0xFFFF (= BSL password)
    bool calibration = true;                       // factory DCO constants in segment A (2xx-style)
    bool needsSupply = false;  // board has no own power: connect needs bit 0x0002
};

struct BoxConfig {
    // Firmware identification; the first 18 characters are kept in the box's flash. Its own
    // copy: the text the program expects must not decide what the box reports.
    std::string identification = "KX_VELDRAN V02.73A";
    // Version of the box's own ROM loader, as read at 0x0FFA (high) / 0x0FFB (low).
    std::uint16_t loaderVersion = 0x0161;
    // Capacity of the offline store in bytes.
    std::uint32_t storeSize = 0x40000;
    // Wire times and flash times; off gives instant replies for fast tests.
    bool timing = false;
    bool vppFails = false;
    // A wrong BSL password makes the target's BSL mass-erase all of its flash.
    bool bslEraseOnBadPassword = true;
    // The data replies of TX_DATA_BLOCK and STORE_READ carry a BSL checksum behind the data;
    // off, their head and last two bytes are zeros (a box that does not fill them in).
    bool replyChecksums = true;
    // Keep the trace in memory (tests read it); the program only streams it to a file.
    bool keepTrace = true;
    ChipConfig target;
    std::vector<FaultRule> faults;
};

}  // namespace kx::sim
