#pragma once
// An INI text as lines, so that what we do not know (comments, other keys and sections,
// their order) survives a read-modify-write. Section and key names compare without regard
// to ASCII case, as Windows profile files do.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kx::settings {

class IniDocument {
  public:
    // Never fails: a line that is neither a section header nor a key line is kept as it is.
    // Lines that are not valid UTF-8 are read as GBK (files from Chinese Windows systems);
    // lines that are neither are kept byte for byte.
    static IniDocument Parse(std::string_view text);

    // Value of the first `key` in the first section named `section` that has it; a matching
    // pair of quotes around the value is dropped, as the profile functions do.
    std::optional<std::string> Get(std::string_view section, std::string_view key) const;

    // Replaces the value found by Get, else adds the key at the end of the first section of
    // that name, else adds the section at the end. Line breaks and NUL characters cannot be
    // held in a line and are dropped from `value`.
    void Set(std::string_view section, std::string_view key, std::string_view value);

    // The document as UTF-8 text (except lines that were kept byte for byte), with the line
    // endings it was read with ("\n" for a new document).
    std::string Serialize() const;

    bool Empty() const { return lines_.empty(); }
    bool HasSection() const;

  private:
    enum class Kind { Other, Section, Key };
    struct Line {
        Kind kind = Kind::Other;
        std::string text;   // the whole line as it will be written
        std::string name;   // section or key name, trimmed
        std::string value;  // Key: the raw value, trimmed (quotes still on)
    };

    static Line ParseLine(std::string line);
    // Index of the first key line matching, or npos.
    std::size_t FindKey(std::string_view section, std::string_view key) const;

    std::vector<Line> lines_;
    std::string eol_ = "\n";
    bool bom_ = false;
};

// ASCII-only case-insensitive comparison of names.
bool NamesEqual(std::string_view a, std::string_view b);

}  // namespace kx::settings
