#pragma once
// Every text a user sees that is not one of the numbered messages: hints, refusals, report
// lines, and the command line's and the window's own lines, each in English and Chinese.
// A row may hold placeholders {1}..{9}, filled by SayText in the order the caller gives.

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

#include "messages/message_catalogue.h"

namespace kx {

// Grouped by the part of the program that says them; the order is free.
enum class Text : std::uint16_t {
    // The serial link.
    // Settings and the serial counter.
    // Files (image, password, TI-TXT, settings).
    SaveFailed,
    // Devices and security words.
    // Operations.
    // The command line.
    UnknownCommand,
    UnexpectedArgument,
    OptionNeedsValue,
    OptionTakesNoValue,
    ModeTakesJtagBslSbw,
    LangTakesZhEn,
    PortNeedsDevicePath,
    AtMostEightPorts,
    UnknownOption,
    NoCommandGiven,
    CommandNeedsTiTxtFile,
    ReadOptionsOnlyForRead,
    CountLimitOnlyForDownload,
    CountLimitRange,
    SerialHexNeedsSerial,
    FuseOnlyForProgramAndDownload,
    AllowOutsideOnlyForProgramAndDownload,
    ProtectInfoExcludesProductInfo,
    ByDeviceReadsWholeDevice,
    OutputNeedsFileName,
    DevicesCommandListsNames,
    DeviceNeedsRowOrName,
    DeviceRowMissing,
    DeviceUnknown,
    DeviceAmbiguous,
    ModeNotOffered,
    FuseNeedsJtagOrSbw,
    NoEraseSegAChoice,
    ProductNameDoesNotFit,
    SerialHexDigits,
    SerialDecimalDigits,
    InfoAddressDigits,
    HexOptionDigits,
    SettingsUnreadableUseAnother,
    SerialNotRecordedNothingProgrammed,
    SettingsFileHoldsNoSettings,
    SerialCounterUnreadableGiveSerial,
    SerialNumberNotTakenBecause,
    ProductRecordNotWrittenProgramAgain,
    NoSaveNextSerialNotWritten,
    SerialGapAfterFailedRun,
    NextSerialNumber,
    SerialMayBeInChip,
    ChipHoldsSerial,
    NoSerialTakenCounterUnchanged,
    FileAndLine,
    OutsideDataRefusedNothingSent,
    PasswordFileRefusedNothingSent,
    PortOpensNoProgrammerAnswers,
    NoSerialPortNameOne,
    ProgrammerOnPort,
    OnlyLoaderAnswersFinishUpdate,
    FirmwareIdentification,
    FirmwareNewerGetNewestSoftware,
    FirmwareNotKxVeldran,
    FirmwareOlderRunUpdate,
    SavedTo,
    PortNotReopenedPowerUp,
    FuseNotConfirmedNothingDone,
    StoppingAfterThisUnit,
    StoppedAtOnce,
    NothingSentToChip,
    ChipMayBePartlyProgrammed,
    UnitFinished,
    StoppedOnRequestAfterUnit,
    NoTerminalToAnswer,
    UpdateCannotBeInterrupted,
    UpdateSecondsToGo,
    UpdateHalfAMinuteInAll,
    UpdateInterruptedFinishIt,
    DeviceListHeading,
    // The window.
    Count  // not a text
};

// The row's pattern in `language`, placeholders unfilled.
std::string_view TextPattern(Text text, UiLanguage language);

// The row in `language` with {1}.. replaced by `args` (missing arguments stay empty).
std::string SayText(UiLanguage language, Text text,
                    std::initializer_list<std::string_view> args = {});

}  // namespace kx
