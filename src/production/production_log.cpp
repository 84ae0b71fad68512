#include "production/production_log.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "messages/text_catalogue.h"

namespace kx::production {
namespace {

// Closes the descriptor (and so releases its lock) on every way out.
class Descriptor {
  public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int Get() const { return fd_; }

  private:
    int fd_;
};

// Non-blocking, so that a FIFO nobody reads is refused instead of hanging the unit.
constexpr int kOpenFlags = O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NONBLOCK;

bool WriteAll(int fd, const std::string& bytes) {
    // One write: with O_APPEND it lands whole at the end; a short one is reported.
    ssize_t n = 0;
    do {
        n = ::write(fd, bytes.data(), bytes.size());
    } while (n < 0 && errno == EINTR);
    if (n == static_cast<ssize_t>(bytes.size())) return true;
    if (n >= 0) errno = ENOSPC;
    return false;
}

std::string NotWritten(const std::string& path, int error, UiLanguage language) {
    if (error == EISDIR) return SayText(language, Text::ProductionLogIsFolder, {path});
    if (error == EACCES || error == EPERM || error == EROFS) {
        return SayText(language, Text::ProductionLogReadOnly, {path});
    }
    return SayText(language, Text::ProductionLogNotWritten, {path, std::strerror(error)});
}

}  // namespace

CsvRow LogHeader() {
    return {"time", "station",      "port",   "box",     "device", "chip_id",
            "mode", "image_sha256", "serial", "message", "result", "duration_ms"};
}

CsvRow LogFields(const LogRow& row) {
    std::array<char, 8> chip{};
    std::snprintf(chip.data(), chip.size(), "%04X", row.chipId);
    return {row.time,
            row.station,
            row.port,
            row.box,
            row.device,
            chip.data(),
            row.mode,
            row.imageSha256,
            row.serial ? std::to_string(*row.serial) : std::string(),
            std::to_string(row.message),
            row.messageText,
            std::to_string(row.durationMs)};
}

std::string IsoLocalTime(std::time_t when) {
    std::tm local{};
    if (::localtime_r(&when, &local) == nullptr) return {};
    std::array<char, 40> text{};
    const std::size_t n = std::strftime(text.data(), text.size(), "%Y-%m-%dT%H:%M:%S%z", &local);
    std::string iso(text.data(), n);
    // strftime gives "+0800"; ISO 8601's extended form wants "+08:00".
    if (iso.size() >= 5) iso.insert(iso.size() - 2, ":");
    return iso;
}

std::string StationName() {
    std::array<char, 256> name{};
    if (::gethostname(name.data(), name.size() - 1) != 0) return {};
    return name.data();
}

std::optional<std::string> CheckLogWritable(const std::string& path, UiLanguage language) {
    const Descriptor fd(::open(path.c_str(), kOpenFlags, 0644));
    if (fd.Get() < 0) return NotWritten(path, errno, language);
    return std::nullopt;
}

std::optional<std::string> AppendLogRow(const std::string& path, const LogRow& row,
                                        UiLanguage language) {
    const Descriptor fd(::open(path.c_str(), kOpenFlags, 0644));
    if (fd.Get() < 0) return NotWritten(path, errno, language);
    // The lock makes "empty, so the header first" one step among all writers of the log, and
    // lets a failed row be taken back without cutting another writer's row.
    int locked = 0;
    do {
        locked = ::flock(fd.Get(), LOCK_EX);
    } while (locked != 0 && errno == EINTR);
    if (locked != 0) return NotWritten(path, errno, language);
    struct stat st {};
    if (::fstat(fd.Get(), &st) != 0) return NotWritten(path, errno, language);
    std::string bytes;
    if (st.st_size == 0) bytes = RenderCsvRow(LogHeader());
    bytes += RenderCsvRow(LogFields(row));
    if (!WriteAll(fd.Get(), bytes)) {
        const int error = errno;
        if (S_ISREG(st.st_mode) && ::ftruncate(fd.Get(), st.st_size) != 0) {
            // Nothing more can be done; the reason below is the write's.
        }
        return NotWritten(path, error, language);
    }
    if (::fsync(fd.Get()) != 0 && errno != EINVAL) return NotWritten(path, errno, language);
    return std::nullopt;
}

}  // namespace kx::production
