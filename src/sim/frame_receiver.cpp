#include "sim/frame_receiver.h"

#include <span>

#include "link/link_frame.h"
#include "link/link_types.h"

namespace kx::sim {

std::vector<std::uint8_t> RxEvent::Payload() const {
    if (raw.size() < 6) return {};
    return std::vector<std::uint8_t>(raw.begin() + 4, raw.end() - 2);
}

void FrameReceiver::SetSyncMode(bool on) {
    syncMode_ = on;
    synced_ = false;
    state_ = State::Idle;
    raw_.clear();
}

void FrameReceiver::Reset() {
    state_ = State::Idle;
    quiet_ = false;
    synced_ = false;
    raw_.clear();
    skipped_.clear();
}

void FrameReceiver::Garble(std::uint64_t atUs) {
    state_ = State::Discard;
    raw_.clear();
    lastUs_ = atUs;
    anyByte_ = true;
}

std::vector<std::uint8_t> FrameReceiver::TakeSkipped() {
    std::vector<std::uint8_t> out;
    out.swap(skipped_);
    return out;
}

void FrameReceiver::EndFrame() {
    state_ = State::Idle;
    quiet_ = false;
    raw_.clear();
    if (syncMode_) synced_ = false;
}

void FrameReceiver::Feed(std::uint8_t byte, std::uint64_t atUs, std::vector<RxEvent>& out) {
    if (anyByte_ && atUs - lastUs_ > idleGapUs_) {
        if (state_ == State::Header || state_ == State::Body) {
            if (!quiet_) out.push_back({RxKind::Truncated, lastUs_, raw_});
            EndFrame();
        } else if (state_ == State::Discard) {
            state_ = State::Idle;
        }
    }
    anyByte_ = true;
    lastUs_ = atUs;

    switch (state_) {
        case State::Idle:
            if (byte != link::kFrameHeader) {
                skipped_.push_back(byte);
                return;
            }
            if (syncMode_ && !synced_) {
                synced_ = true;
                out.push_back({RxKind::Sync, atUs, {byte}});
                return;
            }
            raw_.assign(1, byte);
            quiet_ = false;
            state_ = State::Header;
            return;

        case State::Discard:
            if (byte != link::kFrameHeader) {
                skipped_.push_back(byte);
                return;
            }
            raw_.assign(1, byte);
            quiet_ = true;
            state_ = State::Header;
            return;

        case State::Header:
            raw_.push_back(byte);
            if (raw_.size() < 4) return;
            if (raw_[2] != raw_[3] || (raw_[2] & 1) != 0) {
                if (!quiet_) out.push_back({RxKind::BadHeader, atUs, raw_});
                raw_.clear();
                quiet_ = false;
                state_ = State::Discard;
                if (syncMode_) synced_ = false;
                return;
            }
            expected_ = 4u + raw_[2] + 2u;
            state_ = State::Body;
            return;

        case State::Body: {
            raw_.push_back(byte);
            if (raw_.size() < expected_) return;
            const auto body = std::span<const std::uint8_t>(raw_).first(expected_ - 2);
            const auto sum = link::FrameChecksum(body);
            const bool good =
                raw_[expected_ - 2] == (sum & 0xFF) && raw_[expected_ - 1] == (sum >> 8);
            if (good) {
                out.push_back({RxKind::Frame, atUs, raw_});
            } else if (!quiet_) {
                out.push_back({RxKind::BadChecksum, atUs, raw_});
            }
            EndFrame();
            return;
        }
    }
}

}  // namespace kx::sim
