#include "platform/linux/posix_serial_device.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#ifdef __linux__
#include <sys/sysmacros.h>
#endif
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <thread>

#include "link/open_failure.h"

namespace kx::link {
namespace {

using SteadyClock = std::chrono::steady_clock;

// Unix98 pseudo-terminal slaves (Linux majors 136..143).
bool IsPseudoTerminal([[maybe_unused]] int fd) {
#ifdef __linux__
    struct stat info {};
    return ::fstat(fd, &info) == 0 && major(info.st_rdev) >= 136 && major(info.st_rdev) <= 143;
#else
    return false;
#endif
}

struct BaudRow {
    std::uint32_t baud;
    speed_t speed;
};

constexpr BaudRow kBaudRates[] = {
    {1200, B1200},   {2400, B2400},   {4800, B4800},     {9600, B9600},     {19200, B19200},
    {38400, B38400}, {57600, B57600}, {115200, B115200}, {230400, B230400},
};

bool SpeedOf(std::uint32_t baud, speed_t& speed) {
    for (const BaudRow& row : kBaudRates) {
        if (row.baud == baud) {
            speed = row.speed;
            return true;
        }
    }
    return false;
}

// Milliseconds left until `deadline`, rounded up so that poll() never wakes just short of it.
int MsUntil(SteadyClock::time_point deadline) {
    const auto left = deadline - SteadyClock::now();
    if (left <= SteadyClock::duration::zero()) return 0;
    const auto us = std::chrono::duration_cast<std::chrono::microseconds>(left).count();
    return static_cast<int>((us + 999) / 1000);
}

}  // namespace

bool MakeLineSettings(termios& settings, std::uint32_t baud) {
    speed_t speed = B0;
    if (!SpeedOf(baud, speed)) return false;
    // Raw binary input: no parity checking or marking, no break or CR/NL handling, no
    // software flow control.
    settings.c_iflag &= ~static_cast<tcflag_t>(IGNBRK | BRKINT | IGNPAR | PARMRK | INPCK | ISTRIP |
                                               INLCR | IGNCR | ICRNL | IXON | IXOFF | IXANY);
    settings.c_oflag &= ~static_cast<tcflag_t>(OPOST);
    settings.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
    tcflag_t clear = CSIZE | PARODD | CSTOPB;
#ifdef CRTSCTS
    clear |= CRTSCTS;
#endif
#ifdef CMSPAR
    clear |= CMSPAR;
#endif
    settings.c_cflag &= ~clear;
    settings.c_cflag |= CS8 | PARENB | CLOCAL | CREAD;
    // Reads return at once with what is there; waiting is done in poll().
    settings.c_cc[VMIN] = 0;
    settings.c_cc[VTIME] = 0;
    cfsetispeed(&settings, speed);
    cfsetospeed(&settings, speed);
    return true;
}

std::unique_ptr<PosixSerialDevice> PosixSerialDevice::Open(const std::string& path,
                                                           std::uint32_t baud, OpenFailure& why) {
    why = OpenFailure::None;
    if (path.empty()) {
        why = OpenFailure::NoSuchPort;
        return nullptr;
    }
    // Non-blocking so that the open never waits for a carrier and reads never wait.
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        why = ClassifyOpenErrno(errno);
        return nullptr;
    }
    // The device owns the descriptor from here, so every failure below closes it.
    std::unique_ptr<PosixSerialDevice> device(new PosixSerialDevice(fd, path, baud));

    if (!::isatty(fd)) {
        why = OpenFailure::ConfigureFailed;
        return nullptr;
    }
    // Take the advisory lock before touching the line: a port that another program holds
    // must keep its settings.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0 && (errno == EWOULDBLOCK || errno == EAGAIN)) {
        why = OpenFailure::Busy;
        return nullptr;
    }
    termios settings{};
    if (::tcgetattr(fd, &settings) != 0) {
        why = OpenFailure::ConfigureFailed;
        return nullptr;
    }
    // Keeps other programs from opening the port meanwhile.
    if (::ioctl(fd, TIOCEXCL) == 0) device->exclusive_ = true;

    speed_t speed = B0;
    if (!SpeedOf(baud, speed) || !MakeLineSettings(settings, baud)) {
        why = OpenFailure::ConfigureFailed;
        return nullptr;
    }
    // Linux answers EINVAL when none of the requested changes took effect. A pseudo-terminal
    // that already runs at our settings gets exactly that (it drops PARENB, the one change
    // left), so there the check below judges what applied.
    if (::tcsetattr(fd, TCSANOW, &settings) != 0 && !(errno == EINVAL && IsPseudoTerminal(fd))) {
        why = OpenFailure::ConfigureFailed;
        return nullptr;
    }
    // tcsetattr succeeds when any part applies; check the parts the box depends on.
    // (Parity is not checked: pseudo-terminals clear PARENB by design.)
    termios applied{};
    if (::tcgetattr(fd, &applied) != 0 || cfgetospeed(&applied) != speed ||
        (applied.c_cflag & CSIZE) != CS8) {
        why = OpenFailure::ConfigureFailed;
        return nullptr;
    }
    // DTR and RTS stay released until the program drives them (the restart pulse).
    device->SetDtr(false);
    device->SetRts(false);

    struct stat info {};
    if (::fstat(fd, &info) == 0) device->rdev_ = info.st_rdev;
    return device;
}

PosixSerialDevice::PosixSerialDevice(int fd, std::string path, std::uint32_t baud)
    : fd_(fd), path_(std::move(path)), baud_(baud) {}

PosixSerialDevice::~PosixSerialDevice() {
    // Exclusive mode lives on the terminal, not on our descriptor: give it back so the
    // port can be opened again while another holder (e.g. a simulator) keeps it open.
    // Only if we set it: a refused open must not unlock another program's port.
    if (exclusive_) ::ioctl(fd_, TIOCNXCL);
    ::close(fd_);  // also drops the flock
}

void PosixSerialDevice::Fill() {
    std::uint8_t chunk[4096];
    for (;;) {
        const ssize_t got = ::read(fd_, chunk, sizeof chunk);
        if (got > 0) {
            rx_.insert(rx_.end(), chunk, chunk + got);
            continue;
        }
        if (got < 0 && errno == EINTR) continue;
        if (got < 0 && errno == EIO) dead_ = true;
        return;
    }
}

std::size_t PosixSerialDevice::QueuedBytes() {
    int waiting = 0;
    if (::ioctl(fd_, FIONREAD, &waiting) != 0) {
        if (errno == EIO) dead_ = true;
        waiting = 0;
    }
    return rx_.size() + static_cast<std::size_t>(std::max(waiting, 0));
}

std::size_t PosixSerialDevice::WaitForInput(std::size_t count, std::uint32_t timeoutMs) {
    const auto deadline = SteadyClock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        Fill();
        if (rx_.size() >= count || dead_) return rx_.size();
        const int waitMs = MsUntil(deadline);
        if (waitMs <= 0) return rx_.size();
        pollfd watch{fd_, POLLIN, 0};
        const int ready = ::poll(&watch, 1, waitMs);
        if (ready < 0 && errno != EINTR) return rx_.size();
        if (ready > 0 && (watch.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0) {
            Fill();
            dead_ = true;
            return rx_.size();
        }
    }
}

std::size_t PosixSerialDevice::Read(std::uint8_t* dst, std::size_t n) {
    if (rx_.size() < n) Fill();
    const std::size_t taken = std::min(n, rx_.size());
    std::copy_n(rx_.begin(), taken, dst);
    rx_.erase(rx_.begin(), rx_.begin() + static_cast<std::ptrdiff_t>(taken));
    return taken;
}

bool PosixSerialDevice::Write(const std::uint8_t* src, std::size_t n) {
    if (dead_) return false;
    // Generous: twice the wire time of 11-bit characters plus a second, so a stalled
    // driver cannot hold the caller forever.
    const auto wireMs =
        static_cast<std::uint64_t>(n) * 11 * 1000 / std::max<std::uint32_t>(baud_, 1);
    const auto deadline = SteadyClock::now() + std::chrono::milliseconds(1000 + 2 * wireMs);
    std::size_t done = 0;
    while (done < n) {
        const ssize_t put = ::write(fd_, src + done, n - done);
        if (put > 0) {
            done += static_cast<std::size_t>(put);
            continue;
        }
        if (put < 0 && errno == EINTR) continue;
        if (put < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
            if (errno == EIO || errno == ENXIO || errno == ENODEV) dead_ = true;
            return false;
        }
        const int waitMs = MsUntil(deadline);
        if (waitMs <= 0) return false;
        pollfd watch{fd_, POLLOUT, 0};
        const int ready = ::poll(&watch, 1, waitMs);
        if (ready > 0 && (watch.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0) {
            dead_ = true;
            return false;
        }
    }
    return true;
}

void PosixSerialDevice::PurgeReceive() {
    ::tcflush(fd_, TCIFLUSH);
    rx_.clear();
}

void PosixSerialDevice::PurgeTransmit() {
    ::tcflush(fd_, TCOFLUSH);
}

bool PosixSerialDevice::Drain(std::uint32_t maxMs) {
    // Watch the output queue rather than tcdrain(), which can block for good on a stuck
    // port. The wait is bounded by twice the wire time of what is queued now, plus 50 ms.
    int pending = 0;
    if (::ioctl(fd_, TIOCOUTQ, &pending) != 0) return false;
    if (pending <= 0) return true;
    const auto wireMs =
        static_cast<std::uint64_t>(pending) * 11 * 1000 / std::max<std::uint32_t>(baud_, 1);
    const auto boundMs = std::min<std::uint64_t>(maxMs, 2 * wireMs + 50);
    const auto deadline = SteadyClock::now() + std::chrono::milliseconds(boundMs);
    for (;;) {
        std::this_thread::sleep_for(std::chrono::microseconds(500));
        if (::ioctl(fd_, TIOCOUTQ, &pending) != 0) return false;
        if (pending <= 0) return true;
        if (SteadyClock::now() >= deadline) return false;
    }
}

bool PosixSerialDevice::IsAlive() {
    if (dead_) return false;
    // A hung-up terminal (adapter pulled, pty master closed) reports POLLHUP for good.
    pollfd watch{fd_, POLLIN, 0};
    if (::poll(&watch, 1, 0) > 0 && (watch.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0) {
        dead_ = true;
        return false;
    }
    termios settings{};
    if (::tcgetattr(fd_, &settings) != 0 &&
        (errno == EIO || errno == ENXIO || errno == ENODEV || errno == EBADF)) {
        dead_ = true;
        return false;
    }
    // The node vanished or now names another device (adapter replugged elsewhere).
    struct stat info {};
    if (::stat(path_.c_str(), &info) != 0) {
        if (errno == ENOENT || errno == ENODEV || errno == ENXIO || errno == ENOTDIR) {
            dead_ = true;
            return false;
        }
    } else if (rdev_ != 0 && info.st_rdev != rdev_) {
        dead_ = true;
        return false;
    }
    return true;
}

void PosixSerialDevice::SetModemBit(int bit, bool asserted) {
    // Pseudo-terminals have no modem lines; that failure means nothing here.
    ::ioctl(fd_, asserted ? TIOCMBIS : TIOCMBIC, &bit);
}

void PosixSerialDevice::SetDtr(bool asserted) {
    SetModemBit(TIOCM_DTR, asserted);
}

void PosixSerialDevice::SetRts(bool asserted) {
    SetModemBit(TIOCM_RTS, asserted);
}

}  // namespace kx::link
