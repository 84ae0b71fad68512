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
    {Text::PortNumberWithoutPort, "No serial port behind this port number: plug in the programmer, or name its device in KX_VELDRAN_PORTS (e.g. KX_VELDRAN_PORTS=/dev/ttyUSB0).", "此端口号下没有串口：请连接编程器，或在 KX_VELDRAN_PORTS 中写明其设备（例如 KX_VELDRAN_PORTS=/dev/ttyUSB0）。"},
    {Text::PortMissing, "{1} does not exist: check that the programmer is plugged in, or set KX_VELDRAN_PORTS to its device path.", "{1} 不存在：请检查编程器是否已连接，或将 KX_VELDRAN_PORTS 设为其设备路径。"},
    {Text::PortPermissionDenied, "Permission denied on {1}: add your user to the 'dialout' group (sudo usermod -aG dialout $USER) and log in again.", "没有访问 {1} 的权限：请把当前用户加入 dialout 组（sudo usermod -aG dialout $USER），然后重新登录。"},
    {Text::PortInUse, "{1} is in use by another program: close that program (a terminal, ModemManager or a second copy of this one) and try again.", "{1} 正被其他程序占用：请关闭该程序（终端、ModemManager 或本程序的另一个副本）后重试。"},
    {Text::PortRefusedLineSettings, "{1} refused the line settings (8 data bits, even parity, 1 stop bit): check that it is a serial port.", "{1} 不接受串口参数（8 个数据位、偶校验、1 个停止位）：请检查它是否为串口。"},
    // Settings and the serial counter.
    {Text::SettingsUnreadable, "Cannot read the settings file {1} ({2}); the default settings are in use. Check the file's permissions.", "无法读取设置文件 {1}（{2}），正在使用默认设置。请检查文件的权限。"},
    {Text::SettingsReadFailed, "Cannot read the settings file ({1}); the default settings are in use. Check the file's permissions.", "无法读取设置文件（{1}），正在使用默认设置。请检查文件的权限。"},
    {Text::SettingsNotRegular, "The settings file {1} is not a regular file; the default settings are in use. Remove or rename it so the settings can be saved.", "设置文件 {1} 不是普通文件，正在使用默认设置。请删除或重命名它，以便保存设置。"},
    {Text::FolderNotCreated, "cannot create the folder {1}: {2}", "无法创建文件夹 {1}：{2}"},
    {Text::SettingsNotSaved, "The settings were not saved to {1} ({2}).", "设置未能保存到 {1}（{2}）。"},
    {Text::SettingsNotSavedNoteSerial, "The settings were not saved to {1} ({2}). Make the folder writable or set KX_VELDRAN_SETTINGS to another file, and note the serial number {3}: the next start will not know it.", "设置未能保存到 {1}（{2}）。请让文件夹可写，或把 KX_VELDRAN_SETTINGS 设为另一个文件，并记下序列号 {3}：下次启动时程序不会知道它。"},
    {Text::SerialCounterUnreadable, "The serial counter in the settings file cannot be read ({1}); give the next serial number.", "设置文件中的序列号无法读取（{1}），请给出下一个序列号。"},
    {Text::FileHoldsNoSettings, "the file holds no settings", "文件中没有设置"},
    {Text::LockFileNotOpened, "cannot open the lock file {1}: {2}", "无法打开锁文件 {1}：{2}"},
    {Text::LockHeldElsewhere, "another program has held {1} for over {2} s; close it or end it", "另一个程序占用 {1} 已超过 {2} 秒，请关闭或结束该程序"},
    {Text::LockFailed, "cannot lock {1}: {2}", "无法锁定 {1}：{2}"},
    {Text::SerialNotTaken, "The serial number {1} was not taken: {2} cannot be written ({3}).", "序列号 {1} 未取用：{2} 无法写入（{3}）。"},
    {Text::SettingsNotWritable, "{1} cannot be written ({2}).", "{1} 无法写入（{2}）。"},
    // Files (image, password, TI-TXT, settings).
    {Text::SaveFailed, "Cannot write the file; choose another folder or file name and save again.\r\n({1})\r\n", "文件无法写入，请换一个文件夹或文件名重新保存！\r\n({1})\r\n"},
    {Text::FileNotWritten, "cannot write {1}: {2}", "无法写入 {1}：{2}"},
    {Text::LinkNotFollowed, "cannot follow the link {1}: {2}", "无法跟随链接 {1}：{2}"},
    {Text::FifoWithoutReader, "cannot write {1}: no program reads from it", "无法写入 {1}：没有程序在读取它"},
    {Text::FileNotOpened, "cannot open {1}: {2}", "无法打开 {1}：{2}"},
    {Text::FileReadOnly, "{1} is read-only: {2}", "{1} 是只读的：{2}"},
    {Text::FileNotCreatedIn, "cannot create a file in {1}: {2}", "无法在 {1} 中新建文件：{2}"},
    {Text::OwnerAndModeNotKept, "cannot keep the owner and mode of {1}: {2}", "无法保留 {1} 的所有者和权限：{2}"},
    {Text::FileNotReplaced, "cannot replace {1}: {2}", "无法替换 {1}：{2}"},
    {Text::FileNotRead, "cannot read {1}: {2}", "无法读取 {1}：{2}"},
    {Text::ReadFolder, "it is a folder", "这是一个文件夹"},
    {Text::ReadFolderNotFile, "it is a folder, not a file", "这是一个文件夹，不是文件"},
    {Text::ReadNotRegular, "it is not a regular file (a device, FIFO or socket)", "这不是普通文件（而是设备、管道或套接字）"},
    {Text::ReadTooLarge, "it is too large ({1} bytes; at most {2})", "文件太大（{1} 字节，最多 {2} 字节）"},
    {Text::ReadTooLargeAccepted, "it is too large ({1} bytes; at most {2} are accepted)", "文件太大（{1} 字节，最多接受 {2} 字节）"},
    {Text::ReadMissing, "it does not exist", "文件不存在"},
    {Text::ReadPermissionDenied, "permission denied", "没有读取权限"},
    {Text::ReadNotOpened, "cannot open it ({1})", "无法打开（{1}）"},
    {Text::ReadError, "read error ({1})", "读取出错（{1}）"},
    {Text::CodeFileNotLoaded, "Cannot read the file; not loaded: {1}\r\n", "无法读取文件，文件未载入：{1}\r\n"},
    {Text::AddressBeyondMemory, "Data at address 0x{1} lies beyond the largest MSP430 memory (0x45BFF); file not loaded. Check the file's address lines.\r\n", "地址0x{1}处的数据超出MSP430的最大存储空间（0x45BFF），文件未载入！请检查文件中的地址行。\r\n"},
    {Text::FileUnreadable, "Cannot read the file: {1}", "无法读取文件：{1}"},
    {Text::PasswordFileNotSaved, "Cannot write the file; choose another folder or file name and save again.\n({1})", "文件无法写入，请换一个文件夹或文件名重新保存！\n({1})"},
    {Text::PasswordFileLengthWrong, "The file length does not match!", "文件长度不符！"},
    {Text::PasswordFileFormatWrong, "The file format does not match!", "文件格式不符！"},
    {Text::PasswordEntryAddressWrong, "The entry address does not match!", "入口地址不符！"},
    {Text::OutsideDataWarning, "Warning: {1} bytes of the code lie outside the memory of {2} and cannot be programmed:\r\n", "警告：代码中有 {1} 个字节不在 {2} 的存储范围内，无法编程：\r\n"},
    {Text::OutsideOneByte, "  {1} byte in {2}, {3}\r\n", "  {2} 中 {1} 个字节，{3}\r\n"},
    {Text::OutsideBytes, "  {1} bytes in {2}, {3}\r\n", "  {2} 中 {1} 个字节，{3}\r\n"},
    {Text::OutsideBelowProgramStart, "below 0x1000", "低于0x1000"},
    {Text::OutsideBetweenInfoAndFlash, "between the information memory and the flash (which starts at {1})", "在信息存储器与Flash（起始于{1}）之间"},
    {Text::OutsideBeyondFlash, "beyond the end of the flash at {1}", "超出Flash末地址{1}"},
    // Devices and security words.
    // Shown alike in both languages.
    {Text::DeviceSizes, "MSP430{1}:\r\nFlash size = 0x{2}(Bytes)\r\nRam size = 0x{3}(Bytes)", "MSP430{1}:\r\nFlash size = 0x{2}(Bytes)\r\nRam size = 0x{3}(Bytes)"},
    {Text::VectorFieldLengthWrong, "Vector {1}: wrong input length", "向量{1}输入长度不对"},
    {Text::PasswordFieldLengthWrong, "Password {1}: wrong input length", "密码{1}输入长度不对"},
    // Operations.
    {Text::FirmwareHowToProvide, "Nothing was sent to the programmer. Build the program with the real firmware: cmake -DKX_FIRMWARE_DIR=FOLDER, where FOLDER holds the box maker's programmer_firmware.bin and loader_patch.bin.\r\n", "未向编程器发送任何数据。请用真实固件重新编译本软件：cmake -DKX_FIRMWARE_DIR=目录，该目录中须有编程器厂家的 programmer_firmware.bin 和 loader_patch.bin。\r\n"},
    {Text::FirmwareUnusable, "The firmware this program carries is unusable ({1}), updating terminated! {2}", "本软件携带的固件文件{1}不可用，取消升级！{2}"},
    {Text::FirmwareStandIn, "The {1} this program carries is a stand-in for tests and the simulator, not the programmer's real firmware; written into a programmer it would leave it dead. Updating terminated! {2}", "本软件携带的{1}是仅供测试和模拟器使用的替代文件，不是编程器的真实固件，写入后编程器将无法使用，取消升级！{2}"},
    {Text::FirmwareFileMissing, "{1} missing from this build", "{1}（本版本编译时未带入此文件）"},
    {Text::FirmwareFileWithoutSegments, "{1} holds no segment", "{1}（不含任何段）"},
    {Text::FirmwareFileCutShort, "{1} is cut short", "{1}（文件不完整）"},
    {Text::FirmwareFileTrailingBytes, "{1} has bytes after its last segment", "{1}（最后一段之后还有多余字节）"},
    {Text::FirmwareFileBadSegment, "{1} has a segment at an odd address, without words, or past 0xFFFF", "{1}（有段位于奇数地址、不含数据字或超出0xFFFF）"},
    {Text::FirmwareFileDamaged, "{1} is damaged", "{1}（已损坏）"},
    {Text::LoaderPatchTooLarge, "{1} must be one segment of at most {2} bytes", "{1}（须为一段，且不超过{2}字节）"},
    {Text::FirmwareReadingBack, "Firmware written; reading it back to check it (about {1} s), do not interrupt...\r\n", "固件已写入，正在读回校验（约{1}秒），请勿中断...\r\n"},
    {Text::LoaderOnlyUpdateAgain, "The programmer answers only in its loader (9600 baud): an earlier firmware update did not finish. Run the firmware update again.\r\n", "编程器只有引导程序应答（9600波特）：上次固件升级没有完成。请重新升级固件。\r\n"},
    {Text::LoaderOnlyFinishingUpdate, "The programmer answers only in its loader (an earlier update did not finish); finishing the update from there.\r\n", "编程器只有引导程序应答（上次固件升级没有完成），现在从引导程序完成升级。\r\n"},
    {Text::TooManyStoreBlocks, "Failed in downloading: the code has {1} separate blocks, the programmer's store takes at most {2}. Fill the gaps between code sections or use fewer sections.\r\n", "载入失败：目标代码分为{1}段，编程器的存储区最多容纳{2}段。请填满代码段之间的空隙或减少代码段。\r\n"},
    {Text::FirstDifferenceOneByte, "First difference at 0x{1}: wrote {2}, read {3} ({4} byte differs in this block)\r\n", "首个不同字节位于 0x{1}：写入 {2}，读出 {3}（本块共 {4} 个字节不同）\r\n"},
    {Text::FirstDifference, "First difference at 0x{1}: wrote {2}, read {3} ({4} bytes differ in this block)\r\n", "首个不同字节位于 0x{1}：写入 {2}，读出 {3}（本块共 {4} 个字节不同）\r\n"},
    {Text::BlockUnconfirmed, "Block at 0x{1}: {2} replies, none with a valid checksum and no two alike\r\n", "0x{1} 处的数据块读取 {2} 次，校验和均不符且互不一致\r\n"},
    {Text::BlocksRead, "Blocks read: {1}, re-reads: {2}\r\n", "读取数据块：{1}，重读次数：{2}\r\n"},
    // The same in both languages, as the box's own test has always said it.
    {Text::VppTestPassed, "Test OK!\r\n", "Test OK!\r\n"},
    {Text::VppTestFailed, "Test Failed!\r\n", "Test Failed!\r\n"},
    // The command line.
    {Text::UnknownCommand, "unknown command '{1}'; commands: devices, find, program, read, download, update-firmware, vpp-test (see --help)", "未知命令“{1}”；可用的命令：devices、find、program、read、download、update-firmware、vpp-test（见 --help）"},
    {Text::UnexpectedArgument, "unexpected argument '{1}' after '{2}'", "“{2}”后面多了参数“{1}”"},
    {Text::OptionNeedsValue, "option {1} needs a value", "选项 {1} 需要一个值"},
    {Text::OptionTakesNoValue, "option {1} takes no value", "选项 {1} 不带值"},
    {Text::ModeTakesJtagBslSbw, "--mode takes jtag, bsl or sbw, not '{1}'", "--mode 只能是 jtag、bsl 或 sbw，不能是“{1}”"},
    {Text::LangTakesZhEn, "--lang takes zh or en, not '{1}'", "--lang 只能是 zh 或 en，不能是“{1}”"},
    {Text::PortNeedsDevicePath, "--port needs a device path, e.g. /dev/ttyUSB0", "--port 需要一个设备路径，例如 /dev/ttyUSB0"},
    {Text::AtMostEightPorts, "at most 8 --port options (they stand for COM1..COM8)", "--port 最多 8 个（对应 COM1..COM8）"},
    {Text::UnknownOption, "unknown option '{1}' (see --help)", "未知选项“{1}”（见 --help）"},
    {Text::NoCommandGiven, "no command given; try 'kxveldran-cli --help'", "没有给出命令；请试试 kxveldran-cli --help"},
    {Text::CommandNeedsTiTxtFile, "{1} needs a TI-TXT file: kxveldran-cli {1} FILE", "{1} 需要一个 TI-TXT 文件：kxveldran-cli {1} FILE"},
    {Text::ReadOptionsOnlyForRead, "--address, --length, --by-device, --by-address and -o belong to the read command", "--address、--length、--by-device、--by-address 和 -o 只用于 read 命令"},
    {Text::CountLimitOnlyForDownload, "--count-limit belongs to the download command", "--count-limit 只用于 download 命令"},
    {Text::CountLimitRange, "--count-limit takes 0..99999 (0 = no limit, above 60000 counts as 60000), not '{1}'", "--count-limit 取 0..99999（0 为不限，超过 60000 按 60000 计），不能是“{1}”"},
    {Text::SerialHexNeedsSerial, "--serial-hex says how to read --serial N; give --serial too", "--serial-hex 说明 --serial N 按十六进制读；请同时给出 --serial"},
    {Text::FuseOnlyForProgramAndDownload, "--fuse belongs to the program and download commands", "--fuse 只用于 program 和 download 命令"},
    {Text::AllowOutsideOnlyForProgramAndDownload, "--allow-outside belongs to the program and download commands", "--allow-outside 只用于 program 和 download 命令"},
    {Text::ProtectInfoExcludesProductInfo, "--protect-info and --product-info exclude each other: product information is written into the protected information flash", "--protect-info 与 --product-info 不能同时使用：产品信息要写入受保护的信息Flash"},
    {Text::ByDeviceReadsWholeDevice, "--by-device reads the whole device; drop --address/--length or use --by-address", "--by-device 读取整个芯片；请去掉 --address/--length，或改用 --by-address"},
    {Text::OutputNeedsFileName, "-o needs a file name", "-o 需要一个文件名"},
    {Text::DevicesCommandListsNames, "; 'kxveldran-cli devices' lists the rows and names", "；kxveldran-cli devices 可列出所有行号和型号名"},
    {Text::DeviceNeedsRowOrName, "--device needs a row number or a name", "--device 需要一个行号或型号名"},
    {Text::DeviceRowMissing, "device row {1} does not exist (0..99)", "型号行 {1} 不存在（0..99）"},
    {Text::DeviceUnknown, "unknown device '{1}'", "未知型号“{1}”"},
    {Text::DeviceAmbiguous, "device '{1}' is ambiguous ({2}); give the full name or the row number", "型号“{1}”不明确（{2}）；请给出完整的型号名或行号"},
    {Text::ModeNotOffered, "{1} cannot be programmed in that mode; it offers {2}", "{1} 不能用该方式编程；可用的方式：{2}"},
    {Text::FuseNeedsJtagOrSbw, "--fuse needs --mode jtag or sbw: the fuse cannot be burnt through the BSL", "--fuse 需要 --mode jtag 或 sbw：熔丝不能通过 BSL 烧断"},
    {Text::NoEraseSegAChoice, "{1} has no erase-segment-A choice; drop --no-erase-seg-a", "{1} 没有“擦除A段”的选择；请去掉 --no-erase-seg-a"},
    {Text::ProductNameDoesNotFit, "--name must fit the product record: at most 19 bytes in GBK (a Chinese character takes 2), no line breaks, only characters GBK can hold", "--name 必须放得进产品信息：GBK 编码最多 19 字节（一个汉字占 2 字节），不能换行，只能用 GBK 能表示的字符"},
    {Text::SerialHexDigits, "--serial with --serial-hex takes 1 to 8 hex digits (0..FFFFFFFF)", "--serial 加 --serial-hex 时取 1 到 8 位十六进制数（0..FFFFFFFF）"},
    {Text::SerialDecimalDigits, "--serial takes a decimal number 0..4294967295 (use --serial-hex for hexadecimal)", "--serial 取十进制数 0..4294967295（十六进制请加 --serial-hex）"},
    {Text::InfoAddressDigits, "--info-address takes 1 to 4 hex digits, e.g. 1000", "--info-address 取 1 到 4 位十六进制数，例如 1000"},
    {Text::HexOptionDigits, "{1} takes 1 to {2} hex digits on {3}", "{3} 的 {1} 取 1 到 {2} 位十六进制数"},
    {Text::SettingsUnreadableUseAnother, "cannot read the settings file {1}: {2} Fix its permissions, or pick another file with --settings FILE.", "无法读取设置文件 {1}：{2} 请修改其权限，或用 --settings FILE 另选一个文件。"},
    {Text::SerialNotRecordedNothingProgrammed, "Nothing was programmed: the serial number could not be recorded.", "未进行编程：序列号无法保存。"},
    {Text::SerialCounterUnreadableGiveSerial, "the serial counter in {1} cannot be read ({2}). Nothing was programmed: give the next serial number with --serial N.", "设置文件 {1} 中的序列号无法读取（{2}）。未进行编程：请用 --serial N 指定下一个序列号。"},
    {Text::SerialNumberNotTakenBecause, "SERIAL NUMBER NOT TAKEN: {1}", "未取得序列号：{1}"},
    {Text::ProductRecordNotWrittenProgramAgain, "The product record was not written; program this chip again.", "产品信息未写入，请重新编程此芯片。"},
    {Text::NoSaveNextSerialNotWritten, "--no-save: the next serial number {1} was not written to the settings file.", "--no-save：下一个序列号 {1} 未写入设置文件。"},
    {Text::SerialGapAfterFailedRun, "Serial number {1} went out to this chip before the run failed; it is not used again, which leaves a gap in the numbering.", "序列号 {1} 在运行失败前已写往此芯片，不再使用，编号将出现空缺。"},
    {Text::NextSerialNumber, "Next serial number: {1}", "下一个序列号：{1}"},
    {Text::SerialMayBeInChip, "Serial number {1} may be in the chip; the settings file already counts on from {2}, so {1} is never used again.", "序列号 {1} 可能已写入芯片；设置文件已从 {2} 继续计数，{1} 不会再被使用。"},
    {Text::ChipHoldsSerial, "The chip holds serial number {1}; the settings file counts on from {2}.", "芯片已写入序列号 {1}；设置文件从 {2} 继续计数。"},
    {Text::NoSerialTakenCounterUnchanged, "No serial number was taken; the counter in the settings file is unchanged.", "未取用序列号，设置文件中的计数未改变。"},
    {Text::FileAndLine, "({1}, line {2})", "（{1}，第{2}行）"},
    {Text::OutsideDataRefusedNothingSent, "Refused before anything was sent. Choose the right device (--device), correct the file, or give --allow-outside to use only what fits.", "未发送任何数据即已拒绝。请选择正确的型号（--device）、修改文件，或加 --allow-outside 只使用范围内的数据。"},
    {Text::PasswordFileRefusedNothingSent, "The password file was refused; nothing was sent. A wrong BSL password can make the target erase itself, so fix the file first.", "密码文件无效，未进行任何操作。BSL密码错误可能导致目标芯片被全部擦除，请先修正密码文件。"},
    {Text::PortOpensNoProgrammerAnswers, "{1}: opened, but no programmer answered.", "{1}：端口可以打开，但编程器没有应答。"},
    {Text::NoSerialPortNameOne, "No serial port found. Plug in the programmer, or name its port with --port PATH (or KX_VELDRAN_PORTS=PATH).", "没有找到串口。请连接编程器，或用 --port PATH（或 KX_VELDRAN_PORTS=PATH）指定端口。"},
    {Text::ProgrammerOnPort, "Programmer on {1}", "编程器端口：{1}"},
    {Text::OnlyLoaderAnswersFinishUpdate, "Only its loader answers; run 'kxveldran-cli update-firmware' to finish the update.", "只有引导程序应答；请运行 kxveldran-cli update-firmware 完成升级。"},
    {Text::FirmwareIdentification, "Firmware: {1}", "固件版本：{1}"},
    {Text::FirmwareNewerGetNewestSoftware, "The firmware is newer than this program knows; get the newest software before programming.", "固件版本高于本软件，请先下载最新软件。"},
    {Text::FirmwareNotKxVeldran, "This is not a KX_VELDRAN programmer's firmware.", "该固件不是KX_VELDRAN编程器的固件。"},
    {Text::FirmwareOlderRunUpdate, "The firmware is older than this program's ({1}); run 'kxveldran-cli update-firmware'.", "固件版本低于本软件携带的版本（{1}），请运行 kxveldran-cli update-firmware 升级。"},
    {Text::SavedTo, "Saved to {1}", "已保存到 {1}"},
    {Text::PortNotReopenedPowerUp, "The port could not be reopened; power the programmer up again.", "无法重新打开端口，请给编程器重新上电。"},
    {Text::FuseNotConfirmedNothingDone, "Fuse not confirmed: nothing was done.", "未确认烧熔丝：未进行任何操作。"},
    {Text::StoppingAfterThisUnit, "kxveldran-cli: stopping after this unit (press Ctrl-C again to stop at once).", "kxveldran-cli：完成当前芯片后停止（再按 Ctrl-C 立即停止）。"},
    {Text::StoppedAtOnce, "stopped at once. ", "已立即停止。"},
    {Text::NothingSentToChip, "Nothing was sent to the chip. ", "未向芯片发送任何内容。"},
    {Text::ChipMayBePartlyProgrammed, "The chip may be partly erased or programmed: program it again. ", "芯片可能只擦除或编程了一部分，请重新编程。"},
    {Text::UnitFinished, "The unit was finished. ", "当前芯片已完成。"},
    {Text::StoppedOnRequestAfterUnit, "kxveldran-cli: stopped on request after this unit.", "kxveldran-cli：已按要求在完成当前芯片后停止。"},
    {Text::NoTerminalToAnswer, "No terminal to answer on: counted as No. Pass --yes to confirm from a script.", "没有可以回答的终端：按“否”处理。在脚本中请加 --yes 确认。"},
    {Text::UpdateCannotBeInterrupted, "The firmware update cannot be interrupted safely: stopped now, the programmer would be left without working firmware. It ends on its own ({1}). To stop it anyway, press Ctrl-C again within {2} s.", "固件升级不能安全中断：现在停止，编程器将没有可用的固件。升级会自行结束（{1}）。如仍要停止，请在{2}秒内再按一次 Ctrl-C。"},
    {Text::UpdateSecondsToGo, "about {1} s to go", "还需约{1}秒"},
    {Text::UpdateHalfAMinuteInAll, "about half a minute in all", "全程约半分钟"},
    {Text::UpdateInterruptedFinishIt, "Firmware update interrupted: the programmer is left in its loader with its firmware erased or partly written, and will not work until the update is finished. Run 'kxveldran-cli update-firmware' again to finish it.", "固件升级被中断：编程器停在其引导程序中，固件已被擦除或只写入了一部分，在升级完成前无法使用。请重新运行 kxveldran-cli update-firmware 完成升级。"},
    {Text::DeviceListHeading, "Row  Device                Flash            Modes", "行号 型号                  Flash范围        编程方式"},
    // The window and its manual.
    {Text::WindowClosesAfterOperation, "The window closes when the current operation has ended.\r\n", "当前操作结束后窗口将关闭。\r\n"},
    {Text::SerialCounterUnreadableTypeNext, "The serial counter in the settings file cannot be read; type the next serial number before programming with automatic increment.\n", "设置文件中的序列号无法读取；使用自动加一编程前，请输入下一个序列号。\n"},
    {Text::SettingsUnreadableDefaultsUsed, "The settings file could not be read; defaults are used: {1}\n", "无法读取设置文件，使用默认设置：{1}\n"},
    {Text::NoSerialPortNameItInEnvironment, "No serial port was found. Plug in the programmer, or name its port in KX_VELDRAN_PORTS (for example KX_VELDRAN_PORTS=/dev/ttyUSB0).\r\n", "没有找到串口。请连接编程器，或在环境变量 KX_VELDRAN_PORTS 中指定端口（例如 KX_VELDRAN_PORTS=/dev/ttyUSB0）。\r\n"},
    {Text::CodeFileFilter, " TI MSP430-TXT FILE (*.TXT *.txt)", " TI MSP430-TXT FILE (*.TXT *.txt)"},
    {Text::PasswordFileFilter, " TI MSP430-TXT文件 (*.TXT *.txt)", " TI MSP430-TXT文件 (*.TXT *.txt)"},
    {Text::ManualNotFound, "The user manual ({1}) was not found. It is looked for in:\n{2}", "未找到使用手册（{1}）。查找位置：\n{2}"},
    {Text::ManualNotOpened, "No program on this computer opened the user manual. Open it with a PDF viewer:\n{1}", "本机没有程序能打开使用手册，请用 PDF 阅读器打开：\n{1}"},
    {Text::SettingsNotSavedNextStart, "The settings could not be saved, so the next start will not have them.\n{1}", "无法保存设置，下次启动时将不会保留本次的设置。\n{1}"},
    {Text::SerialCounterUnreadableNothingProgrammed, "The serial counter in the settings file cannot be read, so nothing is programmed. Type the next serial number in the serial number field.\r\n", "设置文件中的序列号无法读取，因此不进行编程。请在序列号栏中输入下一个序列号。\r\n"},
    {Text::SerialNotTakenRecordNotWritten, "The serial number could not be taken, so the product record was not written; program this chip again. {1}\r\n", "无法取得序列号，产品信息未写入，请重新编程此芯片。{1}\r\n"},
    {Text::SerialCounterMovedMeanwhile, "The serial counter in the settings file moved from {1} to {2} while this window was open (another program took numbers); this chip gets {2}.\r\n", "本窗口打开期间，设置文件中的序列号已由 {1} 变为 {2}（其他程序已取用序列号）；此芯片使用 {2}。\r\n"},
    {Text::ManualContents, "Contents", "目录"},
    {Text::ManualTitle, "KX_VELDRAN user manual", "KX_VELDRAN 用户手册"},
    {Text::ManualPageOf, "Page {1} of {2}", "第 {1} 页，共 {2} 页"},
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
