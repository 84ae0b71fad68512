#include "sim/pty_server.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace kx::sim {
namespace {

std::uint64_t MonotonicNs() {
    return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::nanoseconds>(
                                          std::chrono::steady_clock::now().time_since_epoch())
                                          .count());
}

std::uint32_t BaudOf(speed_t speed) {
    switch (speed) {
        case B1200:
            return 1200;
        case B2400:
            return 2400;
        case B4800:
            return 4800;
        case B9600:
            return 9600;
        case B19200:
            return 19200;
        case B38400:
            return 38400;
        case B57600:
            return 57600;
        case B115200:
            return 115200;
        case B230400:
            return 230400;
        default:
            return 0;
    }
}

}  // namespace

std::optional<LineSettings> ReadLineSettings(int fd) {
    termios t{};
    if (::tcgetattr(fd, &t) != 0) return std::nullopt;
    LineSettings line;
    line.baud = BaudOf(::cfgetospeed(&t));
    // The Linux pty driver clears PARENB on every change, so parity cannot be told apart
    // here; character size and stop bits can.
    line.is8E1 = (t.c_cflag & CSIZE) == CS8 && (t.c_cflag & CSTOPB) == 0;
    return line;
}

PtyServer::~PtyServer() {
    Close();
}

std::uint64_t PtyServer::NowUs() const {
    return (MonotonicNs() - startNs_) / 1000;
}

std::optional<std::string> PtyServer::Open(std::string& error) {
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0) {
        error = std::string("cannot create a pseudo-terminal: ") + std::strerror(errno);
        Close();
        return std::nullopt;
    }
    const char* name = ::ptsname(master_);
    if (name == nullptr) {
        error = std::string("cannot name the pseudo-terminal: ") + std::strerror(errno);
        Close();
        return std::nullopt;
    }
    std::string path = name;
    holder_ = ::open(path.c_str(), O_RDWR | O_NOCTTY);
    if (holder_ < 0) {
        error = "cannot open " + path + ": " + std::strerror(errno);
        Close();
        return std::nullopt;
    }
    // Raw from the start, so nothing is echoed back to the box before the program has
    // configured the line; 8E1 at the firmware's speed, as a box would sit waiting.
    termios t{};
    if (::tcgetattr(holder_, &t) == 0) {
        ::cfmakeraw(&t);
        t.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARODD | CSTOPB | CRTSCTS);
        t.c_cflag |= CS8 | PARENB | CREAD | CLOCAL;
        ::cfsetispeed(&t, B115200);
        ::cfsetospeed(&t, B115200);
        ::tcsetattr(holder_, TCSANOW, &t);
    }
    ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
    startNs_ = MonotonicNs();
    return path;
}

void PtyServer::Close() {
    if (master_ >= 0) ::close(master_);
    if (holder_ >= 0) ::close(holder_);
    master_ = -1;
    holder_ = -1;
}

// Writes the reply bytes that are due. The host hears only what was sent at the speed its
// side of the line is set to.
void PtyServer::Deliver() {
    const auto due = box_.TakeOutput(NowUs());
    if (due.empty()) return;
    const auto line = ReadLineSettings(master_);
    std::vector<std::uint8_t> bytes;
    for (const auto& b : due) {
        if (line && line->baud == b.baud && line->is8E1) bytes.push_back(b.value);
    }
    std::size_t done = 0;
    while (done < bytes.size()) {
        const auto n = ::write(master_, bytes.data() + done, bytes.size() - done);
        if (n <= 0) break;  // nobody reads and the queue is full: the bytes are lost
        done += static_cast<std::size_t>(n);
    }
}

void PtyServer::Serve(volatile std::sig_atomic_t& stop, volatile std::sig_atomic_t& powerCycle) {
    std::array<std::uint8_t, 4096> buf{};
    while (stop == 0 && master_ >= 0) {
        if (powerCycle != 0) {
            powerCycle = 0;
            box_.PowerCycle(NowUs());
        }
        // Sleep until the next reply byte is due, to the microsecond: rounding to whole
        // milliseconds would deliver each reply up to 1 ms late.
        std::uint64_t waitUs = 20000;
        if (!box_.PendingOutput().empty()) {
            const std::uint64_t now = NowUs();
            const std::uint64_t at = box_.PendingOutput().front().atUs;
            waitUs = at <= now ? 0 : std::min<std::uint64_t>(at - now, 20000);
        }
        const timespec timeout{0, static_cast<long>(waitUs * 1000)};
        pollfd p{master_, POLLIN, 0};
        const int ready = ::ppoll(&p, 1, &timeout, nullptr);
        if (ready > 0 && (p.revents & POLLIN) != 0) {
            const auto n = ::read(master_, buf.data(), buf.size());
            if (n > 0) {
                const std::uint64_t now = NowUs();
                const auto line = ReadLineSettings(master_).value_or(LineSettings{0, false});
                box_.Receive(std::span<const std::uint8_t>(buf.data(), static_cast<std::size_t>(n)),
                             now, line);
            }
        }
        Deliver();
        if (box_.Vanished()) Close();
    }
}

}  // namespace kx::sim
