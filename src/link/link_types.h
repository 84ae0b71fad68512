#pragma once
// Result codes, command codes and reply shapes of the programmer link.

#include <array>
#include <cstddef>
#include <cstdint>

namespace kx::link {

// Result of every link operation.
enum LinkStatus : int {
    kLinkOk = 0,
    kLinkOpenFailed = 1,     // OpenPort could not open or configure the port
    kLinkCommandFailed = 5,  // no reply in time, short reply, wrong acknowledge, no reply class
    kLinkSyncFailed = 99,    // the loader did not answer the sync byte with 0x90
};

// Command codes; names follow the published BSL commands where they coincide.
enum class Command : std::uint8_t {
    RX_PASSWORD = 0x10,
    RX_DATA_BLOCK = 0x12,
    TX_DATA_BLOCK = 0x14,
    ERASE_SEGMENT = 0x16,
    MASS_ERASE = 0x18,
    LOAD_PC = 0x1A,
    SET_MEM_OFFSET = 0x21,
    TARGET_CONNECT = 0x70,
    TARGET_RUN = 0x71,
    GET_VERSION = 0x72,
    BURN_FUSE = 0x73,
    STORE_READ = 0x74,
    OFFLINE_SETUP = 0x75,
    STORE_WRITE = 0x76,
    ENTER_LOADER = 0x77,
    VPP_TEST = 0x7A,
};

inline constexpr std::uint8_t kFrameHeader = 0x80;
inline constexpr std::uint8_t kAck = 0x90;
inline constexpr std::uint8_t kNak = 0xA0;
inline constexpr std::size_t kDataReplyHead = 4;  // data replies carry data from offset 4
inline constexpr std::size_t kVersionReplySize = 26;
inline constexpr std::size_t kTargetReplySize = 10;
inline constexpr std::size_t kPasswordSize = 32;
inline constexpr std::size_t kOfflineSetupSize = 68;

using PasswordBytes32 = std::array<std::uint8_t, kPasswordSize>;

// Block commands carry a 16-bit address within the 64 KiB bank SET_MEM_OFFSET chose, and the
// box adds the count to it without carrying into the bank: so the run, the read and the
// offline store never let a block cross a bank boundary.
inline constexpr std::uint32_t kBankSize = 0x10000;
// Bytes from `address` up to the end of its bank.
inline constexpr std::uint32_t BytesToBankEnd(std::uint32_t address) {
    return kBankSize - address % kBankSize;
}

// The 10-byte reply of TARGET_CONNECT.
struct TargetReply {
    std::uint16_t status = 0;  // 0 no target, 2 fused, 3 BSL password refused, other: connected
    std::uint16_t chipId = 0;
    std::array<std::uint8_t, kTargetReplySize> raw{};
};

inline constexpr std::uint16_t kTargetNone = 0;
inline constexpr std::uint16_t kTargetFused = 2;
inline constexpr std::uint16_t kTargetPasswordRefused = 3;

}  // namespace kx::link
