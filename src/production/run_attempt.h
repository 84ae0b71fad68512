#pragma once
// What a programming run leaves for its production-log row.

#include <string>

#include "operations/operations.h"
#include "production/unit_attempt.h"

namespace kx::production {

// The row's box, device, chip, mode, serial and result from the run's inputs and outcome.
// The serial is the number whose record went out to the chip; a run with the information
// flash protected writes none, even though its counter moves on. The caller adds the port,
// the image's digest and the times.
UnitAttempt AttemptOfRun(const ops::OperationInputs& in, const ops::RunOutcome& outcome);

// "JTAG", "BSL" or "SBW".
std::string ModeName(ops::ProgrammingMode mode);

}  // namespace kx::production
