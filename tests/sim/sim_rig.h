#pragma once
// A ProgrammerLink on a ManualClock talking to one simulated box, plus small helpers.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/clock.h"
#include "devices/device_catalogue.h"
#include "link/programmer_link.h"
#include "sim/simulated_ports.h"

namespace kx::sim::test {

inline const link::PasswordBytes32 kBlank = [] {
    link::PasswordBytes32 p{};
    p.fill(0xFF);
    return p;
}();

struct Rig {
    explicit Rig(BoxConfig config = {}, unsigned port = 0) : index(port) {
        box = &ports.AddBox(index, std::move(config));
        EXPECT_EQ(link.OpenPort(index, kFirmwareBaud), link::kLinkOk);
    }

    // Options word for the box's target row in `mode` (0 JTAG, 0x01 BSL, 0x40 SBW).
    std::uint16_t Options(std::uint8_t modeBits, std::uint16_t extra = 0) const {
        const auto& row = devices::DeviceAt(box->Config().target.row);
        return static_cast<std::uint16_t>(modeBits | extra |
                                          devices::DeviceOptionBits(row, modeBits));
    }
    link::TargetReply Connect(std::uint16_t options, const link::PasswordBytes32& pw = kBlank) {
        link::TargetReply reply;
        status = link.TargetConnect(options, pw, reply);
        return reply;
    }
    // Bytes read back through TX_DATA_BLOCK; empty when the command failed.
    std::vector<std::uint8_t> Read(std::uint16_t address, std::uint8_t n) {
        std::vector<std::uint8_t> reply(n + 6u);
        status = link.TxDataBlock(address, n, reply);
        if (status != link::kLinkOk) return {};
        return {reply.begin() + 4, reply.begin() + 4 + n};
    }
    std::string Version() {
        std::array<std::uint8_t, link::kVersionReplySize> reply{};
        status = link.GetVersion(reply);
        return status == link::kLinkOk ? link::VersionText(reply) : std::string();
    }

    unsigned index;
    ManualClock clock{5000};
    SimulatedPorts ports{clock};
    Box* box = nullptr;
    link::ProgrammerLink link{ports, clock};
    int status = -1;
};

// A firmware for the box's own flash: stub code at 0x1100, the identification at 0x11C5
// ("#0" + revision letter + 17 characters + NUL), every vector at 0x1100.
inline std::vector<std::uint8_t> FirmwareImage(const std::string& id18) {
    std::vector<std::uint8_t> code(0x200, 0x3F);
    const std::string marker = std::string("#0") + id18.substr(17, 1) + id18.substr(0, 17);
    std::copy(marker.begin(), marker.end(), code.begin() + 0xC5);
    code[0xC5 + marker.size()] = 0;
    return code;
}

}  // namespace kx::sim::test
