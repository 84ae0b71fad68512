#pragma once
// The programmer box as seen from its serial port: it takes the bytes the program sends and
// produces reply bytes stamped with the virtual time their last bit leaves the box.
// Deterministic and single-threaded; the caller supplies all times.

#include <array>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "sim/fault_plan.h"
#include "sim/flash_array.h"
#include "sim/frame_receiver.h"
#include "sim/sim_config.h"
#include "sim/sim_trace.h"
#include "sim/target_chip.h"

namespace kx::sim {

enum class BoxMode {
    Firmware,  // normal work at 115200
    Loader,    // the box's own ROM loader at 9600
    Dead,      // no valid firmware after a restart, or a jump into nowhere: silent
};

enum class TargetMode { Jtag, Sbw, Bsl };

inline constexpr std::uint32_t kFirmwareBaud = 115200;
inline constexpr std::uint32_t kLoaderBaud = 9600;

// How the host has set its side of the line.
struct LineSettings {
    std::uint32_t baud = kFirmwareBaud;
    bool is8E1 = true;  // 8 data bits, even parity, one stop bit
};

struct TimedByte {
    std::uint64_t atUs;  // when its last bit has arrived at the host
    std::uint32_t baud;  // speed it was sent at
    std::uint8_t value;
};

class Box {
  public:
    explicit Box(BoxConfig config = {});

    // --- the line ----------------------------------------------------------------------
    // Host bytes put on the wire at `startUs`.
    void Receive(std::span<const std::uint8_t> bytes, std::uint64_t startUs,
                 const LineSettings& line);
    // Reply bytes not yet taken, in time order.
    const std::deque<TimedByte>& PendingOutput() const { return output_; }
    // Removes and returns the reply bytes that have arrived by `nowUs`.
    std::vector<TimedByte> TakeOutput(std::uint64_t nowUs);
    void DiscardOutput() { output_.clear(); }
    // DTR held for at least 1 ms and released while RTS is clear restarts the box.
    void SetControlLines(bool dtr, bool rts, std::uint64_t nowUs);

    // --- the box as a thing ------------------------------------------------------------
    void PowerCycle(std::uint64_t nowUs);
    void Vanish(std::uint64_t nowUs);
    bool Vanished() const { return vanished_; }
    // Plugged in again: powers up afresh.
    void Reattach(std::uint64_t nowUs);

    BoxMode Mode() const { return mode_; }
    std::uint32_t ListenBaud() const {
        return mode_ == BoxMode::Loader ? kLoaderBaud : kFirmwareBaud;
    }
    // Identification of the firmware now running (from the box's flash).
    const std::string& Identification() const { return identification_; }
    const BoxConfig& Config() const { return config_; }

    // The chip on the cable; null when none is attached.
    TargetChip* Target() { return target_.get(); }
    bool TargetConnected() const { return session_.active; }
    std::uint8_t MemOffset() const { return memOffset_; }

    // Offline store and the last accepted setup record.
    const std::vector<std::uint8_t>& Store() const { return store_; }
    const std::optional<std::array<std::uint8_t, link::kOfflineSetupSize>>& SetupRecord() const {
        return setup_;
    }

    // The box's own MCU (an F149-class part): its flash holds the firmware.
    FlashArray& OwnFlash() { return ownFlash_; }
    const FlashArray& OwnFlash() const { return ownFlash_; }
    bool LoaderUnlocked() const { return loaderUnlocked_; }

    Trace& GetTrace() { return trace_; }
    const Trace& GetTrace() const { return trace_; }
    FaultPlan& Faults() { return faults_; }

  private:
    struct Reply {
        std::vector<std::uint8_t> bytes;
        std::uint64_t workUs = 0;  // time before the first reply byte
        TraceFields fields;
        enum class Then { Stay, EnterLoader, StartFirmware, Die, RestartLoader } then = Then::Stay;
    };
    struct Session {
        bool active = false;
        bool access = false;  // memory commands allowed
        TargetMode mode = TargetMode::Jtag;
        std::uint16_t options = 0;
    };

    // box.cpp
    void HandleEvent(const RxEvent& event, const LineSettings& line);
    void HandleFrame(const RxEvent& event);
    void HandleSync(const RxEvent& event);
    void Emit(int code, Reply reply, std::uint64_t readyUs, std::optional<FaultAction> fault);
    void TraceEvent(std::uint64_t atUs, std::string what, std::vector<std::uint8_t> bytes,
                    std::string fields = {});
    void Restart(std::uint64_t nowUs, const char* why);
    void StartFirmware();
    void EnterLoader();
    static Reply Ack();
    static Reply Nak(std::string_view why);
    static std::vector<std::uint8_t> DataReply(std::span<const std::uint8_t> data,
                                               bool checksum = true);

    // box_target.cpp: firmware commands on the target
    Reply Connect(std::span<const std::uint8_t> p);
    Reply WriteBlock(std::span<const std::uint8_t> p);
    Reply ReadBlock(std::span<const std::uint8_t> p);
    Reply EraseSegmentCmd(std::span<const std::uint8_t> p);
    Reply MassEraseCmd();
    Reply BurnFuseCmd();
    std::uint64_t TargetWriteUs(std::size_t n) const;
    std::uint64_t TargetReadUs(std::size_t n) const;
    std::uint64_t TargetEraseUs(std::uint64_t flashUs) const;

    // box_firmware.cpp: the rest of the firmware's commands
    Reply HandleFirmware(std::uint8_t code, std::span<const std::uint8_t> p);
    Reply OfflineSetup(std::span<const std::uint8_t> p);
    Reply StoreWrite(std::span<const std::uint8_t> p);
    Reply StoreRead(std::span<const std::uint8_t> p);

    // box_loader.cpp
    Reply HandleLoader(std::uint8_t code, std::span<const std::uint8_t> p);
    Reply LoaderLoadPc(std::span<const std::uint8_t> p);
    Reply LoaderWrite(std::span<const std::uint8_t> p);
    bool OwnRead(std::uint32_t address, std::span<std::uint8_t> out) const;
    void WriteFactoryFirmware();
    // Reset vector of a plausible firmware in the box's flash, if there is one.
    std::optional<std::uint16_t> FirmwareEntry() const;
    std::string FirmwareIdentification() const;

    BoxConfig config_;
    FaultPlan faults_;
    Trace trace_;
    FrameReceiver receiver_;
    std::deque<TimedByte> output_;
    std::uint64_t busyUntilUs_ = 0;

    BoxMode mode_ = BoxMode::Firmware;
    bool vanished_ = false;
    std::string identification_;
    bool dtr_ = false;
    std::uint64_t dtrSinceUs_ = 0;

    std::unique_ptr<TargetChip> target_;
    Session session_;
    std::uint8_t memOffset_ = 0;

    std::vector<std::uint8_t> store_;
    std::uint32_t setupLength_ = 0;
    std::optional<std::array<std::uint8_t, link::kOfflineSetupSize>> setup_;

    FlashArray ownFlash_;
    FlashArray ownInfo_;
    std::vector<std::uint8_t> ownRam_;
    bool loaderUnlocked_ = false;
    bool ramCodeAt0220_ = false;
    bool patchArmed_ = false;
};

}  // namespace kx::sim
