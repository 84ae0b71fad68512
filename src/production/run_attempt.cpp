#include "production/run_attempt.h"

#include "devices/device_catalogue.h"

namespace kx::production {

std::string ModeName(ops::ProgrammingMode mode) {
    switch (mode) {
        case ops::ProgrammingMode::Bsl:
            return "BSL";
        case ops::ProgrammingMode::Sbw:
            return "SBW";
        case ops::ProgrammingMode::Jtag:
            break;
    }
    return "JTAG";
}

UnitAttempt AttemptOfRun(const ops::OperationInputs& in, const ops::RunOutcome& outcome) {
    UnitAttempt attempt;
    attempt.box = outcome.boxIdentification;
    attempt.device = std::string(devices::DeviceAt(in.deviceRow).name);
    attempt.chipId = outcome.targetChipId;
    attempt.mode = ModeName(in.mode);
    attempt.serial = outcome.recordSerial;
    attempt.result = outcome.message;
    return attempt;
}

}  // namespace kx::production
