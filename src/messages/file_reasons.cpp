#include "messages/file_reasons.h"

#include <cerrno>
#include <cstring>

#include "messages/text_catalogue.h"

namespace kx {

std::string ReadReasonText(const ReadFailure& failure, UiLanguage language) {
    const std::string system = std::strerror(failure.errorNumber);
    switch (failure.problem) {
        case ReadProblem::Folder:
            return SayText(language, Text::ReadFolderNotFile);
        case ReadProblem::NotRegular:
            return SayText(language, Text::ReadNotRegular);
        case ReadProblem::TooLarge:
            return SayText(language, Text::ReadTooLarge,
                           {std::to_string(failure.size), std::to_string(failure.limit)});
        case ReadProblem::CannotOpen:
            if (failure.errorNumber == ENOENT || failure.errorNumber == ENOTDIR) {
                return SayText(language, Text::ReadMissing);
            }
            if (failure.errorNumber == EACCES || failure.errorNumber == EPERM) {
                return SayText(language, Text::ReadPermissionDenied);
            }
            return SayText(language, Text::ReadNotOpened, {system});
        case ReadProblem::ReadFailed:
            break;
    }
    return SayText(language, Text::ReadError, {system});
}

std::string ReadFailureText(const std::string& path, const ReadFailure& failure,
                            UiLanguage language) {
    std::string why;
    switch (failure.problem) {
        case ReadProblem::Folder:
            why = SayText(language, Text::ReadFolder);
            break;
        case ReadProblem::NotRegular:
            why = SayText(language, Text::ReadNotRegular);
            break;
        case ReadProblem::TooLarge:
            why = SayText(language, Text::ReadTooLargeAccepted,
                          {std::to_string(failure.size), std::to_string(failure.limit)});
            break;
        case ReadProblem::CannotOpen:
        case ReadProblem::ReadFailed:
            why = std::strerror(failure.errorNumber);
            break;
    }
    return SayText(language, Text::FileNotRead, {path, why});
}

std::string WriteFailureText(const WriteFailure& failure, UiLanguage language) {
    Text text = Text::FileNotWritten;
    switch (failure.problem) {
        case WriteProblem::CannotWrite:
            break;
        case WriteProblem::CannotFollowLink:
            text = Text::LinkNotFollowed;
            break;
        case WriteProblem::NoReader:
            text = Text::FifoWithoutReader;
            break;
        case WriteProblem::CannotOpen:
            text = Text::FileNotOpened;
            break;
        case WriteProblem::ReadOnly:
            text = Text::FileReadOnly;
            break;
        case WriteProblem::CannotCreate:
            text = Text::FileNotCreatedIn;
            break;
        case WriteProblem::CannotKeepOwner:
            text = Text::OwnerAndModeNotKept;
            break;
        case WriteProblem::CannotReplace:
            text = Text::FileNotReplaced;
            break;
    }
    return SayText(language, text, {failure.path, std::strerror(failure.errorNumber)});
}

}  // namespace kx
