#include "pty_peer.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>

namespace kx::link::testing {

PtyPeer::PtyPeer() {
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0) return;
    const char* name = ::ptsname(master_);
    if (name != nullptr) slavePath_ = name;
}

PtyPeer::~PtyPeer() { CloseMaster(); }

void PtyPeer::CloseMaster() {
    if (master_ >= 0) ::close(master_);
    master_ = -1;
}

std::vector<std::uint8_t> PtyPeer::ReadExactly(std::size_t n, int timeoutMs) {
    std::vector<std::uint8_t> got;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (got.size() < n) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) break;
        pollfd watch{master_, POLLIN, 0};
        if (::poll(&watch, 1, static_cast<int>(left.count())) <= 0) continue;
        if ((watch.revents & POLLIN) == 0) break;
        std::uint8_t byte = 0;
        if (::read(master_, &byte, 1) != 1) break;
        got.push_back(byte);
    }
    return got;
}

bool PtyPeer::Write(const std::vector<std::uint8_t>& bytes) {
    return ::write(master_, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
}

}  // namespace kx::link::testing
