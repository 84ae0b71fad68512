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

// "cannot read PATH: <why>", in English, for logs and the settings file's report.
std::string ReadFailureText(const std::string& path, const ReadFailure& failure);

// Largest file ReadWholeFile takes; every file this program reads is far smaller.
inline constexpr std::uint64_t kWholeFileLimit = 16u << 20;

// Reads the whole regular file (ReadRegularFile with kWholeFileLimit); nullopt when it cannot
// be read (`error` says why).
std::optional<std::vector<std::uint8_t>> ReadWholeFile(const std::string& path,
                                                       std::string* error = nullptr);

// Writes `bytes` to a temporary file in the same folder, flushes it to disk and renames it
// over `path`, so that a crash never leaves a half-written file in place of the old one.
// A symbolic link is followed (its target is replaced, the link stays); a device or FIFO is
// written in place, since it cannot be replaced by a file. Returns false (and sets `error`)
// when the bytes could not all be written.
bool WriteFileAtomically(const std::string& path, const std::string& bytes,
                         std::string* error = nullptr);

}  // namespace kx
