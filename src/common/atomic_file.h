#pragma once
// Whole-file reads and crash-safe whole-file writes.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kx {

// Why a file could not be read.
enum class ReadProblem : std::uint8_t {
    CannotOpen,  // missing, no permission, ... (errorNumber says which)
    Folder,      // a directory
    NotRegular,  // a device, FIFO or socket: it may never end, or block without a writer
    TooLarge,    // larger than the caller accepts; not read at all
    ReadFailed,  // the system reported an error while reading (errorNumber)
};

struct ReadFailure {
    ReadProblem problem = ReadProblem::CannotOpen;
    int errorNumber = 0;
    std::uint64_t size = 0;   // TooLarge: the file's size
    std::uint64_t limit = 0;  // TooLarge: the largest size accepted
};

// Reads a regular file of at most `maxBytes` bytes. What is not a regular file, or is larger,
// is refused without being read (and without blocking on a FIFO).
std::optional<std::vector<std::uint8_t>> ReadRegularFile(const std::string& path,
                                                         std::uint64_t maxBytes,
                                                         ReadFailure* failure = nullptr);

// Largest file ReadWholeFile takes; every file this program reads is far smaller.
inline constexpr std::uint64_t kWholeFileLimit = 16u << 20;

// Reads the whole regular file (ReadRegularFile with kWholeFileLimit); nullopt when it cannot
// be read (`failure` says why).
std::optional<std::vector<std::uint8_t>> ReadWholeFile(const std::string& path,
                                                       ReadFailure* failure = nullptr);

// What a write could not do. The caller says it to the user, in the user's language.
enum class WriteProblem : std::uint8_t {
    CannotWrite,       // writing `path` failed (errorNumber)
    CannotFollowLink,  // `path` is a link that could not be read (a loop, too long, ...)
    NoReader,          // `path` is a FIFO that no program reads from
    CannotOpen,        // `path` is a device or FIFO that would not open
    ReadOnly,          // `path` is kept read-only, or the user may not write it
    CannotCreate,      // no new file could be made in the folder `path`
    CannotKeepOwner,   // the new file could not take the owner and mode of `path`
    CannotReplace,     // the new file could not be renamed over `path`
};

struct WriteFailure {
    WriteProblem problem = WriteProblem::CannotWrite;
    std::string path;
    int errorNumber = 0;  // 0 for NoReader
};

// Writes `bytes` to a temporary file in the same folder, flushes it to disk and renames it
// over `path`, so that a crash never leaves a half-written file in place of the old one.
// A symbolic link is followed (its target is replaced, the link stays); a device or FIFO is
// written in place, since it cannot be replaced by a file. Returns false (and sets
// `failure`) when the bytes could not all be written.
bool WriteFileAtomically(const std::string& path, const std::string& bytes,
                         WriteFailure* failure = nullptr);

}  // namespace kx
