#pragma once
// Why a file could not be read or written, as the system's file calls report it; said to
// the user by messages/file_reasons.h.

#include <cstdint>
#include <string>

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

}  // namespace kx
