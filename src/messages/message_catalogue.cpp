// The numbered messages (rows in message_rows.inc) and the one that carries the download
// address.

#include "messages/message_catalogue.h"

#include <array>
#include <cstddef>

namespace kx {
namespace {

struct MessagePair {
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

constexpr std::string_view kSoftwareTooOldZh{kNewerZh.data(), kNewerZh.size()};
constexpr std::string_view kSoftwareTooOldEn{kNewerEn.data(), kNewerEn.size()};

constexpr std::array kMessages = {
#define KX_MESSAGE(name, chinese, english) MessagePair{chinese, english},
#include "messages/message_rows.inc"
#undef KX_MESSAGE
};
static_assert(kMessages.size() == kMessageCount);

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
