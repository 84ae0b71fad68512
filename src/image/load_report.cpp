#include "image/load_report.h"

#include <array>
#include <cstdio>

#include "common/identification.h"
#include "image/read_reason.h"

namespace kx::image {

std::string WindowTitle(std::string_view path) {
    const auto slash = path.find_last_of("/\\");
    const std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    std::string title(kIdentification);
    title += " - ";
    title += name;
    return title;
}

void ReportLoad(Output& out, std::string_view path, std::size_t byteCount) {
    // One replacement, so that the whole report shows at once without scrolling.
    std::string report(MessageText(Message::LoadFile, out.Language()));
    report += path;
    report += MessageText(Message::CodeSize, out.Language());
    report += std::to_string(byteCount) + "\r\n";
    out.ShowText(report);
}

std::string RefusalText(const TiTxtRefusal& refusal, UiLanguage language) {
    const bool chinese = language == UiLanguage::Chinese;
    if (refusal.message) {
        return std::string(MessageText(*refusal.message, language));
    }
    switch (refusal.problem) {
        case TiTxtProblem::BeyondImage: {
            std::array<char, 256> buffer{};
            std::snprintf(buffer.data(), buffer.size(),
                          chinese ? "地址0x%05X处的数据超出MSP430的最大存储空间（0x45BFF），"
                                    "文件未载入！请检查文件中的地址行。\r\n"
                                  : "Data at address 0x%05X lies beyond the largest MSP430 "
                                    "memory (0x45BFF); file not loaded. Check the file's "
                                    "address lines.\r\n",
                          static_cast<unsigned>(refusal.address));
            return buffer.data();
        }
        case TiTxtProblem::Unreadable:
            return (chinese ? "无法读取文件，文件未载入：" : "Cannot read the file; not loaded: ") +
                   ReadReasonText(refusal.readFailure, language) + "\r\n";
        case TiTxtProblem::Format:
            break;
    }
    return std::string(MessageText(Message::FileFormatMismatch, language));
}

void ReportRefusal(Output& out, const TiTxtRefusal& refusal) {
    if (refusal.message) {
        out.ShowMessage(*refusal.message);
    } else {
        out.ShowText(RefusalText(refusal, out.Language()));
    }
}

}  // namespace kx::image
