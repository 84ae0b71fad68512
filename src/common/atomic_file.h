#pragma once
// Whole-file reads and crash-safe whole-file writes.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kx {

// Reads the whole file; nullopt when it cannot be opened or read (`error` says why).
std::optional<std::vector<std::uint8_t>> ReadWholeFile(const std::string& path,
                                                       std::string* error = nullptr);

// Writes `bytes` to a temporary file in the same folder, flushes it to disk and renames it
// over `path`, so that a crash never leaves a half-written file in place of the old one.
// Returns false (and sets `error`) when the file could not be created or written.
bool WriteFileAtomically(const std::string& path, const std::string& bytes,
                         std::string* error = nullptr);

}  // namespace kx
