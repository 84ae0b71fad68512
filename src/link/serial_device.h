#pragma once
// Byte transport under the programmer link. Implemented over termios for real ports,
// by the in-process simulator, and by test fakes.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace kx::link {

// Why an open failed; OpenPort still returns 1 for all of them, this lets the caller
// tell the user what to do next (e.g. join the dialout group).
enum class OpenFailure {
    None,
    NoSuchPort,       // index has no device path, or the path does not exist
    AccessDenied,     // EACCES/EPERM: the user may not open the device
    Busy,             // another program holds the port
    ConfigureFailed,  // the device refused the line settings (not a serial port?)
};

class SerialDevice {
  public:
    virtual ~SerialDevice() = default;

    // Bytes now in the receive queue. Also clears pending line errors. Never blocks.
    virtual std::size_t QueuedBytes() = 0;

    // Blocks until at least `count` bytes are queued or `timeoutMs` has passed since the
    // call. Returns the queued count: it may exceed `count`, and is below it only on
    // time-out.
    virtual std::size_t WaitForInput(std::size_t count, std::uint32_t timeoutMs) = 0;

    // Reads up to `n` bytes that are already queued (never waits). Returns bytes read.
    virtual std::size_t Read(std::uint8_t* dst, std::size_t n) = 0;

    // Writes all `n` bytes. Returns false if the device refused them.
    virtual bool Write(const std::uint8_t* src, std::size_t n) = 0;

    // Discard what is queued in one direction.
    virtual void PurgeReceive() = 0;
    virtual void PurgeTransmit() = 0;

    // Waits, at most `maxMs`, until the transmit queue is empty. True when it is (what was
    // written then reaches the line even if the device is closed at once); false when the
    // queue did not empty in time.
    virtual bool Drain(std::uint32_t maxMs) = 0;

    // Liveness probe: false once the device has vanished (adapter pulled, pty closed).
    virtual bool IsAlive() = 0;

    // Control lines; failures (e.g. on a pseudo-terminal) are ignored.
    virtual void SetDtr(bool asserted) = 0;
    virtual void SetRts(bool asserted) = 0;
};

// Maps the eight port indices (COM1..COM8) to devices. Discovery opens and uses different
// ports from several threads at once, so Open, OpenPath and PortName must allow that.
class PortProvider {
  public:
    virtual ~PortProvider() = default;
    // Opens index 0..7 (others mean 7) with 8E1 at `baud`, exclusively.
    // On failure returns null and sets `why`.
    virtual std::unique_ptr<SerialDevice> Open(unsigned index, std::uint32_t baud,
                                               OpenFailure& why) = 0;
    // Human-readable name of the port behind an index ("/dev/ttyUSB0"), empty if none.
    virtual std::string PortName(unsigned index) const = 0;
    // Opens the port named `path` (a PortName found earlier) wherever it now stands in the
    // list; NoSuchPort once it is gone. By default the indices are searched for the name.
    virtual std::unique_ptr<SerialDevice> OpenPath(const std::string& path, std::uint32_t baud,
                                                   OpenFailure& why) {
        for (unsigned index = 0; !path.empty() && index < 8; ++index) {
            if (PortName(index) == path) return Open(index, baud, why);
        }
        why = OpenFailure::NoSuchPort;
        return nullptr;
    }
};

}  // namespace kx::link
