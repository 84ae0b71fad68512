#pragma once
// Why a file could not be read, in the user's language.

#include <string>

#include "common/atomic_file.h"
#include "messages/message_catalogue.h"

namespace kx::image {

// A short reason without line end, e.g. "it is a folder, not a file" / "这是一个文件夹，不是文件".
std::string ReadReasonText(const ReadFailure& failure, UiLanguage language);

}  // namespace kx::image
