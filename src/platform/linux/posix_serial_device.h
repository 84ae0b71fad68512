#pragma once
// SerialDevice over a POSIX terminal device (termios): real serial ports, USB adapters
// and pseudo-terminals.

#include <sys/types.h>
#include <termios.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "link/serial_device.h"

namespace kx::link {

// Turns `settings` (as the driver reported them) into the link's line settings: raw,
// 8 data bits, even parity, 1 stop bit, no flow control, no input parity checking, no
// character translation, reads that never wait. False when `baud` has no termios speed.
bool MakeLineSettings(termios& settings, std::uint32_t baud);

class PosixSerialDevice final : public SerialDevice {
  public:
    // Opens `path` exclusively, raw, 8 data bits, even parity, 1 stop bit, no flow control,
    // at `baud`. On failure returns null and sets `why`.
    static std::unique_ptr<PosixSerialDevice> Open(const std::string& path, std::uint32_t baud,
                                                   OpenFailure& why);
    ~PosixSerialDevice() override;
    PosixSerialDevice(const PosixSerialDevice&) = delete;
    PosixSerialDevice& operator=(const PosixSerialDevice&) = delete;

    std::size_t QueuedBytes() override;
    // Sleeps in poll(), so a reply is seen as soon as its last byte is in.
    std::size_t WaitForInput(std::size_t count, std::uint32_t timeoutMs) override;
    std::size_t Read(std::uint8_t* dst, std::size_t n) override;
    bool Write(const std::uint8_t* src, std::size_t n) override;
    void PurgeReceive() override;
    void PurgeTransmit() override;
    bool Drain(std::uint32_t maxMs) override;
    bool IsAlive() override;
    void SetDtr(bool asserted) override;
    void SetRts(bool asserted) override;

    const std::string& Path() const { return path_; }

  private:
    PosixSerialDevice(int fd, std::string path, std::uint32_t baud);
    // Moves whatever the driver holds into rx_ without waiting.
    void Fill();
    void SetModemBit(int bit, bool asserted);

    int fd_;
    std::string path_;
    std::uint32_t baud_;
    dev_t rdev_ = 0;
    bool dead_ = false;
    bool exclusive_ = false;  // we put the terminal into exclusive mode
    // Bytes taken from the driver but not yet read by the caller; taking them lets poll()
    // sleep until the next byte instead of waking on the ones already there.
    std::vector<std::uint8_t> rx_;
};

}  // namespace kx::link
