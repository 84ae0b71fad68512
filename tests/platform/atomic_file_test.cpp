#include "platform/atomic_file.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <tuple>

namespace fs = std::filesystem;

// This test program stands in for two system calls, to see what the writer does with them.
namespace {
std::atomic<int> umaskCalls{0};
std::atomic<bool> failFsync{false};
}  // namespace

extern "C" mode_t umask(mode_t mask) noexcept {
    ++umaskCalls;
    return static_cast<mode_t>(::syscall(SYS_umask, mask));
}

extern "C" int fsync(int fd) {
    if (failFsync) {
        errno = EIO;
        return -1;
    }
    return static_cast<int>(::syscall(SYS_fsync, fd));
}

namespace kx {
namespace {

class AtomicFile : public testing::Test {
  protected:
    void SetUp() override { fs::create_directory(dir_); }
    void TearDown() override { fs::remove_all(dir_); }
    std::string PathOf(const std::string& name) const { return (dir_ / name).string(); }
    std::string Slurp(const std::string& path) const {
        const auto bytes = ReadWholeFile(path);
        return bytes ? std::string(bytes->begin(), bytes->end()) : "(unreadable)";
    }
    static std::size_t OpenDescriptors() {
        return static_cast<std::size_t>(
            std::distance(fs::directory_iterator("/proc/self/fd"), fs::directory_iterator{}));
    }

    const fs::path dir_ = fs::temp_directory_path() / ("kx_atomic_" + std::to_string(::getpid()));
};

TEST_F(AtomicFile, ReplacesWhatALinkNamesAndWritesFifosInPlace) {
    // A chain of two links, one relative and one absolute: both stay links.
    ASSERT_TRUE(WriteFileAtomically(PathOf("real.txt"), "old"));
    fs::create_symlink("real.txt", PathOf("near"));
    fs::create_symlink(PathOf("near"), PathOf("far"));
    WriteFailure failure;
    ASSERT_TRUE(WriteFileAtomically(PathOf("far"), "new", &failure)) << failure.path;
    EXPECT_TRUE(fs::is_symlink(PathOf("far")) && fs::is_symlink(PathOf("near")));
    EXPECT_EQ(Slurp(PathOf("real.txt")), "new");
    // A link to a file not there yet creates the file.
    fs::create_symlink("later.txt", PathOf("dangling"));
    ASSERT_TRUE(WriteFileAtomically(PathOf("dangling"), "made", &failure)) << failure.path;
    EXPECT_TRUE(fs::is_symlink(PathOf("dangling")));
    EXPECT_EQ(Slurp(PathOf("later.txt")), "made");
    // A link loop and a folder are refused, and nothing is left behind.
    fs::create_symlink("loop", PathOf("loop"));
    EXPECT_FALSE(WriteFileAtomically(PathOf("loop"), "x", &failure));
    EXPECT_EQ(std::tie(failure.problem, failure.errorNumber),
              std::tuple(WriteProblem::CannotFollowLink, ELOOP));
    fs::create_directory(PathOf("folder"));
    EXPECT_FALSE(WriteFileAtomically(PathOf("folder"), "x", &failure));
    EXPECT_EQ(std::tie(failure.problem, failure.path, failure.errorNumber),
              std::tuple(WriteProblem::CannotWrite, PathOf("folder"), EISDIR));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_), {}), 7);

    // A FIFO with a reader gets the bytes and stays a FIFO; one without a reader is an
    // error at once, never a plain file in its place.
    const std::string fifo = PathOf("fifo");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_FALSE(WriteFileAtomically(fifo, "nobody", &failure));
    EXPECT_EQ(failure.problem, WriteProblem::NoReader);
    const int reader = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    ASSERT_TRUE(WriteFileAtomically(fifo, "through the pipe", &failure)) << failure.path;
    char got[64] = {};
    EXPECT_EQ(::read(reader, got, sizeof got), 16);
    EXPECT_EQ(std::string(got), "through the pipe");
    ::close(reader);
    EXPECT_TRUE(fs::is_fifo(fifo));
}

TEST_F(AtomicFile, LeavesTheUmaskAloneAndClosesItsFileWhenTheFlushFails) {
    const mode_t before = static_cast<mode_t>(::syscall(SYS_umask, 027));
    umaskCalls = 0;
    const std::string path = PathOf("made.txt");
    ASSERT_TRUE(WriteFileAtomically(path, "one"));
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);  // the umask applied as to any new file
    EXPECT_EQ(umaskCalls, 0);             // and never changed, not even for a moment
    ::syscall(SYS_umask, before);

    const std::size_t open = OpenDescriptors();
    failFsync = true;
    WriteFailure failure;
    const bool saved = WriteFileAtomically(path, "two", &failure);
    failFsync = false;
    EXPECT_FALSE(saved);
    EXPECT_EQ(std::tie(failure.problem, failure.errorNumber),
              std::tuple(WriteProblem::CannotWrite, EIO));
    EXPECT_EQ(OpenDescriptors(), open);
    EXPECT_EQ(Slurp(path), "one");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_), {}), 1);  // no temporary file left
}

TEST_F(AtomicFile, ReadsOnlyRegularFilesUpToTheLimitWithoutBlocking) {
    const std::string path = PathOf("text");
    ASSERT_TRUE(WriteFileAtomically(path, "12345678"));
    ReadFailure failure;
    EXPECT_EQ(ReadRegularFile(path, 8, &failure)->size(), 8u);
    EXPECT_FALSE(ReadRegularFile(path, 7, &failure));
    EXPECT_EQ(failure.problem, ReadProblem::TooLarge);
    EXPECT_EQ(failure.size, 8u);

    // A FIFO without a writer: refused at once. Should the read hang, a writer comes and
    // goes after ten seconds so that the test ends anyway.
    const std::string fifo = PathOf("fifo");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::atomic<bool> done{false};
    std::optional<std::vector<std::uint8_t>> fromFifo;
    std::thread read([&] {
        fromFifo = ReadRegularFile(fifo, 100, &failure);
        done = true;
    });
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!done && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    const bool inTime = done;
    while (!done) ::close(::open(fifo.c_str(), O_WRONLY | O_NONBLOCK));
    read.join();
    EXPECT_TRUE(inTime);
    EXPECT_FALSE(fromFifo);
    EXPECT_EQ(failure.problem, ReadProblem::NotRegular);
}

}  // namespace
}  // namespace kx
