#include "settings/ini_document.h"

#include "platform/gbk.h"

namespace kx::settings {
namespace {

constexpr std::string_view kBlanks = " \t\v\f\r";
constexpr std::string_view kBom = "\xEF\xBB\xBF";

std::string_view Trim(std::string_view s) {
    const auto first = s.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) return {};
    const auto last = s.find_last_not_of(kBlanks);
    return s.substr(first, last - first + 1);
}

char LowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool IsQuote(char c) {
    return c == '"' || c == '\'';
}

bool QuotedPair(std::string_view v) {
    return v.size() >= 2 && IsQuote(v.front()) && v.front() == v.back();
}

// Quotes a value whose edges would otherwise be lost on reading: surrounding blanks are
// trimmed and a surrounding pair of quotes is dropped.
std::string StoredForm(std::string_view value) {
    const bool needsQuotes =
        !value.empty() && (Trim(value).size() != value.size() || QuotedPair(value));
    if (!needsQuotes) return std::string(value);
    return "\"" + std::string(value) + "\"";
}

}  // namespace

bool NamesEqual(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
    }
    return true;
}

IniDocument::Line IniDocument::ParseLine(std::string line) {
    while (!line.empty() && line.back() == '\r') line.pop_back();
    if (!IsValidUtf8(line)) {
        if (auto utf8 = GbkToUtf8(line)) line = std::move(*utf8);
    }
    Line out;
    const std::string_view body = Trim(line);
    if (!body.empty() && body.front() == '[') {
        const auto close = body.find(']');
        if (close != std::string_view::npos) {
            out.kind = Kind::Section;
            out.name = std::string(Trim(body.substr(1, close - 1)));
        }
    } else if (!body.empty() && body.front() != ';') {
        const auto eq = body.find('=');
        if (eq != std::string_view::npos) {
            out.kind = Kind::Key;
            out.name = std::string(Trim(body.substr(0, eq)));
            out.value = std::string(Trim(body.substr(eq + 1)));
        }
    }
    out.text = std::move(line);
    return out;
}

IniDocument IniDocument::Parse(std::string_view text) {
    IniDocument doc;
    if (text.substr(0, kBom.size()) == kBom) {
        doc.bom_ = true;
        text.remove_prefix(kBom.size());
    }
    const auto firstBreak = text.find('\n');
    if (firstBreak != std::string_view::npos && firstBreak > 0 && text[firstBreak - 1] == '\r') {
        doc.eol_ = "\r\n";
    }
    while (!text.empty()) {
        const auto end = text.find('\n');
        const auto lineLength = end == std::string_view::npos ? text.size() : end;
        doc.lines_.push_back(ParseLine(std::string(text.substr(0, lineLength))));
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    }
    return doc;
}

std::size_t IniDocument::FindKey(std::string_view section, std::string_view key) const {
    bool inSection = false;
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        const Line& l = lines_[i];
        if (l.kind == Kind::Section) {
            inSection = NamesEqual(l.name, section);
        } else if (inSection && l.kind == Kind::Key && NamesEqual(l.name, key)) {
            return i;
        }
    }
    return std::string::npos;
}

std::optional<std::string> IniDocument::Get(std::string_view section, std::string_view key) const {
    const std::size_t i = FindKey(section, key);
    if (i == std::string::npos) return std::nullopt;
    std::string_view v = lines_[i].value;
    if (QuotedPair(v)) v = v.substr(1, v.size() - 2);
    return std::string(v);
}

void IniDocument::Set(std::string_view section, std::string_view key, std::string_view value) {
    std::string clean;
    clean.reserve(value.size());
    for (char c : value) {
        if (c != '\r' && c != '\n' && c != '\0') clean.push_back(c);
    }
    const std::string stored = StoredForm(clean);

    if (const std::size_t i = FindKey(section, key); i != std::string::npos) {
        Line& l = lines_[i];
        l.value = stored;
        l.text = l.name + "=" + stored;
        return;
    }

    Line keyLine{Kind::Key, std::string(key) + "=" + stored, std::string(key), stored};

    // Inside the first section of that name: after its last key, or right after its header.
    std::size_t insertAt = std::string::npos;
    bool inSection = false;
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        const Line& l = lines_[i];
        if (l.kind == Kind::Section) {
            if (insertAt != std::string::npos) break;  // past the first matching section
            inSection = NamesEqual(l.name, section);
            if (inSection) insertAt = i + 1;
        } else if (inSection && l.kind == Kind::Key) {
            insertAt = i + 1;
        }
    }
    if (insertAt != std::string::npos) {
        lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(insertAt), std::move(keyLine));
        return;
    }

    if (!lines_.empty() && !Trim(lines_.back().text).empty()) lines_.push_back(Line{});
    lines_.push_back(
        Line{Kind::Section, "[" + std::string(section) + "]", std::string(section), {}});
    lines_.push_back(std::move(keyLine));
}

std::string IniDocument::Serialize() const {
    std::string out;
    if (bom_) out += kBom;
    for (const Line& l : lines_) {
        out += l.text;
        out += eol_;
    }
    return out;
}

bool IniDocument::HasSection() const {
    for (const Line& line : lines_) {
        if (line.kind == Kind::Section) return true;
    }
    return false;
}

}  // namespace kx::settings
