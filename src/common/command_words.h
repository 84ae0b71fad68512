#pragma once
// The words of a command line as CLI11 must see them to read them the way the programs always
// have. CLI11 reads "-ofile" as "-o file", "-hy" as "-h -y", and "--name=" as "--name" with the
// next word for its value; here a word of one dash and several letters is one unknown option,
// and "--name=" gives "--name" an empty value. MarkWords marks such words before CLI11 sees
// them; whatever CLI11 hands back (a value, a positional, an unknown option) goes through
// Unmark to be the word as typed again.

#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kx {

std::vector<std::string> MarkWords(std::span<const std::string_view> args);

// The word or value as it was typed.
std::string Unmark(std::string_view word);

// Whether CLI11 split `value` off its option's word ("--name=value"): a flag given a value.
bool CameAfterEquals(std::string_view value);

}  // namespace kx
