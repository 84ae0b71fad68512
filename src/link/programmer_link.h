#pragma once
// The one open serial port to the programmer box, and the commands spoken on it.
// Every call blocks the caller until its reply arrived or its time-out passed.

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <stop_token>
#include <string>

#include "common/clock.h"
#include "link/link_types.h"
#include "link/serial_device.h"

namespace kx::link {

class ProgrammerLink {
  public:
    ProgrammerLink(PortProvider& ports, Clock& clock);
    ~ProgrammerLink();
    ProgrammerLink(const ProgrammerLink&) = delete;
    ProgrammerLink& operator=(const ProgrammerLink&) = delete;

    // --- transport ---------------------------------------------------------------
    // Closes any open port, then opens `index` (0..7; anything else means 7) at `baud`
    // with 8 data bits, even parity, one stop bit. 0 on success, 1 on any failure;
    // LastOpenFailure() then says why.
    int OpenPort(unsigned index, std::uint32_t baud, int parity = 2);
    // The same for the port named `path` (see OpenPath()), wherever it now stands among the
    // indices; 1 with NoSuchPort once it is gone.
    int OpenPortPath(const std::string& path, std::uint32_t baud, int parity = 2);
    OpenFailure LastOpenFailure() const { return lastOpenFailure_; }
    // Waits until what was written has left (bounded by its wire time, at most 1.5 s), then
    // closes. Only a queue that did not empty in that time is discarded. Harmless when
    // nothing is open.
    void ClosePort();
    // False (and the port closed) once the device has vanished.
    bool IsPortAlive();
    bool IsOpen() const { return device_ != nullptr; }
    unsigned OpenIndex() const { return openIndex_; }
    // Name of the port last opened (its device path), kept after a close; empty when the
    // provider names none. Reopening by it finds the same device after the list changed.
    const std::string& OpenPath() const { return openPath_; }
    std::string PortName(unsigned index) const { return ports_.PortName(index); }

    // Queued byte count after waiting until `count` (unsigned 16-bit) bytes are there or
    // `timeoutMs` passed. Below `count` only on time-out. 0 when no port is open.
    std::size_t WaitForInput(std::uint16_t count, std::uint32_t timeoutMs);
    // Level 1 clears DTR, anything else sets it (inverted sense).
    void SetDtrLine(int level);
    // Level 1 sets RTS, anything else clears it.
    void SetRtsLine(int level);
    // The restart pulse after a firmware update (DTR/RTS sequence, 90 ms).
    void ResetProgrammer();

    // Called repeatedly while a command waits for its reply, so that a window can keep
    // painting. Must not issue link commands.
    void SetIdleHook(std::function<void()> hook) { idleHook_ = std::move(hook); }
    const std::function<void()>& IdleHook() const { return idleHook_; }
    // Once `token` is stopped, every wait ends at once as a time-out (within one 20 ms slice
    // of a wait already under way).
    void SetStopToken(std::stop_token token) { stop_ = std::move(token); }

    // --- several ports at once ---------------------------------------------------------
    // A second link, closed, over the same ports and clock: one per thread when several
    // ports are probed at the same time (the provider allows opens of different ports from
    // several threads). It has no idle hook.
    std::unique_ptr<ProgrammerLink> Sibling() const;
    // Closes this link's port, then takes over the port `other` has open (with its index and
    // path); `other` is left closed. Nothing is sent, so the box sees no new open.
    void TakePortFrom(ProgrammerLink& other);

    // --- frames ------------------------------------------------------------------
    // Sends one frame (odd payloads padded with 0xFF inside the frame) and waits for the
    // reply its command's class calls for. For data classes, `reply` receives exactly the
    // expected reply length; an empty `reply` reads nothing (status 0 without waiting), and
    // a non-empty one that is too small is refused with 5 before anything is sent.
    // Payloads over 254 bytes (after padding) are refused the same way.
    int SendCommand(std::uint8_t code, std::span<const std::uint8_t> payload,
                    std::span<std::uint8_t> reply = {});
    // One-byte loader handshake: 0 when 0x80 is answered by 0x90 within `timeoutMs`
    // (20 ms before every loader frame), else 99.
    int SyncLoader(std::uint32_t timeoutMs = 20);

    // --- one operation per command ---------------------------------------------------
    int RxPassword(std::uint16_t address, std::span<const std::uint8_t, kPasswordSize> password);
    int RxDataBlock(std::uint16_t address, std::span<const std::uint8_t> data);  // <= 196 bytes
    // `reply` must hold count + 6 bytes; data start at reply[4].
    int TxDataBlock(std::uint16_t address, std::uint8_t count, std::span<std::uint8_t> reply);
    int EraseSegment(std::uint16_t address, std::uint16_t eraseWord);
    int MassErase();
    int LoadPc(std::uint16_t address);
    int SetMemOffset(std::uint8_t addressBits16to23);
    int TargetConnect(std::uint16_t options, std::span<const std::uint8_t, kPasswordSize> password,
                      TargetReply& reply);
    int TargetRun();  // always 5: the box sends nothing back
    // `reply` receives the 26 raw bytes; the identification text starts at offset 4.
    int GetVersion(std::span<std::uint8_t, kVersionReplySize> reply);
    int BurnFuse();
    // `reply` must hold count + 6 bytes; data start at reply[4].
    int StoreRead(std::uint32_t offset, std::uint8_t count, std::span<std::uint8_t> reply);
    int OfflineSetup(std::span<const std::uint8_t, kOfflineSetupSize> record);
    int StoreWrite(std::uint32_t offset, std::span<const std::uint8_t> data);  // <= 196 bytes
    int EnterLoader();
    int VppTest();

  private:
    PortProvider& ports_;
    Clock& clock_;
    std::unique_ptr<SerialDevice> device_;
    unsigned openIndex_ = 0;
    std::string openPath_;
    OpenFailure lastOpenFailure_ = OpenFailure::None;
    std::function<void()> idleHook_;
    std::stop_token stop_;

    using DeviceOpener = std::function<std::unique_ptr<SerialDevice>(OpenFailure& why)>;
    // Closes what is open, then opens through `open` and keeps the device as `path`.
    int OpenWith(std::string path, int parity, const DeviceOpener& open);
};

// Identification text of a GET_VERSION reply (bytes from offset 4 up to the first NUL).
std::string VersionText(std::span<const std::uint8_t, kVersionReplySize> reply);

}  // namespace kx::link
