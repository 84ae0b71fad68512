#pragma once
// Why a file could not be read or written, in the user's language. The file functions of
// common/ say what failed; the words are here, so that every reader and writer says them alike.

#include <string>

#include "common/file_failure.h"
#include "messages/message_catalogue.h"

namespace kx {

// A short reason without the path, e.g. "it is a folder, not a file".
std::string ReadReasonText(const ReadFailure& failure, UiLanguage language);

// The reason with the path, e.g. "cannot read PATH: Permission denied".
std::string ReadFailureText(const std::string& path, const ReadFailure& failure,
                            UiLanguage language);

// What a write could not do, with its path, e.g. "cannot replace PATH: No space left on device".
std::string WriteFailureText(const WriteFailure& failure, UiLanguage language);

}  // namespace kx
