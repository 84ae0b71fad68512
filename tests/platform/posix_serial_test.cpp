#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <future>
#include <thread>
#include <tuple>

#include "link/link_frame.h"
#include "link/open_failure.h"
#include "link/programmer_link.h"
#include "platform/linux/linux_ports.h"
#include "platform/linux/posix_serial_device.h"

namespace kx::link {
namespace {

using Bytes = std::vector<std::uint8_t>;
namespace fs = std::filesystem;
using Steady = std::chrono::steady_clock;

// The box's end of a pseudo-terminal; the link opens `slave`.
struct Pty {
    Pty() {
        master = ::posix_openpt(O_RDWR | O_NOCTTY);
        if (master >= 0 && ::grantpt(master) == 0 && ::unlockpt(master) == 0)
            slave = ::ptsname(master);
    }
    ~Pty() { Close(); }
    void Close() {
        if (master >= 0) ::close(master);
        master = -1;
    }
    Bytes Read(std::size_t n) {  // up to n bytes within 2 s
        Bytes got;
        pollfd watch{master, POLLIN, 0};
        std::uint8_t byte = 0;
        while (got.size() < n && ::poll(&watch, 1, 2000) > 0 && ::read(master, &byte, 1) == 1)
            got.push_back(byte);
        return got;
    }
    void Write(const Bytes& b) {
        EXPECT_EQ(::write(master, b.data(), b.size()), ssize_t(b.size()));
    }
    termios Seen() const {
        termios t{};
        ::tcgetattr(master, &t);  // on Linux: the slave's settings
        return t;
    }
    int master = -1;
    std::string slave;
};

// The box hears `n` bytes, then sends `pieces` `gapMs` apart; yields what it heard.
std::future<Bytes> BoxAnswers(Pty& box, std::size_t n, std::vector<Bytes> pieces, int gapMs = 5) {
    return std::async(std::launch::async, [&box, n, pieces, gapMs] {
        const Bytes heard = box.Read(n);
        for (const Bytes& piece : pieces) {
            std::this_thread::sleep_for(std::chrono::milliseconds(gapMs));
            box.Write(piece);
        }
        return heard;
    });
}

double ThreadCpuMs() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) * 1e3 + double(ts.tv_nsec) / 1e6;
}

TEST(PosixSerial, LinkRoundTripOverPseudoTerminal) {
    Pty box;
    ASSERT_FALSE(box.slave.empty());
    // The link opens the port through a symlink, whose removal is a vanished port.
    const fs::path alias = fs::temp_directory_path() / ("kx_link_" + std::to_string(::getpid()));
    fs::remove(alias);
    fs::create_symlink(box.slave, alias);
    PosixPortProvider ports(PortPaths{alias.string()});
    ProgrammerLink link(ports, SystemClock());
    ASSERT_EQ(link.OpenPort(0, 115200), kLinkOk);
    termios seen = box.Seen();
    EXPECT_EQ(cfgetospeed(&seen), speed_t(B115200));  // the rest: MakeLineSettings below
    EXPECT_EQ(seen.c_lflag & (ICANON | ECHO), 0u);
    // A second opener is refused and leaves the holder's settings alone.
    OpenFailure why{};
    EXPECT_FALSE(PosixSerialDevice::Open(box.slave, 9600, why));
    EXPECT_EQ(why, OpenFailure::Busy);
    seen = box.Seen();
    EXPECT_EQ(cfgetospeed(&seen), speed_t(B115200));

    auto heard = BoxAnswers(box, 10, {{kAck}});
    EXPECT_EQ(link.VppTest(), kLinkOk);
    EXPECT_EQ(heard.get(), BuildLinkFrame(0x7A, Bytes(4, 0)));
    // 26 bytes in two pieces 100 ms apart, CR and LF untouched; the second carries a
    // surplus 0x90 that must not answer the next command. While part of the reply is
    // queued, the wait sleeps in poll() rather than spinning on the bytes already there.
    Bytes reply(26, 0x0D);
    reply[5] = 0x0A;
    Bytes rest(reply.begin() + 9, reply.end());
    rest.push_back(kAck);
    heard = BoxAnswers(box, 10, {Bytes(reply.begin(), reply.begin() + 9), rest}, 100);
    std::array<std::uint8_t, kVersionReplySize> version{};
    const double cpu = ThreadCpuMs();
    EXPECT_EQ(link.GetVersion(version), kLinkOk);
    EXPECT_LT(ThreadCpuMs() - cpu, 30.0);
    heard.get();
    EXPECT_EQ(Bytes(version.begin(), version.end()), reply);
    const auto start = Steady::now();
    EXPECT_EQ(link.BurnFuse(), kLinkCommandFailed);
    const auto waited = std::chrono::duration<double, std::milli>(Steady::now() - start).count();
    EXPECT_GE(waited, 495.0);
    EXPECT_LT(waited, 700.0);

    // Reopening with the settings already in place: the kernel then reports that nothing
    // it was asked for changed (EINVAL, PARENB being dropped on a pty), which is no failure.
    ASSERT_EQ(link.OpenPort(0, 115200), kLinkOk);
    ASSERT_EQ(link.OpenPort(0, 9600), kLinkOk);
    seen = box.Seen();
    EXPECT_EQ(cfgetospeed(&seen), speed_t(B9600));
    link.ResetProgrammer();  // a pty has no modem lines: ignored
    heard = BoxAnswers(box, 1, {{kAck}});
    EXPECT_EQ(link.SyncLoader(), kLinkOk);
    EXPECT_EQ(heard.get(), Bytes{0x80});

    // TARGET_RUN waits for nothing, and the port may close right after it (the command line
    // ends). A pty shows its queue empty while the bytes are still on their way to the far
    // end, so a close that purges loses that last frame now and then.
    const Bytes run = BuildLinkFrame(0x71, Bytes(4, 0));
    ::tcflush(box.master, TCIFLUSH);  // the BURN_FUSE frame above was never read
    int arrived = 0;
    for (int i = 0; i < 100; ++i) {
        ASSERT_EQ(link.OpenPort(0, 115200), kLinkOk);
        EXPECT_EQ(link.TargetRun(), kLinkCommandFailed);  // no reply class: never waits
        link.ClosePort();
        arrived += box.Read(run.size()) == run ? 1 : 0;
    }
    EXPECT_EQ(arrived, 100);

    // The node vanishing ends the link, which gives the port back for the next opener.
    ASSERT_EQ(link.OpenPort(0, 115200), kLinkOk);
    EXPECT_TRUE(link.IsPortAlive());
    fs::remove(alias);
    EXPECT_FALSE(link.IsPortAlive());
    EXPECT_FALSE(link.IsOpen());
    const auto direct = PosixSerialDevice::Open(box.slave, 9600, why);
    ASSERT_TRUE(direct);
    EXPECT_TRUE(direct->IsAlive());
    box.Close();  // a hung-up far end ends it too
    EXPECT_FALSE(direct->IsAlive());
}

TEST(PosixSerial, OpenFailuresAreClassified) {
    const fs::path plain = fs::temp_directory_path() / ("kx_plain_" + std::to_string(::getpid()));
    std::fclose(std::fopen(plain.c_str(), "w"));
    Pty box;
    const std::tuple<std::string, std::uint32_t, OpenFailure> cases[] = {
        {"", 115200, OpenFailure::NoSuchPort},
        {plain.string() + "/none", 115200, OpenFailure::NoSuchPort},
        {plain.string(), 115200, OpenFailure::ConfigureFailed},
        {fs::temp_directory_path().string(), 115200, OpenFailure::ConfigureFailed},
        {box.slave, 12345, OpenFailure::ConfigureFailed}};
    for (const auto& [path, baud, want] : cases) {
        OpenFailure why{};
        EXPECT_FALSE(PosixSerialDevice::Open(path, baud, why)) << path;
        EXPECT_EQ(why, want) << path;
    }
    ::chmod(plain.c_str(), 0);
    OpenFailure why{};
    EXPECT_FALSE(PosixSerialDevice::Open(plain, 115200, why));
    // Root opens it anyway, and then finds no terminal.
    EXPECT_EQ(why, ::geteuid() == 0 ? OpenFailure::ConfigureFailed : OpenFailure::AccessDenied);
    fs::remove(plain);

    EXPECT_EQ(ClassifyOpenErrno(EACCES), OpenFailure::AccessDenied);  // what root never sees
    EXPECT_EQ(OpenFailureHint(OpenFailure::AccessDenied, "/dev/ttyUSB0", UiLanguage::English),
              "Permission denied on /dev/ttyUSB0: add your user to the 'dialout' group "
              "(sudo usermod -aG dialout $USER) and log in again.");
}

TEST(PosixSerial, LineSettingsAre8E1RawWithoutFlowControl) {
    termios t{};
    std::memset(&t, 0xFF, sizeof t);  // as if the driver reported every flag set
    ASSERT_TRUE(MakeLineSettings(t, 9600));
    EXPECT_EQ(t.c_cflag & (CSIZE | PARENB | PARODD | CSTOPB | CRTSCTS | CMSPAR | CLOCAL | CREAD),
              tcflag_t(CS8 | PARENB | CLOCAL | CREAD));
    EXPECT_EQ(t.c_iflag & (INPCK | PARMRK | ISTRIP | IXON | IXOFF | IXANY | ICRNL | IGNCR), 0u);
    EXPECT_EQ(t.c_oflag & OPOST, 0u);
    EXPECT_EQ(t.c_lflag & (ICANON | ECHO | ISIG | IEXTEN), 0u);
    EXPECT_EQ(t.c_cc[VMIN] | t.c_cc[VTIME], 0);
    EXPECT_EQ(cfgetispeed(&t), speed_t(B9600));
    EXPECT_EQ(cfgetospeed(&t), speed_t(B9600));
    EXPECT_FALSE(MakeLineSettings(t, 12345));
}

}  // namespace
}  // namespace kx::link
