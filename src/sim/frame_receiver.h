#pragma once
// Assembles request frames from the byte stream the way a BSL-style receiver does: bytes
// outside a frame are skipped until a 0x80 header, a frame with a bad header or checksum is
// reported once, and a pause on the line ends any half-received frame.

#include <cstdint>
#include <vector>

namespace kx::sim {

enum class RxKind {
    Frame,        // complete frame with a good checksum
    Sync,         // loader mode: the lone 0x80 before a frame
    BadChecksum,  // complete frame whose checksum is wrong
    BadHeader,    // L1 and L2 disagree, or an odd length
    Truncated,    // the line went idle in the middle of a frame
};

struct RxEvent {
    RxKind kind = RxKind::Frame;
    std::uint64_t atUs = 0;         // arrival of the last byte
    std::vector<std::uint8_t> raw;  // the bytes as received (whole frame for Frame)

    std::uint8_t Command() const { return raw.size() > 1 ? raw[1] : 0; }
    // Payload of a complete frame (padding included).
    std::vector<std::uint8_t> Payload() const;
};

class FrameReceiver {
  public:
    explicit FrameReceiver(std::uint64_t idleGapUs) : idleGapUs_(idleGapUs) {}

    // Loader mode: each frame must be preceded by its own sync byte.
    void SetSyncMode(bool on);
    // A refused sync leaves the receiver waiting for another one.
    void SetSynced(bool synced) { synced_ = synced; }

    void Feed(std::uint8_t byte, std::uint64_t atUs, std::vector<RxEvent>& out);
    // Bytes that arrived at a speed the box does not listen at: whatever was half received
    // is lost and the receiver skips until a new header after an idle line.
    void Garble(std::uint64_t atUs);
    void Reset();

    // Bytes skipped outside frames since the last call.
    std::vector<std::uint8_t> TakeSkipped();

  private:
    enum class State { Idle, Header, Body, Discard };
    void EndFrame();

    std::uint64_t idleGapUs_;
    State state_ = State::Idle;
    bool quiet_ = false;  // a header found while discarding: report nothing if bad
    bool syncMode_ = false;
    bool synced_ = false;
    bool anyByte_ = false;
    std::uint64_t lastUs_ = 0;
    std::size_t expected_ = 0;
    std::vector<std::uint8_t> raw_;
    std::vector<std::uint8_t> skipped_;
};

}  // namespace kx::sim
