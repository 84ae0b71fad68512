#pragma once
// Pieces of the programming run shared between its files. Internal to the operations.

#include <cstdint>

#include "operations/operation_context.h"

namespace kx::ops {

// What one run carries from step to step.
struct RunState {
    OperationContext& ctx;
    const OperationInputs& in;
    std::uint16_t options = 0;
    std::uint8_t lastOffset = 0xFF;  // bits 16..23 last sent with SET_MEM_OFFSET; 0xFF none
    std::uint32_t serial = 0;        // the number the record carries
    bool serialTaken = false;        // reserveSerial handed out `serial`
    bool serialUsed = false;         // `serial` went out to the chip (or counts as used)
    bool recordSent = false;         // a product record carrying `serial` went out
    bool serialRefused = false;
};

// True when the run counts serial numbers (automatic increment with product information).
bool CountsSerials(const OperationInputs& in);
// Takes the number for this unit (reserveSerial when set); false when it was refused.
bool TakeSerial(RunState& run);

// Before TARGET_CONNECT: the record's place and address; false after its message.
bool CheckProductInfo(RunState& run);
// After verification: write and check the record; false (after its message) stops the run.
bool WriteProductInfo(RunState& run);
// The serial number the next run writes; wraps modulo 2^32.
inline std::uint32_t AdvanceSerial(std::uint32_t serial) {
    return serial + 1u;
}

}  // namespace kx::ops
