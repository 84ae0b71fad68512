#pragma once
// The 63 numbered user messages, each in Chinese and English (UTF-8 in this program).

#include <cstdint>
#include <string_view>

namespace kx {

enum class UiLanguage : std::uint8_t { Chinese = 0, English = 1 };

inline constexpr int kMessageCount = 63;

// The numbered messages, named after what they say. The number is the message's identity
// (the message list and the tests key on it), so the order never changes.
enum class Message : std::uint8_t {
    LoadFile = 0,
    CodeSize = 1,
    FileFormatMismatch = 2,
    InfoAddressOutside1000 = 3,
    InfoAddressOdd = 4,
    ProgrammerOpenFailed = 5,
    VersionReadFailed = 6,
    FirmwareVersionIllegal = 7,
    FirmwareTooOld = 8,
    ConnectFailed = 9,
    Connected = 10,
    TargetNotFound = 11,
    PasswordRefused = 12,
    TargetFused = 13,
    TargetInvalid = 14,
    TargetChip = 15,
    ModeSbw = 16,
    ModeJtag = 17,
    ModeBsl = 18,
    EraseFailed = 19,
    EraseDone = 20,
    ProgramNotSelected = 21,
    ProgramStart = 22,
    ProgramFailed = 23,
    ProgramDone = 24,
    VerifyStart = 25,
    VerifyFailed = 26,
    VerifyDone = 27,
    InfoFlashProtected = 28,
    InfoWriteFailed = 29,
    InfoVerifyFailed = 30,
    InfoDone = 31,
    FuseFailed = 32,
    FuseDone = 33,
    TargetRunning = 34,
    ElapsedTime = 35,
    ReadAddressOdd = 36,
    ReadLengthOdd = 37,
    ReadOverflow = 38,
    ReadTargetFused = 39,
    ReadStart = 40,
    ReadFailed = 41,
    ReadDone = 42,
    Searching = 43,
    Ready = 44,
    DownloadFailed = 45,
    DownloadStart = 46,
    DownloadVerifying = 47,
    DownloadDone = 48,
    UpdateFirmwareIllegal = 49,
    UpdateUpToDate = 50,
    UpdateStart = 51,
    UpdateFailed = 52,
    UpdateDone = 53,
    ConfirmFuse = 54,
    ConfirmDownload = 55,
    ConfirmUpdate = 56,
    InfoAddressOutside1800 = 57,
    InfoOccupied = 58,
    BslEraseWarning = 59,
    SoftwareTooOld = 60,
    CountLimitHint = 61,
    DeviceMismatch = 62,
};

// Text of `message` in `language`.
std::string_view MessageText(Message message, UiLanguage language);

// Where SoftwareTooOld sends the user for newer software, chosen when the program is built;
// empty when the build names none, and then the message leaves the address out.
std::string_view DownloadAddress();

}  // namespace kx
