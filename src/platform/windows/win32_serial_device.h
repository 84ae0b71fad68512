#pragma once
// SerialDevice over a Win32 communications port (\\.\COMn).

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "link/serial_device.h"

namespace kx::link {

// The device path CreateFile needs: "COM12" -> "\\.\COM12" (numbers above 9 need the prefix,
// and it is harmless below). A name that already has the prefix is kept.
std::string ComDevicePath(std::string_view name);

class Win32SerialDevice final : public SerialDevice {
  public:
    // Opens `name` ("COM3" or "\\.\COM3") for exclusive use with 8 data bits, even parity,
    // one stop bit, no flow control, at `baud`. On failure returns null and sets `why`.
    static std::unique_ptr<Win32SerialDevice> Open(const std::string& name, std::uint32_t baud,
                                                   OpenFailure& why);
    ~Win32SerialDevice() override;
    Win32SerialDevice(const Win32SerialDevice&) = delete;
    Win32SerialDevice& operator=(const Win32SerialDevice&) = delete;

    std::size_t QueuedBytes() override;
    // Polls the receive-queue count every 2 ms against the deadline.
    std::size_t WaitForInput(std::size_t count, std::uint32_t timeoutMs) override;
    std::size_t Read(std::uint8_t* dst, std::size_t n) override;
    bool Write(const std::uint8_t* src, std::size_t n) override;
    void PurgeReceive() override;
    void PurgeTransmit() override;
    bool Drain(std::uint32_t maxMs) override;
    // Setting the queue sizes fails once the port has gone (USB adapter pulled).
    bool IsAlive() override;
    void SetDtr(bool asserted) override;
    void SetRts(bool asserted) override;

  private:
    explicit Win32SerialDevice(void* handle) : handle_(handle) {}
    // ClearCommError: the queue counts, clearing any line error. False when the port failed.
    bool ReadStatus(std::size_t& inQueue, std::size_t& outQueue);

    void* handle_;  // HANDLE, kept opaque so that users of this header need no <windows.h>
    bool dead_ = false;
    bool fineTimer_ = false;  // we asked for the 1 ms timer and give it back on close
};

}  // namespace kx::link
