// The rows of the text table: English first, Chinese second, as the user sees them.

#include "messages/text_catalogue.h"

#include <array>
#include <cstddef>

#include "messages/table_rows.h"

namespace kx {
namespace {

struct TextRow {
    Text text;
    std::string_view english;
    std::string_view chinese;
};

// clang-format off
constexpr std::array<TextRow, static_cast<std::size_t>(Text::Count)> kTexts = {{
    // The serial link.
    {Text::PortNumberWithoutPort,
     "No serial port behind this port number: plug in the programmer, or name its device in "
     "KX_VELDRAN_PORTS (e.g. KX_VELDRAN_PORTS=/dev/ttyUSB0).",
     "此端口号下没有串口：请连接编程器，或在 KX_VELDRAN_PORTS 中写明其设备（例如 "
     "KX_VELDRAN_PORTS=/dev/ttyUSB0）。"},
    {Text::PortMissing,
     "{1} does not exist: check that the programmer is plugged in, or set KX_VELDRAN_PORTS to "
     "its device path.",
     "{1} 不存在：请检查编程器是否已连接，或将 KX_VELDRAN_PORTS 设为其设备路径。"},
    {Text::PortPermissionDenied,
     "Permission denied on {1}: add your user to the 'dialout' group (sudo usermod -aG dialout "
     "$USER) and log in again.",
     "没有访问 {1} 的权限：请把当前用户加入 dialout 组（sudo usermod -aG dialout $USER），"
     "然后重新登录。"},
    {Text::PortInUse,
     "{1} is in use by another program: close that program (a terminal, ModemManager or a "
     "second copy of this one) and try again.",
     "{1} 正被其他程序占用：请关闭该程序（终端、ModemManager 或本程序的另一个副本）后重试。"},
    {Text::PortRefusedLineSettings,
     "{1} refused the line settings (8 data bits, even parity, 1 stop bit): check that it is a "
     "serial port.",
     "{1} 不接受串口参数（8 个数据位、偶校验、1 个停止位）：请检查它是否为串口。"},
    // Settings and the serial counter.
    {Text::SettingsUnreadable,
     "Cannot read the settings file {1} ({2}); the default settings are in use. Check the "
     "file's permissions.",
     "无法读取设置文件 {1}（{2}），正在使用默认设置。请检查文件的权限。"},
    {Text::SettingsReadFailed,
     "Cannot read the settings file ({1}); the default settings are in use. Check the file's "
     "permissions.",
     "无法读取设置文件（{1}），正在使用默认设置。请检查文件的权限。"},
    {Text::SettingsNotRegular,
     "The settings file {1} is not a regular file; the default settings are in use. Remove or "
     "rename it so the settings can be saved.",
     "设置文件 {1} 不是普通文件，正在使用默认设置。请删除或重命名它，以便保存设置。"},
    {Text::FolderNotCreated,
     "cannot create the folder {1}: {2}",
     "无法创建文件夹 {1}：{2}"},
    {Text::SettingsNotSaved,
     "The settings were not saved to {1} ({2}).",
     "设置未能保存到 {1}（{2}）。"},
    {Text::SettingsNotSavedNoteSerial,
     "The settings were not saved to {1} ({2}). Make the folder writable or set "
     "KX_VELDRAN_SETTINGS to another file, and note the serial number {3}: the next start will "
     "not know it.",
     "设置未能保存到 {1}（{2}）。请让文件夹可写，或把 KX_VELDRAN_SETTINGS 设为另一个文件，"
     "并记下序列号 {3}：下次启动时程序不会知道它。"},
    {Text::SerialCounterUnreadable,
     "The serial counter in the settings file cannot be read ({1}); give the next serial "
     "number.",
     "设置文件中的序列号无法读取（{1}），请给出下一个序列号。"},
    {Text::FileHoldsNoSettings,
     "the file holds no settings",
     "文件中没有设置"},
    {Text::LockFileNotOpened,
     "cannot open the lock file {1}: {2}",
     "无法打开锁文件 {1}：{2}"},
    {Text::LockHeldElsewhere,
     "another program has held {1} for over {2} s; close it or end it",
     "另一个程序占用 {1} 已超过 {2} 秒，请关闭或结束该程序"},
    {Text::LockFailed,
     "cannot lock {1}: {2}",
     "无法锁定 {1}：{2}"},
    {Text::SerialNotTaken,
     "The serial number {1} was not taken: {2} cannot be written ({3}).",
     "序列号 {1} 未取用：{2} 无法写入（{3}）。"},
    {Text::SettingsNotWritable,
     "{1} cannot be written ({2}).",
     "{1} 无法写入（{2}）。"},
    // Files (image, password, TI-TXT, settings).
    {Text::SaveFailed,
     "Cannot write the file; choose another folder or file name and save again.\r\n({1})\r\n",
     "文件无法写入，请换一个文件夹或文件名重新保存！\r\n({1})\r\n"},
    {Text::FileNotWritten, "cannot write {1}: {2}", "无法写入 {1}：{2}"},
    {Text::LinkNotFollowed, "cannot follow the link {1}: {2}", "无法跟随链接 {1}：{2}"},
    {Text::FifoWithoutReader,
     "cannot write {1}: no program reads from it",
     "无法写入 {1}：没有程序在读取它"},
    {Text::FileNotOpened, "cannot open {1}: {2}", "无法打开 {1}：{2}"},
    {Text::FileReadOnly, "{1} is read-only: {2}", "{1} 是只读的：{2}"},
    {Text::FileNotCreatedIn, "cannot create a file in {1}: {2}", "无法在 {1} 中新建文件：{2}"},
    {Text::OwnerAndModeNotKept,
     "cannot keep the owner and mode of {1}: {2}",
     "无法保留 {1} 的所有者和权限：{2}"},
    {Text::FileNotReplaced, "cannot replace {1}: {2}", "无法替换 {1}：{2}"},
    {Text::FileNotRead, "cannot read {1}: {2}", "无法读取 {1}：{2}"},
    {Text::ReadFolder, "it is a folder", "这是一个文件夹"},
    {Text::ReadFolderNotFile, "it is a folder, not a file", "这是一个文件夹，不是文件"},
    {Text::ReadNotRegular,
     "it is not a regular file (a device, FIFO or socket)",
     "这不是普通文件（而是设备、管道或套接字）"},
    {Text::ReadTooLarge,
     "it is too large ({1} bytes; at most {2})",
     "文件太大（{1} 字节，最多 {2} 字节）"},
    {Text::ReadTooLargeAccepted,
     "it is too large ({1} bytes; at most {2} are accepted)",
     "文件太大（{1} 字节，最多接受 {2} 字节）"},
    {Text::ReadMissing, "it does not exist", "文件不存在"},
    {Text::ReadPermissionDenied, "permission denied", "没有读取权限"},
    {Text::ReadNotOpened, "cannot open it ({1})", "无法打开（{1}）"},
    {Text::ReadError, "read error ({1})", "读取出错（{1}）"},
    {Text::CodeFileNotLoaded,
     "Cannot read the file; not loaded: {1}\r\n",
     "无法读取文件，文件未载入：{1}\r\n"},
    {Text::AddressBeyondMemory,
     "Data at address 0x{1} lies beyond the largest MSP430 memory (0x45BFF); file not loaded. "
     "Check the file's address lines.\r\n",
     "地址0x{1}处的数据超出MSP430的最大存储空间（0x45BFF），文件未载入！请检查文件中的地址行。\r\n"},
    {Text::FileUnreadable, "Cannot read the file: {1}", "无法读取文件：{1}"},
    {Text::PasswordFileNotSaved,
     "Cannot write the file; choose another folder or file name and save again.\n({1})",
     "文件无法写入，请换一个文件夹或文件名重新保存！\n({1})"},
    {Text::PasswordFileLengthWrong, "The file length does not match!", "文件长度不符！"},
    {Text::PasswordFileFormatWrong, "The file format does not match!", "文件格式不符！"},
    {Text::PasswordEntryAddressWrong, "The entry address does not match!", "入口地址不符！"},
    {Text::OutsideDataWarning,
     "Warning: {1} bytes of the code lie outside the memory of {2} and cannot be "
     "programmed:\r\n",
     "警告：代码中有 {1} 个字节不在 {2} 的存储范围内，无法编程：\r\n"},
    {Text::OutsideOneByte, "  {1} byte in {2}, {3}\r\n", "  {2} 中 {1} 个字节，{3}\r\n"},
    {Text::OutsideBytes, "  {1} bytes in {2}, {3}\r\n", "  {2} 中 {1} 个字节，{3}\r\n"},
    {Text::OutsideBelowProgramStart, "below 0x1000", "低于0x1000"},
    {Text::OutsideBetweenInfoAndFlash,
     "between the information memory and the flash (which starts at {1})",
     "在信息存储器与Flash（起始于{1}）之间"},
    {Text::OutsideBeyondFlash, "beyond the end of the flash at {1}", "超出Flash末地址{1}"},
    // Devices and security words.
    // Shown alike in both languages.
    {Text::DeviceSizes,
     "MSP430{1}:\r\nFlash size = 0x{2}(Bytes)\r\nRam size = 0x{3}(Bytes)",
     "MSP430{1}:\r\nFlash size = 0x{2}(Bytes)\r\nRam size = 0x{3}(Bytes)"},
    {Text::VectorFieldLengthWrong, "Vector {1}: wrong input length", "向量{1}输入长度不对"},
    {Text::PasswordFieldLengthWrong, "Password {1}: wrong input length", "密码{1}输入长度不对"},
    // Operations.
    {Text::FirmwareHowToProvide,
     "Nothing was sent to the programmer. Build the program with the real firmware: cmake "
     "-DKX_FIRMWARE_DIR=FOLDER, where FOLDER holds the box maker's programmer_firmware.bin "
     "and loader_patch.bin.\r\n",
     "未向编程器发送任何数据。请用真实固件重新编译本软件：cmake -DKX_FIRMWARE_DIR=目录，"
     "该目录中须有编程器厂家的 programmer_firmware.bin 和 loader_patch.bin。\r\n"},
    {Text::FirmwareUnusable,
     "The firmware this program carries is unusable ({1}), updating terminated! {2}",
     "本软件携带的固件文件{1}不可用，取消升级！{2}"},
    {Text::FirmwareStandIn,
     "The {1} this program carries is a stand-in for tests and the simulator, not the "
     "programmer's real firmware; written into a programmer it would leave it dead. "
     "Updating terminated! {2}",
     "本软件携带的{1}是仅供测试和模拟器使用的替代文件，不是编程器的真实固件，"
     "写入后编程器将无法使用，取消升级！{2}"},
    {Text::FirmwareFileMissing,
     "{1} missing from this build",
     "{1}（本版本编译时未带入此文件）"},
    {Text::FirmwareFileWithoutSegments,
     "{1} holds no segment",
     "{1}（不含任何段）"},
    {Text::FirmwareFileCutShort,
     "{1} is cut short",
     "{1}（文件不完整）"},
    {Text::FirmwareFileTrailingBytes,
     "{1} has bytes after its last segment",
     "{1}（最后一段之后还有多余字节）"},
    {Text::FirmwareFileBadSegment,
     "{1} has a segment at an odd address, without words, or past 0xFFFF",
     "{1}（有段位于奇数地址、不含数据字或超出0xFFFF）"},
    {Text::FirmwareFileDamaged,
     "{1} is damaged",
     "{1}（已损坏）"},
    {Text::LoaderPatchTooLarge,
     "{1} must be one segment of at most {2} bytes",
     "{1}（须为一段，且不超过{2}字节）"},
    {Text::FirmwareReadingBack,
     "Firmware written; reading it back to check it (about {1} s), do not interrupt...\r\n",
     "固件已写入，正在读回校验（约{1}秒），请勿中断...\r\n"},
    {Text::LoaderOnlyUpdateAgain,
     "The programmer answers only in its loader (9600 baud): an earlier firmware update did "
     "not finish. Run the firmware update again.\r\n",
     "编程器只有引导程序应答（9600波特）：上次固件升级没有完成。请重新升级固件。\r\n"},
    {Text::LoaderOnlyFinishingUpdate,
     "The programmer answers only in its loader (an earlier update did not finish); "
     "finishing the update from there.\r\n",
     "编程器只有引导程序应答（上次固件升级没有完成），现在从引导程序完成升级。\r\n"},
    {Text::TooManyStoreBlocks,
     "Failed in downloading: the code has {1} separate blocks, the programmer's store takes "
     "at most {2}. Fill the gaps between code sections or use fewer sections.\r\n",
     "载入失败：目标代码分为{1}段，编程器的存储区最多容纳{2}段。"
     "请填满代码段之间的空隙或减少代码段。\r\n"},
    {Text::FirstDifferenceOneByte,
     "First difference at 0x{1}: wrote {2}, read {3} ({4} byte differs in this block)\r\n",
     "首个不同字节位于 0x{1}：写入 {2}，读出 {3}（本块共 {4} 个字节不同）\r\n"},
    {Text::FirstDifference,
     "First difference at 0x{1}: wrote {2}, read {3} ({4} bytes differ in this block)\r\n",
     "首个不同字节位于 0x{1}：写入 {2}，读出 {3}（本块共 {4} 个字节不同）\r\n"},
    {Text::BlockUnconfirmed,
     "Block at 0x{1}: {2} replies, none with a valid checksum and no two alike\r\n",
     "0x{1} 处的数据块读取 {2} 次，校验和均不符且互不一致\r\n"},
    {Text::BlocksRead,
     "Blocks read: {1}, re-reads: {2}\r\n",
     "读取数据块：{1}，重读次数：{2}\r\n"},
    // The same in both languages, as the box's own test has always said it.
    {Text::VppTestPassed, "Test OK!\r\n", "Test OK!\r\n"},
    {Text::VppTestFailed, "Test Failed!\r\n", "Test Failed!\r\n"},
    // The command line.
    // The window.
}};
// clang-format on

static_assert(EveryRowInItsPlace(kTexts, &TextRow::text), "the rows follow the order of enum Text");

}  // namespace

std::string_view TextPattern(Text text, UiLanguage language) {
    const auto index = static_cast<std::size_t>(text);
    if (index >= kTexts.size()) return {};
    const TextRow& row = kTexts[index];
    return language == UiLanguage::Chinese ? row.chinese : row.english;
}

std::string SayText(UiLanguage language, Text text, std::initializer_list<std::string_view> args) {
    const std::string_view pattern = TextPattern(text, language);
    std::string out;
    out.reserve(pattern.size());
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        const bool placeholder = pattern[i] == '{' && i + 2 < pattern.size() &&
                                 pattern[i + 1] >= '1' && pattern[i + 1] <= '9' &&
                                 pattern[i + 2] == '}';
        if (!placeholder) {
            out += pattern[i];
            continue;
        }
        const auto n = static_cast<std::size_t>(pattern[i + 1] - '1');
        if (n < args.size()) out += *(args.begin() + n);
        i += 2;
    }
    return out;
}

}  // namespace kx
