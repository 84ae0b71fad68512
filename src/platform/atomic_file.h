#pragma once
// Whole-file reads and crash-safe whole-file writes, with the file calls of each system.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "common/file_failure.h"

namespace kx {

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

// Writes `bytes` to a temporary file in the same folder, flushes it to disk and renames it
// over `path`, so that a crash never leaves a half-written file in place of the old one.
// A symbolic link is followed (its target is replaced, the link stays); a device or FIFO is
// written in place, since it cannot be replaced by a file. Returns false (and sets
// `failure`) when the bytes could not all be written.
bool WriteFileAtomically(const std::string& path, const std::string& bytes,
                         WriteFailure* failure = nullptr);

}  // namespace kx
