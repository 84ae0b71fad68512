// The numbered user messages. Chinese first, English second; line breaks are CR LF.

#include "messages/message_catalogue.h"

#include <array>
#include <cstddef>

#include "messages/table_rows.h"

namespace kx {
namespace {

struct MessagePair {
    Message message;
    std::string_view chinese;
    std::string_view english;
};

// Joins three texts at compile time, so SoftwareTooOld can carry the download address.
template <std::size_t N>
constexpr std::array<char, N> Join(std::string_view a, std::string_view b, std::string_view c) {
    std::array<char, N> out{};
    std::size_t i = 0;
    for (const std::string_view part : {a, b, c}) {
        for (const char ch : part) {
            out[i++] = ch;
        }
    }
    return out;
}

#ifndef KX_DOWNLOAD_ADDRESS
#define KX_DOWNLOAD_ADDRESS ""
#endif
constexpr std::string_view kDownloadAddress = KX_DOWNLOAD_ADDRESS;
constexpr bool kHasAddress = !kDownloadAddress.empty();

constexpr std::string_view kNewerZhHead =
    kHasAddress ? "出错：软件版本低于固件版本，请到" : "出错：软件版本低于固件版本，请";
constexpr std::string_view kNewerZhTail = "下载最新软件！\r\n";
constexpr std::string_view kNewerEnHead =
    kHasAddress ? "Error:The version of this software is lower than the firmware, please download "
                  "the newest software at "
                : "Error:The version of this software is lower than the firmware, please download "
                  "the newest software";
constexpr std::string_view kNewerEnTail = "!\r\n";

constexpr std::size_t kNewerZhSize =
    kNewerZhHead.size() + kDownloadAddress.size() + kNewerZhTail.size();
constexpr std::size_t kNewerEnSize =
    kNewerEnHead.size() + kDownloadAddress.size() + kNewerEnTail.size();
constexpr std::array<char, kNewerZhSize> kNewerZh =
    Join<kNewerZhSize>(kNewerZhHead, kDownloadAddress, kNewerZhTail);
constexpr std::array<char, kNewerEnSize> kNewerEn =
    Join<kNewerEnSize>(kNewerEnHead, kDownloadAddress, kNewerEnTail);

// clang-format off
constexpr std::array<MessagePair, kMessageCount> kMessages = {{
    {Message::LoadFile, "载入文件：\r\n", "Load file:\r\n"},
    {Message::CodeSize, "\r\n代码大小（字节）：", "\r\nCode size(Bytes):"},
    {Message::FileFormatMismatch, "文件格式不符！\r\n", "File format not match!\r\n"},
    {Message::InfoAddressOutside1000, "出错：\r\n产品信息存放地址必须在0x1000-0x10e8之间！\r\n", "Error:\r\nAddress of product name must set between 0x1000-0x10e8!\r\n"},
    {Message::InfoAddressOdd, "出错：\r\n产品信息存放地址必须是偶地址！\r\n", "Error:\r\nAddress of product name must be even number!\r\n"},
    {Message::ProgrammerOpenFailed, "打开编程器失败，请检查编程器连线！\r\n", "Fail to connect the programmer!\r\n"},
    {Message::VersionReadFailed, "读取编程器版本失败！\r\n", "Fail to read the version of the programmer!\r\n"},
    {Message::FirmwareVersionIllegal, "固件版本号非法！\r\n", "Error:\r\nIllegal firmware version!\r\n"},
    {Message::FirmwareTooOld, "固件版本太低，请先升级！\r\n", "Firmware version too old, update it first please!\r\n"},
    {Message::ConnectFailed, "编程器连接失败！\r\n", "Fail to connect the programmer!\r\n"},
    {Message::Connected, "编程器连接成功！\r\n", "Connect the programmer successful!\r\n"},
    {Message::TargetNotFound, "连接目标芯片出错！请检查编程器以下线路。\r\n", "Fail to find target chip!\r\n"},
    {Message::PasswordRefused, "连接目标芯片成功，但是BSL验证密码错！\r\n(读取)和(不完全擦除)等操作需要密码！\r\n", "Connect target chip successful, but fail to check BSL password!\r\n(Reading) and (None Mass Erasing) need password!\r\n"},
    {Message::TargetFused, "目标芯片已被加密，中止操作！\r\n", "Target chip is fused, operation terminated!\r\n"},
    {Message::TargetInvalid, "目标芯片无效，中止操作！\r\n", "Invalid target chip, operation terminated!\r\n"},
    {Message::TargetChip, "目标芯片类型：", "Target chip:"},
    {Message::ModeSbw, "\r\n使用SBW编程！\r\n", "\r\nProgramming mode: SBW.\r\n"},
    {Message::ModeJtag, "\r\n使用JTAG编程！\r\n", "\r\nProgramming mode: JTAG.\r\n"},
    {Message::ModeBsl, "\r\n使用BSL编程！\r\n", "\r\nProgramming mode: BSL.\r\n"},
    {Message::EraseFailed, "擦除失败！\r\n", "Failed in erasing!\r\n"},
    {Message::EraseDone, "擦除成功！\r\n", "Erasing successful!\r\n"},
    {Message::ProgramNotSelected, "您没有选择编程操作！\r\n", "Operation \"Prog\" is not selected!\r\n"},
    {Message::ProgramStart, "开始编程...\r\n", "Start programming...\r\n"},
    {Message::ProgramFailed, "编程失败！\r\n", "Failed in programming!\r\n"},
    {Message::ProgramDone, "编程成功！\r\n", "Programming successful!\r\n"},
    {Message::VerifyStart, "开始校验...\r\n", "Start verifying...\r\n"},
    {Message::VerifyFailed, "校验失败！\r\n", "Failed in verifying!\r\n"},
    {Message::VerifyDone, "校验成功！\r\n", "Verifying successful!\r\n"},
    {Message::InfoFlashProtected, "信息Flash受保护，不允许写入产品信息！\r\n", "Info-Flash is protected!\r\n"},
    {Message::InfoWriteFailed, "写产品序列号失败！\r\n", "Failed in writing product information!\r\n"},
    {Message::InfoVerifyFailed, "校验产品序列号失败！\r\n", "Failed in verifying product information!\r\n"},
    {Message::InfoDone, "产品序列号烧录成功！\r\n", "Verifying product information successful!\r\n"},
    {Message::FuseFailed, "加密失败！\r\n", "Fail to burn the fuse!\r\n"},
    {Message::FuseDone, "芯片已经加密！\r\n", "Fusing target chip successful!\r\n"},
    {Message::TargetRunning, "目标MCU开始运行...\r\n", "Target CPU running...\r\n"},
    {Message::ElapsedTime, "运行时间：", "Time escaped:"},
    {Message::ReadAddressOdd, "请输入偶数起始地址！", "Address must be a even number!\r\n"},
    {Message::ReadLengthOdd, "请输入偶数长度！", "Length should be a even number!\r\n"},
    {Message::ReadOverflow, "长度超出范围！", "Address or length overflowed!\r\n"},
    {Message::ReadTargetFused, "目标芯片已被加密，无法读取芯片内容。\r\n", "The target chip is fused, can not read data from it!\r\n"},
    {Message::ReadStart, "\r\n开始读...\r\n", "\r\nStart reading...\r\n"},
    {Message::ReadFailed, "读程序出错！\r\n", "Failed in reading!\r\n"},
    {Message::ReadDone, "读程序完成！\r\n", "reading data successful!\r\n"},
    {Message::Searching, "搜索编程器..", "Search.."},
    {Message::Ready, "编程器正常", "READY"},
    {Message::DownloadFailed, "载入失败，目标代码可能太大。\r\n", "Failed in downloading, The size of target code may be too large.\r\n"},
    {Message::DownloadStart, "开始载入...\r\n", "Start downloading...\r\n"},
    {Message::DownloadVerifying, "校验载入代码...\r\n", "Verifying ...\r\n"},
    {Message::DownloadDone, "载入成功！\r\n", "Successful!\r\n"},
    {Message::UpdateFirmwareIllegal, "固件版本号非法，取消升级！\r\n", "Illegal firmware version, updating terminated!\r\n"},
    {Message::UpdateUpToDate, "固件版本是最新的，无需升级！\r\n", "The firmware is the newest, need no updating!\r\n"},
    {Message::UpdateStart, "开始升级固件>>>>\r\n", "Start updating firmware>>>\r\n"},
    {Message::UpdateFailed, "升级固件失败\r\n", "Failed in updating!\r\n"},
    {Message::UpdateDone, "升级固件成功！\r\n请给编程器重新上电，并重启本软件！\r\n", "Updating successful!\r\nPower up the programmer again and restart me please!\r\n"},
    {Message::ConfirmFuse, "确定要烧熔丝？", "Are you sure to burn the fuse?"},
    {Message::ConfirmDownload, "请先设置好离线操作选项!\r\n确认载入代码？", "Set the parameters first!\r\nAre you sure to download the code?"},
    {Message::ConfirmUpdate, "升级过程中请确保电源稳定！\r\n一旦升级过程中止，编程器将报废!\r\n确认升级？", "Ensure the power is stable while updating!\r\nIf the progress of updating is terminated,the programmer will be damaged!\r\nAre you sure?"},
    {Message::InfoAddressOutside1800, "出错：\r\n产品信息存放地址必须在0x1800-0x19e8之间！\r\n", "Error:\r\nAddress of product name must set between 0x1800-0x19e8!\r\n"},
    {Message::InfoOccupied, "出错：\r\n产品信息段已经有数据，不能再写入产品信息！\r\n", "Error:\r\nValid data stored in information flash allready, can not write PN/PID again!\r\n"},
    {Message::BslEraseWarning, "警告：\r\nBSL编程时，如果未设密码或者密码验证不成功，可能会擦除全部Flash内容！\r\n", "Warnning:\r\nIn BSL mode,All flash include information segments may be erase if no password or password error!\r\n"},
    {Message::SoftwareTooOld, {kNewerZh.data(), kNewerZh.size()}, {kNewerEn.data(), kNewerEn.size()}},
    {Message::CountLimitHint, "次数限制: 1-60000有效，0表示无限制，大于60000将被强制成60000。\r\n", "Limit times: 1-60000 is valid, or 0 means no limit, it will be fit to 60000 while greater than 60000."},
    {Message::DeviceMismatch, "警告：目标芯片型号与选择的型号不符！\r\n", "Warnning: The target device do not match the one you selected!\r\n"},
}};
// clang-format on

static_assert(EveryRowInItsPlace(kMessages, &MessagePair::message),
              "each message's row sits at its number");

}  // namespace

std::string_view DownloadAddress() {
    return kDownloadAddress;
}

std::string_view MessageText(Message message, UiLanguage language) {
    const auto index = static_cast<std::size_t>(message);
    if (index >= kMessages.size()) return {};
    const MessagePair& pair = kMessages[index];
    return language == UiLanguage::Chinese ? pair.chinese : pair.english;
}

}  // namespace kx
