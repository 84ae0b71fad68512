#include "common/command_words.h"

namespace kx {
namespace {

// The unit separator: a character nobody types into a command line.
constexpr char kMark = '\x1f';
// "-ofile" is passed on as this followed by the word: an unknown long option to CLI11.
constexpr std::string_view kWrapped = "--\x1f";

}  // namespace

std::vector<std::string> MarkWords(std::span<const std::string_view> args) {
    std::vector<std::string> words;
    for (const std::string_view arg : args) {
        std::string word(arg);
        if (arg.size() > 2 && arg[0] == '-' && arg[1] != '-') {
            word.insert(0, kWrapped);
        } else if (const auto eq = arg.find('='); arg.starts_with("--") && eq != arg.npos) {
            word.insert(eq + 1, 1, kMark);
        }
        words.push_back(std::move(word));
    }
    return words;
}

std::string Unmark(std::string_view word) {
    std::string out(word);
    if (word.starts_with(kWrapped)) {
        out.erase(0, kWrapped.size());
    } else if (CameAfterEquals(word)) {
        out.erase(0, 1);
    } else if (const auto eq = word.find('='); word.starts_with("--") && eq != word.npos &&
                                               eq + 1 < word.size() && word[eq + 1] == kMark) {
        out.erase(eq + 1, 1);
    }
    return out;
}

bool CameAfterEquals(std::string_view value) {
    return value.starts_with(kMark);
}

}  // namespace kx
