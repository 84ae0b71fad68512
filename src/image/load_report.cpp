#include "image/load_report.h"

#include "common/identification.h"
#include "messages/file_reasons.h"
#include "messages/text_catalogue.h"
#include "messages/text_format.h"

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
    if (refusal.message) {
        return std::string(MessageText(*refusal.message, language));
    }
    switch (refusal.problem) {
        case TiTxtProblem::BeyondImage:
            return SayText(language, Text::AddressBeyondMemory, {FormatHex(refusal.address, 5)});
        case TiTxtProblem::Unreadable:
            return SayText(language, Text::CodeFileNotLoaded,
                           {ReadReasonText(refusal.readFailure, language)});
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
