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
    // Settings and the serial counter.
    // Files (image, password, TI-TXT, settings).
    {Text::SaveFailed,
     "Cannot write the file; choose another folder or file name and save again.\r\n({1})\r\n",
     "文件无法写入，请换一个文件夹或文件名重新保存！\r\n({1})\r\n"},
    // Devices and security words.
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
