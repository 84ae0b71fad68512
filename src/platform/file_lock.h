#pragma once
// Whole-file locks that the system drops when the holder dies, however it dies, and the
// appends a log shared by several programs needs.

#include <functional>
#include <optional>
#include <string>

namespace kx::platform {

// An open lock file. The lock, once taken, is held until the object is destroyed.
class LockFile {
  public:
    // Opens `path`, creating it when missing; a lock file someone else made in a shared
    // folder is opened for reading, which still locks. nullopt with `reason` (the system's
    // words) when it cannot be opened.
    static std::optional<LockFile> Open(const std::string& path, std::string* reason);

    enum class Attempt { Taken, HeldElsewhere, Failed };
    // One attempt at the exclusive lock, without waiting; `reason` is set for Failed.
    Attempt TryLock(std::string* reason);

    ~LockFile();
    LockFile(LockFile&& other) noexcept;
    LockFile& operator=(LockFile&&) = delete;
    LockFile(const LockFile&) = delete;

  private:
    explicit LockFile(long long handle) : handle_(handle) {}
    long long handle_ = -1;  // the system's descriptor or handle; -1 once moved from
};

// Why an append to a shared file failed.
struct AppendFailure {
    enum class Kind { Folder, ReadOnly, Other };
    Kind kind = Kind::Other;
    std::string reason;  // the system's words, for Other
};

// Opens `path` for appending (creating it), waits for the exclusive lock every writer of the
// file takes, and writes `bytesFor(empty)` in one piece at its end, `empty` telling whether
// the file held nothing yet. A write that fails half-way is cut off again, so the file never
// keeps a partial piece; the piece is flushed to the disk before the lock is dropped.
std::optional<AppendFailure> AppendUnderLock(
    const std::string& path, const std::function<std::string(bool empty)>& bytesFor);

}  // namespace kx::platform
